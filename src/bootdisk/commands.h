#pragma once

// The make and restore commands of the main window, over its Host.

#include "bootdisk/host.h"
#include "bootdisk/tool_runner.h"
#include "package/u_Package.h"

namespace zr::bootdisk {

// Turns the selected USB disk into a boot disk.
void btn_makeClick(Host& host);
void btn_makeClick(Host& host, ToolRunner& tools);

// Gives the selected USB disk's space back by a plain re-format.
void btn_cleanClick(Host& host);
void btn_cleanClick(Host& host, ToolRunner& tools);

// The package's progress handler during the make command's extraction: it processes the
// window's messages once, so the window paints and animates while the package unpacks.
TPackageProgressEvent PackageProgress(Host& host);

}  // namespace zr::bootdisk
