#pragma once

// A top-level window of the program, main window or dialog: its client size, where it opens,
// which of its controls has the keyboard focus when it is activated again, showing it modally
// on the application's one message loop, and its layout at its monitor's DPI.

#include <string>

#include "widgets/dpi.h"
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
    // Sizes the window so that its client area is width x height 96-DPI units, with its
    // present style; the size is kept for the form's layout at another DPI.
    void SetClientSize(int width, int height);
    // Centres the form over owner, or over the whole desktop without one, then moves it into
    // the work area of the monitor it lands on.
    void CentreOver(HWND owner);

    // The DPI the form is laid out at.
    int Dpi();
    // A font for the form's controls, by face and character height in 96-DPI pixels, made for
    // the form's DPI. The form owns it; at another DPI each control gets its counterpart.
    HFONT FontFor(const std::string& face, int characterHeight);
    // After the controls and the form's size have been laid out at a new DPI: what else of the
    // form depends on it.
    virtual void OnDpiChanged(int) {}

    // The focus memory: the focused control is remembered when the form is deactivated and
    // gets the focus back when the form gets it (the first control in the tab order at first).
    // The DPI: a form moved onto a monitor of another DPI takes the size Windows suggests and
    // lays its controls out again.
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void RestoreFocus();

  private:
    void Centre(HWND owner);
    SIZE FrameSize(int dpi) const;
    void ApplyDpi(int dpi);

    HWND lastFocus_ = nullptr;
    bool modal_ = false;
    int dpi_ = 0;          // laid out at
    int reportedDpi_ = 0;  // as Windows last said
    SIZE client_{};        // 96-DPI units
    FontSet fonts_;
};

}  // namespace zr::widgets
