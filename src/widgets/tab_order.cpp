#include "widgets/tab_order.h"

namespace zr::widgets {

namespace {

void SetGroupStart(HWND control, bool starts) {
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    const LONG wanted = starts ? style | WS_GROUP : style & ~WS_GROUP;
    if (wanted != style) SetWindowLongW(control, GWL_STYLE, wanted);
}

}  // namespace

void SetTabOrder(std::initializer_list<TabGroup> groups) {
    HWND previous = HWND_TOP;
    for (const TabGroup& group : groups) {
        bool first = true;
        for (const Window* control : group) {
            SetGroupStart(control->Handle(), first);
            first = false;
            SetWindowPos(control->Handle(), previous, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
            previous = control->Handle();
        }
    }
    if (previous == HWND_TOP) return;
    if (HWND after = GetWindow(previous, GW_HWNDNEXT)) SetGroupStart(after, true);
}

}  // namespace zr::widgets
