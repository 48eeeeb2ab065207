#pragma once

// What the fake WMI serves, read from the file named by ZR_FAKEWMI_SCENARIO (UTF-8):
//
//   # a comment
//   [Win32_LogicalDiskToPartition]
//   Antecedent=\\PC\root\cimv2:Win32_DiskPartition.DeviceID="Disk #1, Partition #0"
//   Dependent=\\PC\root\cimv2:Win32_LogicalDisk.DeviceID="E:"
//   [Win32_DiskDrive]
//   Name=\\.\PHYSICALDRIVE1
//   InterfaceType=USB
//   PNPDeviceID=USBSTOR\DISK&VEN_ABC&PROD_FLASH_DISK&REV_1.00\0001&0
//   Model
//   [MSFT_Disk]
//   Number=1
//   BusType=7
//   [Fail]
//   Win32_DiskDrive=Generic failure
//
// Each class header starts a new row of that class, in the order WMI will list them. A
// property written without "=" is null, as is every property the row does not name. The rows
// of MSFT_Disk are served by the storage namespace (root\Microsoft\Windows\Storage), with
// their numbers as integers, as WMI gives them. [Fail] makes a call fail with the given
// description: ConnectServer, Storage (connecting to the storage namespace), a query of a
// class (by its name), or Locator (the object cannot be created at all; the description is
// not used).
// Every lettered drive that no association names gets one on "Disk #0, Partition #0", after
// the scenario's own: the computer's own disk, as a real machine's WMI lists it.
// A [Volume] row gives a volume its size for the size queries of a process that uses the fake
// (see volume_sizes.h): its Root as the program asks for it (Root=E:\ with the backslash),
// Total and Free bytes.

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace fakewmi {

struct Row {
    std::vector<std::pair<std::wstring, std::optional<std::wstring>>> properties;
};

struct Scenario {
    std::vector<Row> associations;
    std::vector<Row> drives;
    std::vector<Row> storageDisks;
    std::vector<Row> volumes;
    std::map<std::wstring, std::wstring> failures;  // lower-cased call or class -> description
};

// Reads the scenario anew; false with a reason when there is none or it cannot be read.
bool LoadScenario(Scenario& scenario, std::wstring& error);

std::wstring Lower(std::wstring text);

// Appends a line to the call log named by ZR_FAKEWMI_LOG, if any.
void LogCall(const std::wstring& line);

}  // namespace fakewmi
