#pragma once

// Finding the USB volumes with drive letters through WMI, asked late-bound by member name.
// WMI's texts are compared as ANSI texts, as the system compares them, but kept and cut in
// UTF-8 (the markers and separators are ASCII), so a device's name shows as the device
// reports it on any Windows.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/automation.h"

namespace zr::disk {

// One USB volume, as a refresh finds it.
struct TUsbDiskInfo {
    std::string Drive;    // the volume as WMI names it ("E:"), upper-cased
    std::string Vendor;   // the parts of the disk's plug-and-play identifier,
    std::string Product;  // as they stand there (underscores stay)
    std::string Revision;
    int64_t TotalSize = 0;  // bytes of the volume; 0 when the size query failed
    // Which disk it is: its whole plug-and-play identifier and its number ("1").
    std::string DeviceId{};
    std::string DiskNumber{};
    // What Win32_DiskDrive says of the whole disk: its MediaType ("Removable Media" for a
    // stick; empty when WMI gives none) and its Size in bytes, when given.
    std::string MediaType{};
    std::optional<int64_t> DiskSize{};
};

// A disk that looks like an external hard disk or SSD rather than a stick: WMI calls its media
// something else than removable, or it is larger than 256 GiB. What WMI does not say counts as
// neither.
bool LooksLikeHardDisk(const TUsbDiskInfo& disk);

// The text between the first two double quotes; empty when there are fewer than two.
std::string ExtractQuoted(std::string_view text);

// The disk number in a partition key such as ...DeviceID="Disk #1, Partition #0" ("1"); empty
// when the key has fewer than two quotes or no comma.
std::string DiskNumberOf(std::string_view antecedent);

struct DeviceIdParts {
    std::string Vendor;
    std::string Product;
    std::string Revision;
};
// Cuts VEN_ up to "&", PROD_ up to "&" and REV_ up to a backslash out of a device
// identifier. A part whose marker or terminator is missing is empty.
DeviceIdParts CutDeviceId(std::string_view pnpDeviceId);

// "1.00GB", "1024.00MB", "1.50KB" (two decimals, halves rounded up), empty below 1 KB.
std::string FormatDiskSize(int64_t bytes, std::string_view decimalSeparator);
// With the decimal separator of the user's number settings.
std::string FormatDiskSize(int64_t bytes);

// A new WMI locator ("WbemScripting.SWbemLocator") for each refresh; throws zr::Error when
// it cannot be made.
using LocatorFactory = std::function<automation::ObjectPtr()>;
// The total bytes of the volume whose root ("E:\") is given, or nothing when it cannot be read.
using VolumeSizeQuery = std::function<std::optional<int64_t>(const std::string& root)>;
std::optional<int64_t> VolumeTotalSize(const std::string& root);

// Every lettered volume on a USB disk, in the order WMI lists the volume-to-partition
// associations. Throws zr::Error from the first automation call that fails, and for a
// Dependent, Antecedent or PNPDeviceID that is null.
// between runs after each association, so that a caller can keep its window answering.
std::vector<TUsbDiskInfo> EnumerateUsbDisks(const LocatorFactory& createLocator,
                                            const VolumeSizeQuery& totalSize = VolumeTotalSize,
                                            const std::function<void()>& between = {});

// The physical disk of every lettered volume on a disk partition ("C:" -> "0"), as WMI's
// volume-to-partition associations give them. Throws zr::Error as EnumerateUsbDisks does.
std::map<std::string, std::string> EnumerateDriveDisks(const LocatorFactory& createLocator);

}  // namespace zr::disk
