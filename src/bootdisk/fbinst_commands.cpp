#include "bootdisk/fbinst_commands.h"

#include <algorithm>
#include <utility>

#include "platform/ascii.h"

namespace zr::bootdisk {
namespace {

std::string Quoted(const std::string& path) {
    return path.find(' ') == std::string::npos ? path : "\"" + path + "\"";
}

}  // namespace

int64_t SizeValue(int64_t requiredBytes) {
    return requiredBytes / 1048576 + 10;
}

std::string ImageExtension(const std::string& imagePath) {
    const size_t dot = imagePath.rfind('.');
    if (dot == std::string::npos || imagePath.find_first_of("\\:", dot) != std::string::npos) {
        return {};
    }
    return platform::AsciiLower(imagePath.substr(dot));
}

std::string CustomImageName(size_t n, const std::string& imagePath) {
    return "boot/customISO_" + std::to_string(n) + ImageExtension(imagePath);
}

FbinstCommands::FbinstCommands(const std::string& workDir, char drive,
                               PathOnCommandLine pathOnCommandLine)
    : workDir_(workDir),
      application_(workDir + kToolName),
      pathOnCommandLine_(std::move(pathOnCommandLine)),
      prefix_(Quoted(Local(application_)) + " " + drive + ": ") {}

std::string FbinstCommands::Local(const std::string& path) const {
    return pathOnCommandLine_ ? pathOnCommandLine_(path) : path;
}

std::string FbinstCommands::Format(bool zip, int64_t sizeValue) const {
    return prefix_ + " format -f -a " + (zip ? " -z" : "") + " -p 8m -e " +
           std::to_string(sizeValue) + "m";
}

std::string FbinstCommands::MenuDefault() const {
    return prefix_ + R"(add-menu -s "fb.cfg" "default 0")";
}

std::string FbinstCommands::MenuTimeout() const {
    return prefix_ + R"(add-menu -s "fb.cfg" "timeout 0")";
}

std::string FbinstCommands::MenuGrldr() const {
    return prefix_ + R"(add-menu -s "fb.cfg" "menu F1 grldr "grldr")";
}

std::string FbinstCommands::AddListedFile(const std::string& listLine) const {
    std::string diskName = listLine;
    std::replace(diskName.begin(), diskName.end(), '\\', '/');
    return prefix_ + "add \"" + diskName + "\" \"" + Local(workDir_ + listLine) + "\"";
}

std::string FbinstCommands::AddCustomImage(size_t n, const std::string& imagePath) const {
    return prefix_ + "add \"" + CustomImageName(n, imagePath) + "\" \"" + Local(imagePath) + "\"";
}

std::string FbinstCommands::Restore() const {
    return prefix_ + "format -f -r";
}

}  // namespace zr::bootdisk
