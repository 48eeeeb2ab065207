#pragma once

// The main window: a frameless 800 x 600 window over a background picture, moved by pressing
// on the picture, with the disk list, the three command buttons and the start page.

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "bootdisk/host.h"
#include "disk/disk_list.h"
#include "disk/refresh_gate.h"
#include "ui/operation_log.h"
#include "widgets/application.h"
#include "widgets/bitmap_button.h"
#include "widgets/controls.h"
#include "widgets/form.h"
#include "widgets/gdi.h"
#include "widgets/image_control.h"
#include "widgets/label.h"
#include "widgets/timer.h"
#include "widgets/web_browser.h"

namespace zr::ui {

// cbb_disk as the disk list rules see it.
class ComboDiskList : public disk::DiskList {
  public:
    explicit ComboDiskList(widgets::ComboBox& box) : box_(box) {}
    void Clear() override { box_.Clear(); }
    void Add(const std::string& entry) override { box_.Add(entry); }
    int Count() const override { return box_.Count(); }
    int SelectedIndex() const override { return box_.SelectedIndex(); }
    void Select(int index) override { box_.Select(index); }
    std::string Text() const override { return box_.SelectedText(); }

  private:
    widgets::ComboBox& box_;
};

class TfrmMain : public widgets::Form, public bootdisk::Host {
  public:
    explicit TfrmMain(widgets::Application& application);
    ~TfrmMain() override;

    // Creates the window and its controls, then runs FormCreate.
    void Create();
    // Shows the window; the first time, centred on the desktop (all monitors together), then
    // moved into the work area of the monitor it is on.
    void Show();

    // Busy while a make or restore command runs: the disk list, the command buttons and the
    // close button are disabled, the wait animation shows, the refresh timer stops.
    void SetBusy(bool Busy) override;
    bool Busy() const { return FBusy; }
    // The line under the wait caption: the step the tool runs now (UTF-8) and the time since
    // the first step of this busy stretch, counting every second; empty hides it. Shown only
    // while busy, and forgotten when the busy stretch ends.
    void ShowProgress(const std::string& step) override;

    // What the make and restore commands need of the window (bootdisk::Host).
    void ShowMessage(const std::string& text) override;
    bool ConfirmWarning(const std::string& text) override;
    void ProcessMessages() override;
    void Terminate() override;
    std::string SelectedDiskText() override;
    std::optional<disk::TUsbDiskInfo> SelectedDisk() override;
    std::vector<disk::TUsbDiskInfo> EnumerateUsbDisks() override;
    bool UsbZipChecked() override;
    std::string DataDir() override;
    std::optional<std::string> PinnedPackageDigest() override;
    std::map<std::string, std::string> DriveDisks() override;
    void Log(const std::string& line) override;

    // Keyboard handling before dispatch: the web view's own keys, then tab order.
    bool PreTranslateMessage(MSG& msg) override;

  protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnDpiChanged(int dpi) override;

  private:
    void CreateControls();
    // The keyboard's walk through the controls and the names screen readers say for them.
    void ArrangeForKeyboard();
    void BindEvents();
    void LoadDefaultBackground();
    void FitToBackground();
    void OpenStartPage();
    void LoadBackground();
    void LoadWaitAnimation();
    bool CloseQuery();
    void Close();
    void PaintBeneath(HDC dc, HWND child);
    LRESULT ControlColour(HDC dc, HWND control);

    void FormCreate();
    void FormShow();
    void FormCloseQuery(bool& CanClose);
    void tmrTimer();
    void ShowProgressLine();
    void img_backMouseDown();
    void btn_minClick();
    void btn_closeClick();
    void btn_configClick();
    void btn_makeClick();
    void btn_cleanClick();
    bool wbMainBeforeNavigate(const std::wstring& URL);
    void wbMainDocumentComplete(IDispatch* pDisp, const std::wstring& URL);
    void RefreshDiskList();
    void RefreshDiskListGuarded();
    void LogStart();

    widgets::Application& application_;
    ComboDiskList diskList_{cbb_disk};
    disk::RefreshGate refreshGate_;
    HFONT font_ = nullptr;  // both the form's own (FontFor)
    HFONT waitFont_ = nullptr;
    widgets::Brush backgroundBrush_;
    bool placed_ = false;

    widgets::ImageControl img_back;
    widgets::WebBrowser wbMain;
    widgets::BitmapButton btn_make;
    widgets::BitmapButton btn_config;
    widgets::BitmapButton btn_clean;
    widgets::BitmapButton btn_close;
    widgets::BitmapButton btn_min;
    widgets::Timer tmr;
    widgets::Timer tmrProgress;
    widgets::ComboBox cbb_disk;
    widgets::RadioButton rb_hdd;
    widgets::RadioButton rb_zip;
    widgets::ImageControl img_wait;
    widgets::Label lbl_wait;
    widgets::Label lbl_progress;

    bool FBusy = false;
    std::string FStep;
    std::chrono::steady_clock::time_point FStepsSince;
    std::string FHomePage;
    // The program's folder + "data\", fixed once when the window is created.
    std::string FDataDir;
    // The disks behind cbb_disk's entries, as the enumeration that wrote them found them, and
    // the entries as last logged.
    std::vector<disk::TUsbDiskInfo> FDisks;
    std::string FLoggedDisks;
    // ZiRuri.log beside the program; nowhere while that cannot be written.
    OperationLog log_;
};

}  // namespace zr::ui
