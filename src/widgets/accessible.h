#pragma once

// What screen readers (Narrator) say for a control: its name, and for a control of our own
// class what kind it is. Given through the system's annotation service, over the accessibility
// that Windows already gives every standard control, which keeps the rest of it (a list's
// items, an edit's text, the state). Nothing is reported when the service is missing: the
// program works on without it, as it always did.

#include <windows.h>

#include <string>

namespace zr::widgets {

void SetAccessibleName(HWND control, const std::string& name);
// role: ROLE_SYSTEM_PUSHBUTTON and the like (oleacc.h).
void SetAccessibleRole(HWND control, long role);

// Takes back what was said of window and of every control in it; for a window that goes.
void ClearAccessibleAnnotations(HWND window);

}  // namespace zr::widgets
