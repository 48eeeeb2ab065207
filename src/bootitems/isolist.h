#pragma once

// The custom boot items of data\isolist: one item a line, "Title|ImagePath", UTF-8 in memory.
// On disk the list is in code page 936 on every Windows, as a Chinese Windows has always kept
// it; only when an item holds a character that code page 936 has not (a path with "é", a
// Japanese name) is the whole file UTF-8 after a byte-order mark, which is how it is known
// when read. A line is cut at its first "|" byte before any conversion, so a title can never
// hold "|" (nor a double-byte character whose second byte is 0x7C), and every later "|"
// belongs to the path.

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

// The items in file order; none when no file of that name exists (a folder does not count).
// Throws zr::Error when the file exists but cannot be read. Bytes that are no text in the
// file's encoding read as U+FFFD, so that a damaged item shows as such.
TISOFileInfoArr ReadIsoList(const std::string& path);

// Replaces the whole list. The lines go to a temporary file made new beside it first, which
// then takes the list's place by a rename, so a write that fails leaves the saved list as it
// was, and nothing is ever written through a link put in either place. Throws zr::Error.
void WriteIsoList(const std::string& path, const TISOFileInfoArr& items);

}  // namespace zr::bootitems
