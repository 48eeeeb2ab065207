#include "widgets/window.h"

#include <set>

#include "platform/error.h"
#include "platform/platform.h"
#include "platform/win32/wide.h"
#include "widgets/application.h"
#include "widgets/dpi.h"

namespace zr::widgets {

using platform::win32::Narrow;
using platform::win32::Widen;

namespace {

constexpr UINT_PTR kControlSubclass = 0x5A52;  // "ZR"
// Marks a window as one that a Control made, and leads to the object.
constexpr wchar_t kControlProperty[] = L"ZiRuri.Control";

// A layout in pixels at the DPI of the parent, or of the owner for a top-level window.
RECT Laid(const RECT& design, HWND parent) {
    return ScaledRect(design, DpiOf(parent));
}

}  // namespace

void Window::Rescale(int dpi) {
    if (GetWindowLongW(hwnd_, GWL_STYLE) & WS_CHILD) SetBounds(ScaledRect(design_, dpi));
}

void Window::SetBounds(const RECT& bounds) {
    SetWindowPos(hwnd_, nullptr, bounds.left, bounds.top, bounds.right - bounds.left,
                 bounds.bottom - bounds.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

void Window::SetSize(int width, int height) {
    SetWindowPos(hwnd_, nullptr, 0, 0, width, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

RECT Window::Bounds() const {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    if (HWND parent = GetParent(hwnd_); parent && (GetWindowLongW(hwnd_, GWL_STYLE) & WS_CHILD)) {
        MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    }
    return r;
}

int Window::Width() const {
    const RECT r = Bounds();
    return r.right - r.left;
}

int Window::Height() const {
    const RECT r = Bounds();
    return r.bottom - r.top;
}

void Window::SetEnabled(bool enabled) {
    EnableWindow(hwnd_, enabled ? TRUE : FALSE);
}

bool Window::Enabled() const {
    return IsWindowEnabled(hwnd_) != FALSE;
}

void Window::SetVisible(bool visible) {
    ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
}

bool Window::Visible() const {
    return (GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Window::SetText(const std::string& text) {
    SetWindowTextW(hwnd_, Widen(text).c_str());
}

std::string Window::Text() const {
    return WindowText(hwnd_);
}

void Window::SetFont(HFONT font) {
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void Window::Invalidate() {
    InvalidateRect(hwnd_, nullptr, FALSE);
}

Window* WindowObject(HWND hwnd) {
    if (Control* control = Control::FromHandle(hwnd)) return control;
    return CustomWindow::FromHandle(hwnd);
}

std::string WindowText(HWND hwnd) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return Narrow(text);
}

// ---- CustomWindow ----

CustomWindow::~CustomWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
}

CustomWindow* CustomWindow::FromHandle(HWND hwnd) {
    if (!hwnd || GetClassLongPtrW(hwnd, GCLP_WNDPROC) !=
                     reinterpret_cast<ULONG_PTR>(&CustomWindow::WindowProc)) {
        return nullptr;
    }
    return reinterpret_cast<CustomWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

void CustomWindow::Create(const Args& args) {
    static std::set<std::wstring> registered;
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    if (registered.insert(args.className).second) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.style = args.classStyle;
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = args.classBrush;
        wc.lpszClassName = args.className;
        wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
        if (!RegisterClassExW(&wc)) {
            registered.erase(args.className);
            throw Error(platform::ErrorText(platform::LastErrorCode()));
        }
    }
    design_ = args.bounds;
    const RECT b = Laid(args.bounds, args.parent);
    const bool child = (args.style & WS_CHILD) != 0;
    HWND created = CreateWindowExW(
        args.exStyle, args.className, L"", args.style, b.left, b.top, b.right - b.left,
        b.bottom - b.top, args.parent,
        child ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(args.id)) : nullptr, instance, this);
    if (!created) throw Error(platform::ErrorText(platform::LastErrorCode()));
}

LRESULT CustomWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return Default(message, wParam, lParam);
}

LRESULT CustomWindow::Default(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void CustomWindow::PaintParentBackground(HDC dc) {
    RECT r{0, 0, Width(), Height()};
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    if (HWND parent = GetParent(hwnd_)) {
        SendMessageW(parent, kPaintBeneath, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(hwnd_));
    }
}

std::optional<LRESULT> CustomWindow::KeepFont(HFONT& font, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
    switch (message) {
        case WM_SETFONT:
            font = reinterpret_cast<HFONT>(wParam);
            if (lParam) Invalidate();
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(font);
    }
    return std::nullopt;
}

bool CustomWindow::Reflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_COMMAND && lParam) {
        Control* control = Control::FromHandle(reinterpret_cast<HWND>(lParam));
        if (!control) return false;
        control->OnCommand(HIWORD(wParam));
        result = 0;
        return true;
    }
    if (message == WM_NOTIFY) {
        const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
        Control* control = Control::FromHandle(header.hwndFrom);
        return control && control->OnNotify(header, result);
    }
    return false;
}

// The program's dispatch boundary: every message of our windows passes here, and an error
// that a handler lets out is shown by the general error handler instead of ending the program.
// What a control tells its parent goes back to the control first.
LRESULT CALLBACK CustomWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self =
            static_cast<CustomWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<CustomWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
    LRESULT result = 0;
    try {
        if (!Reflect(message, wParam, lParam, result)) {
            result = self->OnMessage(message, wParam, lParam);
        }
    } catch (...) {
        HandleException();
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->OnDestroyed();
    }
    return result;
}

// ---- Control ----

void Control::Create(const wchar_t* className, HWND parent, int id, DWORD style, const RECT& bounds,
                     const std::string& text, DWORD exStyle) {
    design_ = bounds;
    const RECT b = Laid(bounds, parent);
    hwnd_ = CreateWindowExW(exStyle, className, Widen(text).c_str(), WS_CHILD | style, b.left,
                            b.top, b.right - b.left, b.bottom - b.top, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                            GetModuleHandleW(nullptr), nullptr);
    if (!hwnd_) throw Error(platform::ErrorText(platform::LastErrorCode()));
    SetPropW(hwnd_, kControlProperty, this);
    SetWindowSubclass(hwnd_, Subclass, kControlSubclass, reinterpret_cast<DWORD_PTR>(this));
}

Control::~Control() {
    if (hwnd_) {
        RemoveWindowSubclass(hwnd_, Subclass, kControlSubclass);
        RemovePropW(hwnd_, kControlProperty);
    }
}

LRESULT Control::Send(UINT message, WPARAM wParam, LPARAM lParam) const {
    return SendMessageW(hwnd_, message, wParam, lParam);
}

Control* Control::FromHandle(HWND hwnd) {
    return hwnd ? static_cast<Control*>(GetPropW(hwnd, kControlProperty)) : nullptr;
}

LRESULT Control::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefSubclassProc(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK Control::Subclass(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                   DWORD_PTR self) {
    auto* control = reinterpret_cast<Control*>(self);
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, Subclass, kControlSubclass);
        RemovePropW(hwnd, kControlProperty);
        control->hwnd_ = nullptr;
        return DefSubclassProc(hwnd, message, wParam, lParam);
    }
    return control->OnMessage(message, wParam, lParam);
}

}  // namespace zr::widgets
