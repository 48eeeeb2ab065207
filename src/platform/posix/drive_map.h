#pragma once

// POSIX only: which host folder stands for a drive letter. Z: is "/" unless mapped otherwise;
// ZR_DRIVE_<letter> in the environment maps a letter too. Tests and tools map drives here.

#include <optional>
#include <string>

namespace zr::platform::posix {

void MapDrive(char letter, const std::string& hostFolder);
void UnmapDrive(char letter);
// The host path of a drive-form path, resolving each name without regard to case; empty
// when the path names no mapped drive.
std::optional<std::string> ToHostPath(const std::string& path);

}  // namespace zr::platform::posix
