#include "widgets/timer.h"

namespace zr::widgets {

void Timer::Attach(HWND owner, UINT_PTR id, UINT intervalMs) {
    owner_ = owner;
    id_ = id;
    interval_ = intervalMs;
}

Timer::~Timer() {
    if (enabled_ && IsWindow(owner_)) KillTimer(owner_, id_);
}

void Timer::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (enabled) {
        SetTimer(owner_, id_, interval_, nullptr);
    } else {
        KillTimer(owner_, id_);
    }
}

void Timer::Fire() const {
    if (enabled_ && onTimer) onTimer();
}

}  // namespace zr::widgets
