#include "bootitems/isolist.h"

#include "bootitems/line_list.h"
#include "platform/error.h"
#include "platform/platform.h"

namespace zr::bootitems {

TISOFileInfo SplitIsoLine(std::string_view line) {
    const size_t bar = line.find('|');
    if (bar == std::string_view::npos) return {"", platform::AnsiToUtf8(line)};
    return {platform::AnsiToUtf8(line.substr(0, bar)), platform::AnsiToUtf8(line.substr(bar + 1))};
}

TISOFileInfoArr ReadIsoList(const std::string& path) {
    TISOFileInfoArr items;
    if (!platform::IsFile(path)) return items;
    for (const auto& line : LoadLines(path)) items.push_back(SplitIsoLine(line));
    return items;
}

void WriteIsoList(const std::string& path, const TISOFileInfoArr& items) {
    std::string bytes;
    for (const auto& item : items) {
        bytes +=
            platform::Utf8ToAnsi(item.Title) + "|" + platform::Utf8ToAnsi(item.ImagePath) + "\r\n";
    }
    const std::string temporary = path + ".tmp";
    try {
        SaveBytes(temporary, bytes);
    } catch (...) {
        platform::RemoveFile(temporary);
        throw;
    }
    if (!platform::MoveOver(temporary, path)) {
        const int code = platform::LastErrorCode();
        platform::RemoveFile(temporary);
        throw Error("Cannot create file \"" + path + "\". " + platform::ErrorText(code));
    }
}

}  // namespace zr::bootitems
