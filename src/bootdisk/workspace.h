#pragma once

// The workspace that a command extracts the package into, and its removal.

#include <string>

namespace zr::bootdisk {

// The user's temporary folder followed by "KpTemp\"; always ends with a backslash.
std::string WorkDir();

// Creates the one last level of WorkDir and returns it. A leftover folder is used with its
// files and folders, but any link in it, or a link in its place, is removed first.
std::string MakeWorkDir();

// Deletes the folder with everything in it, deepest first. Failures are left behind silently
// for a later command to clear: a read-only file stays, and so do the folders above it. A link
// or junction is removed itself and never followed, so nothing outside the tree is touched.
void DeleteDirTree(const std::string& path);

}  // namespace zr::bootdisk
