#pragma once

// Text files read and written as lists of lines, the way the program's data files have always
// been read: the bytes are cut at CR LF, a lone CR or a lone LF, a line end at the very end adds
// no empty line, and the text ends at the first NUL byte. Lines are bytes; converting them
// from the ANSI code page is the caller's business, after the cut.

#include <string>
#include <string_view>
#include <vector>

namespace zr::bootitems {

std::vector<std::string> SplitLines(std::string_view text);

// The lines of a whole file. Throws zr::Error with the system's text when the file cannot be
// opened or read.
std::vector<std::string> LoadLines(const std::string& path);

// Every line followed by CR LF.
std::string JoinLines(const std::vector<std::string>& lines);

// Creates or truncates the file and writes the bytes. Throws zr::Error on failure.
void SaveBytes(const std::string& path, std::string_view bytes);

}  // namespace zr::bootitems
