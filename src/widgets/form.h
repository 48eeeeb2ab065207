#pragma once

// A top-level window of the program, main window or dialog: its client size, where it opens,
// which of its controls has the keyboard focus when it is activated again, and showing it
// modally on the application's one message loop.

#include "widgets/window.h"

namespace zr::widgets {

class Form : public CustomWindow {
  public:
    // Keyboard handling for the form and its controls before a message is dispatched: dialog
    // navigation (tab, arrow keys) unless a form says otherwise. True when it was handled.
    virtual bool PreTranslateMessage(MSG& msg);

    // Shows the form centred over owner and returns once EndModal is called, or the
    // application ends; the form is hidden again then. The owner takes no input meanwhile,
    // but its messages and timers go on: they pass through the same loop.
    void RunModal(HWND owner);
    void EndModal() { modal_ = false; }

  protected:
    // Sizes the window so that its client area is width x height, with its present style.
    void SetClientSize(int width, int height);
    // Centres the form over owner, or over the whole desktop without one, then moves it into
    // the work area of the monitor it lands on.
    void CentreOver(HWND owner);

    // The focus memory: the focused control is remembered when the form is deactivated and
    // gets the focus back when the form gets it (the first control in the tab order at first).
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void RestoreFocus();

  private:
    HWND lastFocus_ = nullptr;
    bool modal_ = false;
};

}  // namespace zr::widgets
