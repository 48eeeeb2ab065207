#include "widgets/form.h"

#include "widgets/application.h"
#include "widgets/placement.h"

namespace zr::widgets {

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
    RECT frame{0, 0, width, height};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_EXSTYLE)));
    SetSize(frame.right - frame.left, frame.bottom - frame.top);
}

void Form::CentreOver(HWND owner) {
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
    }
    return Default(message, wParam, lParam);
}

}  // namespace zr::widgets
