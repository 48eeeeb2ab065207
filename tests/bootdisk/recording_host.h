#pragma once

// A main window that records what the commands do to it, and a tool runner that records the
// command lines instead of starting them.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "bootdisk/host.h"
#include "bootdisk/tool_runner.h"
#include "disk/disk_list.h"
#include "platform/platform.h"
#include "support/temp_folder.h"

namespace zr::bootdisk::test {

class RecordingHost : public Host {
  public:
    std::string diskText;
    bool zip = false;
    std::string dataDir;
    bool answerYes = true;
    std::function<void()> onPump;
    std::function<void()> onConfirm;  // what another program does while the question waits
    // The disk behind the selected entry, and what an enumeration finds now: by default one
    // disk at the entry's letter, there all along.
    std::optional<disk::TUsbDiskInfo> chosenDisk;
    std::optional<std::vector<disk::TUsbDiskInfo>> currentDisks;
    std::vector<std::string> logged;
    std::vector<std::string> progress;  // the steps shown under the wait caption
    // The digest the program carries; none, as in a development build, by default.
    std::optional<std::string> pin;
    // The disk of each lettered volume; by default the chosen disk at its letter and the
    // computer's own disk 0 behind every other letter.
    std::optional<std::map<std::string, std::string>> driveDisks;

    // "message <text>", "confirm <text>", "busy on", "busy off", "terminate", "run <line>".
    std::vector<std::string> events;
    bool busy = false;
    int pumps = 0;
    int pumpsWhileBusy = 0;

    void ShowMessage(const std::string& text) override { events.push_back("message " + text); }
    bool ConfirmWarning(const std::string& text) override {
        events.push_back("confirm " + text);
        if (onConfirm) onConfirm();
        return answerYes;
    }
    void SetBusy(bool value) override {
        busy = value;
        events.push_back(value ? "busy on" : "busy off");
    }
    void ProcessMessages() override {
        ++pumps;
        if (busy) ++pumpsWhileBusy;
        if (onPump) onPump();
    }
    void Terminate() override { events.push_back("terminate"); }
    void ShowProgress(const std::string& step) override { progress.push_back(step); }
    std::string SelectedDiskText() override { return diskText; }
    std::optional<disk::TUsbDiskInfo> SelectedDisk() override {
        if (chosenDisk) return chosenDisk;
        if (diskText.empty() || disk::IsNoDiskEntry(diskText)) return std::nullopt;
        // Strings, not literals, are assigned: MinGW's GCC 12 at -O3 takes a literal assigned
        // here for an overlapping copy (-Wrestrict).
        static const std::string kDeviceId =
            "USBSTOR\\DISK&VEN_ABC&PROD_FLASH_DISK&REV_1.00\\0001&0";
        disk::TUsbDiskInfo disk;
        disk.Drive = std::string(1, diskText[0]) + ":";
        disk.DeviceId = kDeviceId;
        disk.DiskNumber = std::string(1, '1');
        return disk;
    }
    std::vector<disk::TUsbDiskInfo> EnumerateUsbDisks() override {
        if (currentDisks) return *currentDisks;
        const auto disk = SelectedDisk();
        return disk ? std::vector<disk::TUsbDiskInfo>{*disk} : std::vector<disk::TUsbDiskInfo>{};
    }
    void Log(const std::string& line) override { logged.push_back(line); }
    std::optional<std::string> PinnedPackageDigest() override { return pin; }
    std::map<std::string, std::string> DriveDisks() override {
        if (driveDisks) return *driveDisks;
        std::map<std::string, std::string> disks;
        static const std::string kOwnDisk(1, '0');  // a string, for -Wrestrict as above
        for (char letter = 'A'; letter <= 'Z'; ++letter) disks[std::string{letter, ':'}] = kOwnDisk;
        if (const auto disk = SelectedDisk()) disks[disk->Drive] = disk->DiskNumber;
        return disks;
    }
    bool UsbZipChecked() override { return zip; }
    std::string DataDir() override { return dataDir; }
};

class RecordingTools : public ToolRunner {
  public:
    explicit RecordingTools(RecordingHost& host) : host_(host) {}

    // Decides each run's outcome from its command line; every run succeeds by default.
    std::function<ToolOutcome(const std::string& commandLine)> outcome;

    std::vector<std::string> applications;
    std::vector<std::string> commandLines;
    std::vector<std::string> toolBytes;  // the application file's content at the time of the run

    ToolOutcome Run(const std::string& application, const std::string& commandLine) override {
        host_.events.push_back("run " + commandLine);
        applications.push_back(application);
        commandLines.push_back(commandLine);
        toolBytes.push_back(platform::IsFile(application) ? zr::test::ReadFile(application) : "");
        return outcome ? outcome(commandLine) : ToolOutcome{};
    }

  private:
    RecordingHost& host_;
};

}  // namespace zr::bootdisk::test
