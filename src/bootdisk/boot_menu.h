#pragma once

// menu.lst for grub4dos: the package's default menu, then one entry per custom boot item that
// boots its image from where the make command stores it on the disk.

#include <string>
#include <vector>

#include "bootitems/isolist.h"

namespace zr::bootdisk {

// The lines of the n-th item's entry: an empty line, its title, and the lines that load an
// ".img" as a floppy or an ".iso" as a CD (nothing more for any other extension).
std::vector<std::string> CustomMenuEntry(size_t n, const bootitems::TISOFileInfo& item);

// Writes workDir + "menu.lst" from workDir + "defMenu.txt", whose lines keep their bytes, and
// the items in order, every line ended by CR LF. Throws zr::Error when a file cannot be read
// or written.
void GenerateMenu(const std::string& workDir, const bootitems::TISOFileInfoArr& items);

}  // namespace zr::bootdisk
