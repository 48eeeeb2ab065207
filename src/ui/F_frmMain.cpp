#include "ui/F_frmMain.h"

#include "bootdisk/commands.h"
#include "bootitems/win32/F_frmConfig.h"
#include "imaging/picture.h"
#include "platform/error.h"
#include "platform/platform.h"
#include "platform/win32/automation_win32.h"
#include "platform/win32/system_library.h"
#include "platform/win32/wide.h"
#include "ui/answer_within.h"
#include "ui/control_ids.h"
#include "ui/home_page.h"
#include "ui/resources.h"
#include "ui/start_page.h"
#include "widgets/art.h"
#include "widgets/scale.h"

namespace zr::ui {

namespace {

using widgets::BitmapButton;
using widgets::Place;

constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT kRefreshIntervalMs = 2000;
constexpr UINT_PTR kProgressTimer = 2;
constexpr DWORD kStyle = WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;

constexpr char kFontFace[] = "新宋体";
constexpr char kWaitCaption[] = "正在制作U盘启动系统，请等待...";
constexpr char kBusyCloseRefused[] = "正在制作中，请不要退出本程序！";

// A check with no answer by then counts as a no: the window must not wait for a host that
// drops packets.
constexpr std::chrono::seconds kReachabilityDeadline{3};

// WinInet is loaded only here, and only from System32: the program runs as administrator, and
// WinInet is not among the DLLs that Windows always takes from there. Runs on a thread of its
// own, which keeps the DLL loaded for as long as it waits.
bool HomePageReachable() {
    using CheckConnection = BOOL WINAPI(LPCSTR, DWORD, DWORD);
    constexpr DWORD kForceConnection = 1;  // FLAG_ICC_FORCE_CONNECTION
    const platform::win32::SystemLibrary wininet(L"wininet.dll");
    auto* check = wininet.Find<CheckConnection>("InternetCheckConnectionA");
    return check && check(kHomePage, kForceConnection, 0) != FALSE;
}

std::string ReadWholeFile(const std::string& path) {
    auto file = platform::File::Open(path, platform::File::Access::ReadShared);
    if (!file.IsOpen()) throw Error(file.ErrorText());
    std::string bytes(static_cast<size_t>(file.Size()), '\0');
    bytes.resize(file.Read(bytes.data(), bytes.size()));
    return bytes;
}

static_assert(ZR_ART_ID(0, 1) == widgets::kArtIdStride, "the art's ids as the widgets read them");

}  // namespace

TfrmMain::TfrmMain(widgets::Application& application)
    : application_(application), log_(platform::ProgramFolder() + "ZiRuri.log") {
    application_.onMessageShown = [this](const std::string& text) { Log("message: " + text); };
}

TfrmMain::~TfrmMain() {
    if (hwnd_) DestroyWindow(hwnd_);
}

void TfrmMain::Create() {
    CustomWindow::Create({.className = ids::kMainWindowClass,
                          .parent = application_.Handle(),
                          .style = kStyle,
                          .exStyle = kExStyle,
                          .bounds = {0, 0, 800, 600},
                          .classBrush = GetSysColorBrush(COLOR_BTNFACE)});
    application_.SetMainWindow(hwnd_);
}

// The controls are created top of the z-order first, which leaves the painted layers (the
// captions, the wait image, the background) at the bottom, the background lowest. The tab
// order is set apart (ArrangeForKeyboard).
void TfrmMain::CreateControls() {
    font_ = FontFor(kFontFace, 12);
    waitFont_ = FontFor(kFontFace, 14);

    wbMain.Create(hwnd_, ids::wbMain, Place(38, 112, 723, 338));
    btn_make.Create(hwnd_, ids::btn_make, Place(176, 508, 135, 30),
                    {IDB_MAKE_NORMAL, IDB_MAKE_HOT, IDB_MAKE_DISABLED}, "一键制成USB启动盘", font_);
    btn_config.Create(hwnd_, ids::btn_config, Place(332, 508, 135, 30),
                      {IDB_CONFIG_NORMAL, IDB_CONFIG_HOT, IDB_CONFIG_DISABLED}, "U盘启动项配置",
                      font_);
    btn_clean.Create(hwnd_, ids::btn_clean, Place(488, 508, 135, 30),
                     {IDB_CLEAN_NORMAL, IDB_CLEAN_HOT, IDB_CLEAN_DISABLED}, "归还U盘空间", font_);
    btn_close.Create(hwnd_, ids::btn_close, Place(767, 4, 29, 29),
                     {IDB_CLOSE_NORMAL, IDB_CLOSE_HOT, IDB_CLOSE_DISABLED}, "", font_);
    btn_min.Create(hwnd_, ids::btn_min, Place(737, 4, 28, 29), {IDB_MIN_NORMAL, IDB_MIN_HOT, 0}, "",
                   font_);
    cbb_disk.Create(hwnd_, ids::cbb_disk, Place(189, 480, 425, 20), 12, font_);
    cbb_disk.Add(std::string(disk::kNoDiskEntry));
    cbb_disk.Select(0);
    rb_hdd.Create(hwnd_, ids::rb_hdd, Place(624, 472, 73, 17), "USB-HDD", true, font_);
    rb_zip.Create(hwnd_, ids::rb_zip, Place(624, 488, 73, 17), "USB-ZIP", false, font_);
    rb_hdd.SetChecked(true);
    lbl_wait.Create(hwnd_, ids::lbl_wait, Place(296, 546, 210, 14), kWaitCaption, waitFont_,
                    RGB(255, 255, 255));
    lbl_progress.Create(hwnd_, ids::lbl_progress, Place(296, 561, 440, 14), "", font_,
                        RGB(255, 255, 255));
    lbl_progress.SetVisible(false);
    img_wait.Create(hwnd_, ids::img_wait, Place(264, 544, 25, 17));
    img_back.Create(hwnd_, ids::img_back, Place(0, 0, 800, 600));
    LoadDefaultBackground();

    tmr.Attach(hwnd_, kRefreshTimer, kRefreshIntervalMs);
    tmrProgress.Attach(hwnd_, kProgressTimer, 1000);
    tmr.SetEnabled(true);
}

void TfrmMain::BindEvents() {
    tmr.onTimer = [this] { tmrTimer(); };
    img_back.onMouseDown = [this] { img_backMouseDown(); };
    btn_make.onClick = [this] { btn_makeClick(); };
    btn_config.onClick = [this] { btn_configClick(); };
    btn_clean.onClick = [this] { btn_cleanClick(); };
    btn_close.onClick = [this] { btn_closeClick(); };
    btn_min.onClick = [this] { btn_minClick(); };
    wbMain.onDocumentComplete = [this](IDispatch* pDisp, const std::wstring& URL) {
        wbMainDocumentComplete(pDisp, URL);
    };
    wbMain.onBeforeNavigate = [this](const std::wstring& URL) { return wbMainBeforeNavigate(URL); };
}

void TfrmMain::LoadDefaultBackground() {
    img_back.SetArt(IDR_DEFAULT_BACKGROUND);
    FitToBackground();
}

// The window's client area is the background picture's size.
void TfrmMain::FitToBackground() {
    SetClientSize(img_back.DesignWidth(), img_back.DesignHeight());
    backgroundBrush_.reset(CreatePatternBrush(img_back.CurrentBitmap()));
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

// The controls and the window's size are laid out already; the brush beneath the radio buttons
// is the background as now drawn, and the page fills its view at the new scale.
void TfrmMain::OnDpiChanged(int dpi) {
    backgroundBrush_.reset(CreatePatternBrush(img_back.CurrentBitmap()));
    wbMain.SetZoom(widgets::Scaled(100, dpi));
}

void TfrmMain::FormCreate() {
    FBusy = false;
    FDataDir = platform::ProgramFolder() + "data\\";
    LogStart();
    OpenStartPage();
    LoadBackground();
    LoadWaitAnimation();
    SetBusy(false);
}

void TfrmMain::OpenStartPage() {
    FHomePage = ChooseStartPage(AnswerWithin(HomePageReachable, kReachabilityDeadline), kHomePage,
                                DataDir());
    wbMain.Navigate(FHomePage);
}

// A picture that exists but cannot be read or decoded is not caught here: the general error
// handler reports it, and the steps after this one do not run.
void TfrmMain::LoadBackground() {
    const std::string path = DataDir() + "Res\\main.jpg";
    if (!platform::IsFile(path)) return;
    img_back.SetPicture(imaging::DecodeJpeg(ReadWholeFile(path)));
    FitToBackground();
}

void TfrmMain::LoadWaitAnimation() {
    const std::string path = DataDir() + "Res\\wait.gif";
    if (!platform::IsFile(path)) return;
    try {
        img_wait.SetAnimation(imaging::DecodeGif(ReadWholeFile(path)));
    } catch (...) {
        // Without its animation the wait caption still says what is going on; a broken
        // picture is not worth a message.
    }
}

void TfrmMain::Show() {
    // Centred on the desktop, all monitors together, the window could straddle two of them or
    // overhang a work area smaller than itself (a high scaling, to a program that is not DPI
    // aware): it goes onto the work area of the monitor it is mostly on.
    if (!placed_) {
        placed_ = true;
        CentreOver(nullptr);
    }
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    UpdateWindow(hwnd_);
}

void TfrmMain::FormShow() {
    RefreshDiskListGuarded();
}

void TfrmMain::tmrTimer() {
    RefreshDiskListGuarded();
}

// A failed refresh is shown like any other error, but while its message is up the timer's
// next refreshes wait instead of stacking messages on it.
void TfrmMain::RefreshDiskListGuarded() {
    refreshGate_.Run([this] { RefreshDiskList(); },
                     [](const std::exception& error) { widgets::ShowMessage(error.what()); });
}

void TfrmMain::FormCloseQuery(bool& CanClose) {
    if (FBusy) {
        widgets::ShowMessage(kBusyCloseRefused);
        CanClose = false;
    }
}

bool TfrmMain::CloseQuery() {
    bool CanClose = true;
    FormCloseQuery(CanClose);
    return CanClose;
}

void TfrmMain::Close() {
    if (CloseQuery()) DestroyWindow(hwnd_);
}

void TfrmMain::img_backMouseDown() {
    ReleaseCapture();
    SendMessageW(hwnd_, WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

void TfrmMain::btn_minClick() {
    application_.Minimize();
}

void TfrmMain::btn_closeClick() {
    Close();
}

void TfrmMain::btn_configClick() {
    bootitems::TfrmConfig frmConfig(hwnd_, DataDir());
    frmConfig.ShowModal();
}

void TfrmMain::btn_makeClick() {
    bootdisk::MakeBootDisk(*this);
}

void TfrmMain::btn_cleanClick() {
    bootdisk::RestoreDisk(*this);
}

bool TfrmMain::wbMainBeforeNavigate(const std::wstring& URL) {
    return NavigationAllowed(platform::win32::Narrow(URL), kHomePage, LocalStartPage(DataDir()));
}

void TfrmMain::wbMainDocumentComplete(IDispatch*, const std::wstring&) {
    // Always the top-level browser, even when a frame completed: its body is the one that
    // must sit flush in the window.
    if (auto browser = automation::win32::WrapDispatch(wbMain.Application())) {
        StyleStartPage(*browser);
    }
    wbMain.SetZoom(widgets::Scaled(100, Dpi()));
}

bool TfrmMain::PreTranslateMessage(MSG& msg) {
    if (!hwnd_) return false;
    if (wbMain.TranslateAccelerator(msg)) return true;
    return IsDialogMessageW(hwnd_, &msg) != FALSE;
}

void TfrmMain::PaintBeneath(HDC dc, HWND child) {
    RECT place{};
    GetWindowRect(child, &place);
    MapWindowPoints(HWND_DESKTOP, hwnd_, reinterpret_cast<POINT*>(&place), 2);
    POINT origin{};
    OffsetViewportOrgEx(dc, -place.left, -place.top, &origin);
    for (widgets::Layer* layer :
         {static_cast<widgets::Layer*>(&img_back), static_cast<widgets::Layer*>(&img_wait),
          static_cast<widgets::Layer*>(&lbl_progress), static_cast<widgets::Layer*>(&lbl_wait)}) {
        if (layer->Handle() == child) break;
        if (!layer->Handle() || !layer->Visible()) continue;
        const RECT bounds = layer->Bounds();
        layer->PaintAt(dc, bounds.left, bounds.top);
    }
    SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
}

// The radio buttons have no background of their own: they show the picture beneath them.
LRESULT TfrmMain::ControlColour(HDC dc, HWND control) {
    if ((control != rb_hdd.Handle() && control != rb_zip.Handle()) || !backgroundBrush_) {
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    RECT place{};
    GetWindowRect(control, &place);
    MapWindowPoints(HWND_DESKTOP, hwnd_, reinterpret_cast<POINT*>(&place), 2);
    SetBrushOrgEx(dc, -place.left, -place.top, nullptr);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    return reinterpret_cast<LRESULT>(backgroundBrush_.get());
}

LRESULT TfrmMain::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            CreateControls();
            ArrangeForKeyboard();
            BindEvents();
            FormCreate();
            return 0;
        case WM_SHOWWINDOW:
            // Shown by the program itself, not brought back along with the taskbar button.
            if (wParam && lParam == 0) FormShow();
            break;
        case WM_TIMER:
            if (wParam == tmr.Id()) {
                tmr.Fire();
                return 0;
            }
            if (wParam == tmrProgress.Id()) {
                ShowProgressLine();
                return 0;
            }
            break;
        case WM_CLOSE:
            Close();
            return 0;
        case WM_QUERYENDSESSION:
            return CloseQuery() ? TRUE : FALSE;
        case WM_DESTROY:
            Log("end");
            application_.Terminate();
            break;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_MINIMIZE) {
                application_.Minimize();
                return 0;
            }
            break;
        case WM_COMMAND:
            return 0;
        case widgets::kPaintBeneath:
            PaintBeneath(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
            return 0;
        case WM_PRINTCLIENT: {
            RECT client{};
            GetClientRect(hwnd_, &client);
            FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_BTNFACE));
            PaintBeneath(reinterpret_cast<HDC>(wParam), hwnd_);
            return 0;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            return ControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    }
    return Form::OnMessage(message, wParam, lParam);
}

}  // namespace zr::ui
