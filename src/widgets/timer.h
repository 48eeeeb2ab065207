#pragma once

// A window timer that can be switched off and on; switching it on starts a full interval.
// Its owner window passes WM_TIMER with the timer's id to Fire.

#include <windows.h>

#include <functional>

namespace zr::widgets {

class Timer {
  public:
    void Attach(HWND owner, UINT_PTR id, UINT intervalMs);
    ~Timer();

    void SetEnabled(bool enabled);
    bool Enabled() const { return enabled_; }
    UINT Interval() const { return interval_; }
    UINT_PTR Id() const { return id_; }

    void Fire() const;
    std::function<void()> onTimer;

  private:
    HWND owner_ = nullptr;
    UINT_PTR id_ = 0;
    UINT interval_ = 0;
    bool enabled_ = false;
};

}  // namespace zr::widgets
