#pragma once

// Every command line that fbinst.exe is given, built by plain concatenation. The tool's path
// is quoted only when it holds a space, so that such a path cannot be split into arguments;
// otherwise each line is exactly the form the tool has always been given.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace zr::bootdisk {

inline constexpr const char* kToolName = "fbinst.exe";

// The size value N given to the format command: whole MiB of the required bytes, plus 10.
int64_t SizeValue(int64_t requiredBytes);

// The image's extension from its last "." on, lower-cased (ASCII letters only); empty when
// there is no dot or a "\" or ":" follows it.
std::string ImageExtension(const std::string& imagePath);

// The name under which the n-th custom image is stored on the disk and found by the menu.
std::string CustomImageName(size_t n, const std::string& imagePath);

class FbinstCommands {
  public:
    // The form of a path of this machine that goes on the command line: the path itself, or
    // another name of the same file that the tool can read.
    using PathOnCommandLine = std::function<std::string(const std::string& path)>;

    // workDir ends with a backslash; drive is the disk's letter.
    FbinstCommands(const std::string& workDir, char drive,
                   PathOnCommandLine pathOnCommandLine = {});

    // The tool's full path: the application to start.
    const std::string& Application() const { return application_; }

    std::string Format(bool zip, int64_t sizeValue) const;                     // row 1
    std::string MenuDefault() const;                                           // row 2
    std::string MenuTimeout() const;                                           // row 3
    std::string MenuGrldr() const;                                             // row 4
    std::string AddListedFile(const std::string& listLine) const;              // row 5
    std::string AddCustomImage(size_t n, const std::string& imagePath) const;  // row 6
    std::string Restore() const;                                               // row 7

  private:
    std::string Local(const std::string& path) const;

    std::string workDir_;
    std::string application_;
    PathOnCommandLine pathOnCommandLine_;
    std::string prefix_;
};

}  // namespace zr::bootdisk
