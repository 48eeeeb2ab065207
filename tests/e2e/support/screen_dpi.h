#pragma once

// The DPI that Wine tells the programs it starts: HKCU\Control Panel\Desktop LogPixels, read by
// each program when it starts (absent: 96). Wine has one DPI for every monitor and counts every
// program as per-monitor aware, so a program shown larger is one that scales itself.

#include <windows.h>

#include <optional>

namespace zr::e2e {

class ScreenDpi {
  public:
    // Programs started from now on get dpi; the value that was there comes back at the end.
    explicit ScreenDpi(int dpi);
    ScreenDpi(const ScreenDpi&) = delete;
    ScreenDpi& operator=(const ScreenDpi&) = delete;
    ~ScreenDpi();

  private:
    std::optional<DWORD> before_;
};

// value * dpi / 96 as Windows rounds it.
inline int AtDpi(int value, int dpi) {
    return MulDiv(value, dpi, 96);
}

// A rectangle of 96-DPI units (left, top, width, height each scaled).
inline RECT AtDpi(const RECT& design, int dpi) {
    const int left = AtDpi(design.left, dpi);
    const int top = AtDpi(design.top, dpi);
    return {left, top, left + AtDpi(design.right - design.left, dpi),
            top + AtDpi(design.bottom - design.top, dpi)};
}

}  // namespace zr::e2e
