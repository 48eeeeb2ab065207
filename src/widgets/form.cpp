#include "widgets/form.h"

#include "widgets/accessible.h"
#include "widgets/application.h"
#include "widgets/placement.h"

namespace zr::widgets {

namespace {

// Windows 10 1703 and later ask a form moving onto a monitor of another DPI which size it will
// take there; the rectangle that WM_DPICHANGED then suggests has that size.
constexpr UINT kGetDpiScaledSize = 0x02E4;  // WM_GETDPISCALEDSIZE

}  // namespace

bool Form::PreTranslateMessage(MSG& msg) {
    return IsDialogMessageW(hwnd_, &msg) != FALSE;
}

void Form::RunModal(HWND owner) {
    // However the showing ends, the owner takes input again, and before the form hides, so
    // that the owner is the window that gets activated.
    struct OwnerDisabled {
        HWND owner;
        explicit OwnerDisabled(HWND window) : owner(window) { EnableWindow(owner, FALSE); }
        OwnerDisabled(const OwnerDisabled&) = delete;
        OwnerDisabled& operator=(const OwnerDisabled&) = delete;
        ~OwnerDisabled() { EnableWindow(owner, TRUE); }
    };
    CentreOver(owner);
    modal_ = true;
    {
        OwnerDisabled disabled(owner);
        ShowWindow(hwnd_, SW_SHOW);
        RestoreFocus();
        Application::Current().RunUntil([this] { return !modal_ || !hwnd_; });
    }
    modal_ = false;
    if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
}

void Form::SetClientSize(int width, int height) {
    client_ = {width, height};
    const SIZE frame = FrameSize(Dpi());
    SetSize(frame.cx, frame.cy);
}

SIZE Form::FrameSize(int dpi) const {
    RECT frame{0, 0, Scaled(client_.cx, dpi), Scaled(client_.cy, dpi)};
    AdjustForDpi(frame, static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_STYLE)),
                 static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_EXSTYLE)), dpi);
    return {frame.right - frame.left, frame.bottom - frame.top};
}

int Form::Dpi() {
    if (!dpi_) dpi_ = reportedDpi_ = DpiOf(hwnd_);
    return dpi_;
}

HFONT Form::FontFor(const std::string& face, int characterHeight) {
    return fonts_.Get(face, characterHeight, Dpi());
}

// Fonts first: a combo box given a font sets its heights anew, which its layout then corrects.
void Form::ApplyDpi(int dpi) {
    if (dpi == dpi_) return;
    dpi_ = dpi;
    for (HWND child = GetWindow(hwnd_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const auto font = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
        if (HFONT counterpart = font ? fonts_.Counterpart(font, dpi) : nullptr) {
            SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(counterpart), TRUE);
        }
        if (Window* object = WindowObject(child)) object->Rescale(dpi);
    }
    fonts_.KeepOnly(dpi);
    if (client_.cx || client_.cy) SetClientSize(client_.cx, client_.cy);
    OnDpiChanged(dpi);
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// Placed on a monitor of another DPI, the form takes that DPI's size and is centred again.
void Form::CentreOver(HWND owner) {
    const int before = Dpi();
    Centre(owner);
    if (Dpi() != before) Centre(owner);
}

void Form::Centre(HWND owner) {
    RECT area{};
    if (!owner || !GetWindowRect(owner, &area)) {
        area.left = GetSystemMetrics(SM_XVIRTUALSCREEN);
        area.top = GetSystemMetrics(SM_YVIRTUALSCREEN);
        area.right = area.left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
        area.bottom = area.top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
    }
    const int width = Width();
    const int height = Height();
    const int left = area.left + (area.right - area.left - width) / 2;
    const int top = area.top + (area.bottom - area.top - height) / 2;
    ScreenRect place{left, top, left + width, top + height};
    const RECT centred{left, top, left + width, top + height};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoW(MonitorFromRect(&centred, MONITOR_DEFAULTTONEAREST), &monitor)) {
        const RECT& work = monitor.rcWork;
        place = PlaceInWorkArea(place, {work.left, work.top, work.right, work.bottom});
    }
    SetWindowPos(hwnd_, nullptr, place.left, place.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::RestoreFocus() {
    if (lastFocus_ && IsWindow(lastFocus_) && IsChild(hwnd_, lastFocus_) &&
        IsWindowEnabled(lastFocus_) && IsWindowVisible(lastFocus_)) {
        SetFocus(lastFocus_);
    } else if (HWND first = GetNextDlgTabItem(hwnd_, nullptr, FALSE)) {
        SetFocus(first);
    }
}

LRESULT Form::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                if (HWND focus = GetFocus(); focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
            }
            break;
        case WM_SETFOCUS:
            RestoreFocus();
            return 0;
        case WM_NCCREATE:
            ScaleFrameWithDpi(hwnd_);
            break;
        case kGetDpiScaledSize:
            *reinterpret_cast<SIZE*>(lParam) = FrameSize(static_cast<int>(wParam));
            return TRUE;
        case WM_DPICHANGED: {
            ApplyDpi(HIWORD(wParam));
            const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top,
                         suggested.right - suggested.left, suggested.bottom - suggested.top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        case WM_WINDOWPOSCHANGED:
            // Windows does not always send WM_DPICHANGED to a form moved while hidden, or by
            // the program: a change in the DPI it reports for the form counts as one.
            if (const int reported = DpiOf(hwnd_); dpi_ && reported != reportedDpi_) {
                reportedDpi_ = reported;
                ApplyDpi(reported);
            }
            break;
        case WM_DESTROY:
            ClearAccessibleAnnotations(hwnd_);
            break;
    }
    return Default(message, wParam, lParam);
}

}  // namespace zr::widgets
