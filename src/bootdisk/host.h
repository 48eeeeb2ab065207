#pragma once

// What the make and restore commands need of the main window. TfrmMain implements it; tests
// use a recording fake. All texts are UTF-8.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "disk/usb_disks.h"

namespace zr::bootdisk {

class Host {
  public:
    virtual ~Host() = default;

    // A plain message box: the application title "ZiRuri" as caption, the text, one OK button.
    virtual void ShowMessage(const std::string& text) = 0;
    // The yes/no question owned by the main window, caption "警告", warning icon, No as the
    // default button. True only for Yes.
    virtual bool ConfirmWarning(const std::string& text) = 0;
    // SetBusy of the main window.
    virtual void SetBusy(bool busy) = 0;
    // The step the tool runs now, for the line under the wait caption ("第 3/8 步：…"); the
    // window adds the time since the first step of this busy stretch.
    virtual void ShowProgress(const std::string& step) = 0;
    // Processes all pending window messages of the thread once.
    virtual void ProcessMessages() = 0;
    // Asks the application to end once control is back in its message loop.
    virtual void Terminate() = 0;

    // The text of cbb_disk.
    virtual std::string SelectedDiskText() = 0;
    // The disk behind the selected entry, as the enumeration that wrote the list found it;
    // nothing for the no-disk entry.
    virtual std::optional<disk::TUsbDiskInfo> SelectedDisk() = 0;
    // The USB volumes as they are now. Throws zr::Error when they cannot be enumerated.
    virtual std::vector<disk::TUsbDiskInfo> EnumerateUsbDisks() = 0;
    // Whether rb_zip ("USB-ZIP") is checked.
    virtual bool UsbZipChecked() = 0;
    // The data folder, with its trailing backslash.
    virtual std::string DataDir() = 0;
    // The digest of Data.Kp that the program carries (64 lowercase hex digits); nothing in a
    // development build, whose package is not checked.
    virtual std::optional<std::string> PinnedPackageDigest() = 0;
    // The physical disk of every lettered volume ("C:" -> "0"), as WMI knows them. Throws
    // zr::Error when they cannot be enumerated.
    virtual std::map<std::string, std::string> DriveDisks() = 0;

    // One line of the operation log; a log that cannot be written never stops a command.
    virtual void Log(const std::string& line) = 0;
};

}  // namespace zr::bootdisk
