#include "widgets/dpi.h"

#include <algorithm>

#include "platform/win32/system_library.h"

namespace zr::widgets {

namespace {

using platform::win32::ExportOf;

HMODULE User32() {
    return GetModuleHandleW(L"user32.dll");
}

int SystemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kDesignDpi;
}

// Windows 8.1 knows each monitor's DPI only through shcore, which Windows 7 does not have.
int MonitorDpi(HWND window) {
    using GetDpiForMonitor = HRESULT WINAPI(HMONITOR, int, UINT*, UINT*);
    constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
    static const platform::win32::SystemLibrary shcore(L"shcore.dll");
    static auto* forMonitor = shcore.Find<GetDpiForMonitor>("GetDpiForMonitor");
    UINT x = 0, y = 0;
    if (!forMonitor || !window ||
        FAILED(forMonitor(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), kEffectiveDpi, &x,
                          &y)) ||
        y == 0) {
        return 0;
    }
    return static_cast<int>(y);
}

}  // namespace

int DpiOf(HWND window) {
    static auto* forWindow = ExportOf<UINT WINAPI(HWND)>(User32(), "GetDpiForWindow");
    if (forWindow) {
        const UINT dpi = window ? forWindow(window) : 0;
        return dpi ? static_cast<int>(dpi) : SystemDpi();
    }
    const int dpi = MonitorDpi(window);
    return dpi ? dpi : SystemDpi();
}

RECT ScaledRect(const RECT& design, int dpi) {
    const int left = Scaled(design.left, dpi);
    const int top = Scaled(design.top, dpi);
    return {left, top, left + Scaled(design.right - design.left, dpi),
            top + Scaled(design.bottom - design.top, dpi)};
}

void AdjustForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi) {
    using AdjustWindowRectExForDpi = BOOL WINAPI(RECT*, DWORD, BOOL, DWORD, UINT);
    static auto* forDpi = ExportOf<AdjustWindowRectExForDpi>(User32(), "AdjustWindowRectExForDpi");
    if (!forDpi || !forDpi(&rect, style, FALSE, exStyle, static_cast<UINT>(dpi))) {
        AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    }
}

void ScaleFrameWithDpi(HWND window) {
    static auto* enable = ExportOf<BOOL WINAPI(HWND)>(User32(), "EnableNonClientDpiScaling");
    if (enable) enable(window);
}

HFONT FontSet::Get(const std::string& face, int height, int dpi) {
    for (const Entry& entry : entries_) {
        if (entry.face == face && entry.height == height && entry.dpi == dpi) {
            return entry.font.get();
        }
    }
    entries_.push_back({face, height, dpi, MakeFont(face, Scaled(height, dpi))});
    return entries_.back().font.get();
}

HFONT FontSet::Counterpart(HFONT font, int dpi) {
    for (const Entry& entry : entries_) {
        if (entry.font.get() == font) {
            // Copies: Get may move the entries.
            const std::string face = entry.face;
            const int height = entry.height;
            return Get(face, height, dpi);
        }
    }
    return nullptr;
}

void FontSet::KeepOnly(int dpi) {
    std::erase_if(entries_, [dpi](const Entry& entry) { return entry.dpi != dpi; });
}

}  // namespace zr::widgets
