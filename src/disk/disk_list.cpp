#include "disk/disk_list.h"

namespace zr::disk {
namespace {

// The first character of a UTF-8 text, whole.
std::string_view FirstCharacter(std::string_view text) {
    if (text.empty()) return text;
    size_t length = 1;
    while (length < text.size() && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
        ++length;
    }
    return text.substr(0, length);
}

}  // namespace

std::string FormatDiskEntry(const TUsbDiskInfo& disk) {
    // ASCII colons after 厂商, 产品 and 版本, two spaces and a full-width colon at 容量.
    std::string entry(FirstCharacter(disk.Drive));
    entry += ": (厂商:" + disk.Vendor;
    entry += " 产品:" + disk.Product;
    entry += " 版本:" + disk.Revision;
    entry += "  容量：" + FormatDiskSize(disk.TotalSize) + ")";
    return entry;
}

void RewriteDiskList(DiskList& list, const std::vector<TUsbDiskInfo>& disks) {
    if (disks.empty()) {
        list.Clear();
        list.Add(std::string(kNoDiskEntry));
        list.Select(0);
        return;
    }
    const int selected = list.SelectedIndex();
    list.Clear();
    for (const TUsbDiskInfo& disk : disks) list.Add(FormatDiskEntry(disk));
    list.Select(selected < 0 || selected >= list.Count() ? 0 : selected);
}

std::vector<TUsbDiskInfo> RefreshDiskList(DiskList& list, const LocatorFactory& createLocator,
                                          const VolumeSizeQuery& totalSize) {
    std::vector<TUsbDiskInfo> disks = EnumerateUsbDisks(createLocator, totalSize);
    RewriteDiskList(list, disks);
    return disks;
}

bool IsNoDiskEntry(std::string_view text) {
    return text == kNoDiskEntry;
}

}  // namespace zr::disk
