#include "bootitems/line_list.h"

#include "platform/error.h"
#include "platform/platform.h"

namespace zr::bootitems {

using platform::File;

std::vector<std::string> SplitLines(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        lines.emplace_back(text.substr(start, end - start));
        const bool crLf = end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n';
        start = end + (crLf ? 2 : 1);
    }
    return lines;
}

std::vector<std::string> LoadLines(const std::string& path) {
    File file = File::Open(path, File::Access::ReadShared);
    if (!file.IsOpen()) throw Error("Cannot open file \"" + path + "\". " + file.ErrorText());
    std::string bytes(static_cast<size_t>(file.Size()), '\0');
    bytes.resize(file.Read(bytes.data(), bytes.size()));
    return SplitLines(bytes);
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

void SaveBytes(const std::string& path, std::string_view bytes) {
    File file = File::Open(path, File::Access::CreateExclusive);
    if (!file.IsOpen()) throw Error("Cannot create file \"" + path + "\". " + file.ErrorText());
    file.Write(bytes.data(), bytes.size());
}

}  // namespace zr::bootitems
