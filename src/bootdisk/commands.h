#pragma once

// The make and restore commands, over the main window as their Host (its btn_makeClick and
// btn_cleanClick run them).

#include "bootdisk/host.h"
#include "bootdisk/tool_runner.h"
#include "package/u_Package.h"

namespace zr::bootdisk {

// Turns the selected USB disk into a boot disk.
void MakeBootDisk(Host& host);
void MakeBootDisk(Host& host, ToolRunner& tools);

// Gives the selected USB disk's space back by a plain re-format.
void RestoreDisk(Host& host);
void RestoreDisk(Host& host, ToolRunner& tools);

// The package's progress handler during the make command's extraction: it processes the
// window's messages once, so the window paints and animates while the package unpacks.
TPackageProgressEvent PackageProgress(Host& host);

}  // namespace zr::bootdisk
