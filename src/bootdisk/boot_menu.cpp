#include "bootdisk/boot_menu.h"

#include "bootdisk/fbinst_commands.h"
#include "bootitems/line_list.h"

namespace zr::bootdisk {

std::vector<std::string> CustomMenuEntry(size_t n, const bootitems::TISOFileInfo& item) {
    // The title came out of isolist as UTF-8, which is what grub4dos shows.
    std::vector<std::string> lines{"", "title " + item.Title};
    const std::string extension = ImageExtension(item.ImagePath);
    const std::string image = "(ud)/" + CustomImageName(n, item.ImagePath);
    if (extension == ".img") {
        lines.insert(lines.end(), {"map --mem " + image + " (fd0)", "map --hook",
                                   "rootnoverify (fd0)", "chainloader +1"});
    } else if (extension == ".iso") {
        lines.insert(lines.end(),
                     {"map --mem " + image + " (0xFF)", "map --hook", "chainloader (0xFF)"});
    }
    return lines;
}

void GenerateMenu(const std::string& workDir, const bootitems::TISOFileInfoArr& items) {
    std::vector<std::string> lines = bootitems::LoadLines(workDir + "defMenu.txt");
    for (size_t n = 0; n < items.size(); ++n) {
        const auto entry = CustomMenuEntry(n, items[n]);
        lines.insert(lines.end(), entry.begin(), entry.end());
    }
    bootitems::SaveBytes(workDir + "menu.lst", bootitems::JoinLines(lines));
}

}  // namespace zr::bootdisk
