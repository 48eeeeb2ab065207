#pragma once

// The custom boot items of data\isolist: one item a line, "Title|ImagePath", in the ANSI code
// page on disk and UTF-8 in memory. The line is cut at its first "|" byte before any
// conversion, so a title can never hold "|" (nor a double-byte character whose second byte is
// 0x7C), and every later "|" belongs to the path.

#include <string>
#include <string_view>
#include <vector>

namespace zr::bootitems {

struct TISOFileInfo {
    std::string Title;
    std::string ImagePath;

    bool operator==(const TISOFileInfo&) const = default;
};

using TISOFileInfoArr = std::vector<TISOFileInfo>;

inline constexpr const char* kIsoListName = "isolist";

// One stored line as an item: Title before the first "|", ImagePath after it (the whole line
// when there is none), each converted from the ANSI code page.
TISOFileInfo SplitIsoLine(std::string_view line);

// The items in file order; none when no file of that name exists (a folder does not count).
// Throws zr::Error when the file exists but cannot be read.
TISOFileInfoArr ReadIsoList(const std::string& path);

// Replaces the whole list. The lines go to a temporary file beside it first, which then takes
// the list's place, so a write that fails leaves the saved list as it was. Throws zr::Error.
void WriteIsoList(const std::string& path, const TISOFileInfoArr& items);

}  // namespace zr::bootitems
