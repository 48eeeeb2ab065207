#include "bootitems/add_rule.h"

#include "platform/platform.h"

namespace zr::bootitems {

bool IsAddable(const TISOFileInfo& item) {
    if (item.Title.empty()) return false;
    if (item.ImagePath.empty()) return false;
    return platform::IsFile(item.ImagePath);
}

}  // namespace zr::bootitems
