#pragma once

// For test programs under Wine: putting the fake WMI (fakewmi.dll) in place of the system's
// WMI scripting locator, telling it which disks to serve, and giving drive letters to folders
// so that the volumes of a scenario answer size queries. Everything is undone when the owning
// object goes; the prefix is the one the program runs in.

#include <cstdint>
#include <string>
#include <vector>

namespace zr::test::fakewmi {

// Windows path of the fakewmi.dll built with the tests.
std::string DllPath();

// The fake stands in for WbemScripting.SWbemLocator while this lives (for every process of
// the prefix, through HKCR); the class it replaced comes back afterwards.
class Registration {
  public:
    Registration();
    ~Registration();
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;
};

// Gives WbemScripting.SWbemLocator back to the system's WMI, whatever an earlier run left.
void RestoreSystemLocator();

// The scenario file that the fake reads on every ConnectServer and ExecQuery. Points
// ZR_FAKEWMI_SCENARIO (and ZR_FAKEWMI_LOG, the fake's call log) of this process at files in
// folder, so that the fake loaded here and in every child process started afterwards sees them.
class Scenario {
  public:
    explicit Scenario(const std::string& folder);
    ~Scenario();
    Scenario(const Scenario&) = delete;
    Scenario& operator=(const Scenario&) = delete;

    // Replaces the scenario; takes effect at the next ConnectServer or ExecQuery.
    void Write(const std::string& text) const;
    // The calls logged since the last ClearLog, e.g. ConnectServer(".", "", "", "") and
    // ExecQuery("Select * from Win32_LogicalDiskToPartition").
    std::vector<std::string> Calls() const;
    void ClearLog() const;

    const std::string& path() const { return path_; }

  private:
    std::string path_;
    std::string log_;
};

// Scenario text for one volume-to-partition association, as WMI writes its keys:
// AssociationRow("Disk #1, Partition #0", "E:").
std::string AssociationRow(const std::string& partitionKey, const std::string& volume);
// Scenario text for one disk drive: DriveRow(1, "USB", "USBSTOR\\DISK&VEN_...").
std::string DriveRow(int number, const std::string& interfaceType, const std::string& pnpDeviceId);
// Scenario text for a disk of the storage namespace: its number and bus (7 is USB).
std::string StorageDiskRow(int number, int busType);
// Scenario text that gives the volume at root ("E:\\") total bytes, none of them free.
std::string VolumeRow(const std::string& root, int64_t total);

// A removable drive letter that stands for a folder (Windows path) while this lives, defined
// through Wine's mount manager the way winecfg does it (a dosdevices link of the prefix).
// Throws when the letter is taken.
class MappedDrive {
  public:
    MappedDrive(char letter, const std::string& folder);
    ~MappedDrive();
    MappedDrive(const MappedDrive&) = delete;
    MappedDrive& operator=(const MappedDrive&) = delete;

    std::string root() const { return std::string(1, letter_) + ":\\"; }

  private:
    char letter_;
};

}  // namespace zr::test::fakewmi
