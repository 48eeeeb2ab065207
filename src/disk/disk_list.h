#pragma once

// The main window's disk list: one entry per USB volume, each beginning with its drive letter,
// or the single no-disk entry. The make and restore commands read nothing else of a disk.

#include <string>
#include <string_view>
#include <vector>

#include "disk/usb_disks.h"

namespace zr::disk {

// The only entry when no USB volume was found ("please insert a USB disk!").
inline constexpr std::string_view kNoDiskEntry = "请插入U盘！";

// The drop-down list that shows the entries; the main window's combo box implements it.
class DiskList {
  public:
    virtual ~DiskList() = default;
    virtual void Clear() = 0;
    virtual void Add(const std::string& entry) = 0;
    virtual int Count() const = 0;
    // -1 when nothing is selected.
    virtual int SelectedIndex() const = 0;
    virtual void Select(int index) = 0;
    // The selected entry's text; empty when nothing is selected.
    virtual std::string Text() const = 0;
};

// "E: (厂商:ABC 产品:FLASH_DISK 版本:1.00  容量：7.45GB)"
std::string FormatDiskEntry(const TUsbDiskInfo& disk);

// Puts the disks in place of the list's entries. The selection stays at its position, not
// with its disk: a position past the new end, or none, selects the first entry.
void RewriteDiskList(DiskList& list, const std::vector<TUsbDiskInfo>& disks);

// Enumerates the USB volumes and rewrites the list; the disks, in the order of the entries. The
// list is touched only once the whole enumeration has succeeded, so a refresh that throws
// leaves it as it was.
std::vector<TUsbDiskInfo> RefreshDiskList(DiskList& list, const LocatorFactory& createLocator,
                                          const VolumeSizeQuery& totalSize = VolumeTotalSize);

// Whether a list text is the no-disk entry rather than a disk.
bool IsNoDiskEntry(std::string_view text);

}  // namespace zr::disk
