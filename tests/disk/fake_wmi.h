#pragma once

// WMI as plain objects: a locator, its services and the rows of the two classes that the disk
// discovery asks for. Every call is logged so that tests can see what was asked.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "disk/usb_disks.h"
#include "platform/automation.h"

namespace zr::test {

// A WMI row: property name -> value. Names it lacks read as null, as WMI's do.
using Row = std::map<std::string, automation::Value>;

// A Win32_LogicalDiskToPartition row as WMI writes it: partitionKey "Disk #1, Partition #0",
// volume "E:".
Row Association(const std::string& partitionKey, const std::string& volume);
// A Win32_DiskDrive row.
Row Drive(int number, const std::string& interfaceType, const std::string& pnpDeviceId);
// A USB stick's identifier with the given parts.
std::string UsbDeviceId(const std::string& vendor, const std::string& product,
                        const std::string& revision);

class FakeWmi {
  public:
    std::vector<Row> associations;
    std::vector<Row> drives;
    // MSFT_Disk rows of the storage namespace (Number, BusType).
    std::vector<Row> storageDisks;
    // The call that fails with zr::Error: "Locator", "ConnectServer", "ConnectServer <namespace>"
    // or a query text.
    std::string failOn;
    // "ConnectServer(.,,,)", "ExecQuery(<text>)", in order.
    std::vector<std::string> calls;

    disk::LocatorFactory Locator();
    void Fail(const std::string& call);
};

// Volume sizes by root ("E:\"); a root that is not here cannot be read.
class FakeVolumes {
  public:
    std::map<std::string, int64_t> sizes;
    std::vector<std::string> asked;

    disk::VolumeSizeQuery Query();
};

}  // namespace zr::test
