#include "platform/make_folders.h"

#include "platform/platform.h"

namespace zr::platform {

void MakeFoldersLevelByLevel(const std::string& path) {
    const size_t cut = path.find_last_not_of("\\/");
    if (cut == std::string::npos || IsFolder(path)) return;
    const std::string trimmed = path.substr(0, cut + 1);
    const size_t parent = trimmed.find_last_of("\\/");
    if (parent != std::string::npos && parent > 2)
        MakeFoldersLevelByLevel(trimmed.substr(0, parent));
    MakeFolder(trimmed);
}

}  // namespace zr::platform
