#include "bootitems/isolist.h"

#include <optional>
#include <string_view>

#include "bootitems/line_list.h"
#include "platform/error.h"
#include "platform/platform.h"

namespace zr::bootitems {
namespace {

using platform::File;

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// Title before the first "|", ImagePath after it (the whole line when there is none).
TISOFileInfo SplitIsoLine(std::string_view line, bool utf8) {
    const size_t bar = line.find('|');
    const std::string_view title = bar == std::string_view::npos ? "" : line.substr(0, bar);
    const std::string_view path = bar == std::string_view::npos ? line : line.substr(bar + 1);
    if (utf8) return {std::string(title), std::string(path)};
    return {platform::Cp936ToUtf8(title), platform::Cp936ToUtf8(path)};
}

// An item's line in code page 936, when it reads back as it would in UTF-8: every character is
// there, and no double-byte character of the title has "|" for its second byte, which would
// cut the line in another place.
std::optional<std::string> Cp936Line(const TISOFileInfo& item) {
    const auto title = platform::Utf8ToCp936(item.Title);
    const auto path = platform::Utf8ToCp936(item.ImagePath);
    if (!title || !path) return std::nullopt;
    const std::string line = *title + "|" + *path;
    if (SplitIsoLine(line, false) != SplitIsoLine(item.Title + "|" + item.ImagePath, true)) {
        return std::nullopt;
    }
    return line + "\r\n";
}

// Code page 936 when every item fits it, so that nothing changes where it always did.
std::string EncodeIsoList(const TISOFileInfoArr& items) {
    std::string bytes;
    for (const auto& item : items) {
        const auto line = Cp936Line(item);
        if (!line) {
            bytes = kUtf8Mark;
            for (const auto& each : items) bytes += each.Title + "|" + each.ImagePath + "\r\n";
            return bytes;
        }
        bytes += *line;
    }
    return bytes;
}

// The list lives in the program's data folder, which the user's other programs may write, and
// the program runs as administrator: a temporary file left by a save that failed goes, and a
// link found in its place goes itself, never what it leads to. Anything else there stays, and
// the save then stops.
void RemoveLeftover(const std::string& temporary) {
    if (platform::IsLink(temporary) && platform::RemoveFolder(temporary)) return;
    if (platform::IsLink(temporary) || platform::IsFile(temporary)) platform::RemoveFile(temporary);
}

}  // namespace

TISOFileInfoArr ReadIsoList(const std::string& path) {
    TISOFileInfoArr items;
    if (!platform::IsFile(path)) return items;
    std::vector<std::string> lines = LoadLines(path);
    const bool utf8 = !lines.empty() && lines.front().starts_with(kUtf8Mark);
    if (utf8) lines.front().erase(0, kUtf8Mark.size());
    for (const auto& line : lines) items.push_back(SplitIsoLine(line, utf8));
    return items;
}

void WriteIsoList(const std::string& path, const TISOFileInfoArr& items) {
    const std::string bytes = EncodeIsoList(items);
    const std::string temporary = path + ".tmp";
    RemoveLeftover(temporary);
    File file = File::Open(temporary, File::Access::CreateNew);
    if (!file.IsOpen()) {
        throw Error("Cannot create file \"" + temporary + "\". " + file.ErrorText());
    }
    try {
        file.Write(bytes.data(), bytes.size());
        file.Close();
    } catch (...) {
        file.Close();
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
