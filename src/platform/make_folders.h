#pragma once

// How every file layer makes a path's missing folders, written once so that they all make the
// same folders in the same order (the fuzz targets' files in memory compare with the others).

#include <string>

namespace zr::platform {

// If path is no folder: the same for the path less its last level, then that level is made
// with MakeFolder. Failures are left for the caller to find.
void MakeFoldersLevelByLevel(const std::string& path);

}  // namespace zr::platform
