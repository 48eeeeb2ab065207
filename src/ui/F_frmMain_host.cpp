// What the make and restore commands need of the main window: its busy state and progress line,
// its questions and messages, the disk chosen and the disks found, the data folder, the package
// digest and the log.

#include <windows.h>

#include "bootdisk/progress.h"
#include "disk/win32/wmi_locator.h"
#include "package/package_pin.h"
#include "platform/win32/wide.h"
#include "ui/F_frmMain.h"
#include "widgets/application.h"

namespace zr::ui {

void TfrmMain::SetBusy(bool Busy) {
    FBusy = Busy;
    cbb_disk.SetEnabled(!Busy);
    btn_make.SetEnabled(!Busy);
    btn_config.SetEnabled(!Busy);
    btn_clean.SetEnabled(!Busy);
    btn_close.SetEnabled(!Busy);
    img_wait.SetVisible(Busy);
    lbl_wait.SetVisible(Busy);
    if (!Busy) FStep.clear();
    ShowProgressLine();
    tmr.SetEnabled(!Busy);
}

void TfrmMain::ShowProgress(const std::string& step) {
    if (FStep.empty()) FStepsSince = std::chrono::steady_clock::now();
    FStep = step;
    Log("step: " + step);
    ShowProgressLine();
}

void TfrmMain::ShowProgressLine() {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
                             std::chrono::steady_clock::now() - FStepsSince)
                             .count();
    lbl_progress.SetCaption(FStep.empty() ? std::string() : bootdisk::ProgressLine(FStep, seconds));
    lbl_progress.SetVisible(FBusy && !FStep.empty());
    tmrProgress.SetEnabled(FBusy && !FStep.empty());
}

void TfrmMain::ShowMessage(const std::string& text) {
    widgets::ShowMessage(text);
}

bool TfrmMain::ConfirmWarning(const std::string& text) {
    Log("question: " + text);
    return MessageBoxW(hwnd_, platform::win32::Widen(text).c_str(), L"警告",
                       MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

void TfrmMain::ProcessMessages() {
    application_.ProcessMessages();
}

void TfrmMain::Terminate() {
    application_.Terminate();
}

std::string TfrmMain::SelectedDiskText() {
    return cbb_disk.Text();
}

bool TfrmMain::UsbZipChecked() {
    return rb_zip.Checked();
}

std::optional<disk::TUsbDiskInfo> TfrmMain::SelectedDisk() {
    const int index = cbb_disk.SelectedIndex();
    if (index < 0 || static_cast<size_t>(index) >= FDisks.size()) return std::nullopt;
    return FDisks[static_cast<size_t>(index)];
}

// Asked while the window is busy, right before the tool's first run: the window answers
// between the associations, as WMI takes a while.
std::vector<disk::TUsbDiskInfo> TfrmMain::EnumerateUsbDisks() {
    return disk::EnumerateUsbDisks(disk::win32::CreateWmiLocator, disk::VolumeTotalSize,
                                   [this] { ProcessMessages(); });
}

std::string TfrmMain::DataDir() {
    return FDataDir;
}

std::optional<std::string> TfrmMain::PinnedPackageDigest() {
    return zr::PinnedPackageDigest();
}

std::map<std::string, std::string> TfrmMain::DriveDisks() {
    return disk::EnumerateDriveDisks(disk::win32::CreateWmiLocator);
}

void TfrmMain::Log(const std::string& line) {
    log_.Write(line);
}

}  // namespace zr::ui
