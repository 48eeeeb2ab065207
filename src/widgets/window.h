#pragma once

// Thin wrappers over window handles. A Window only refers to its window (a parent destroys its
// children). A CustomWindow is a window of one of our own classes whose messages reach the
// object, and owns it. A Control is one of the system's controls, which the object follows for
// as long as the window lives. A child is created from a RECT in 96-DPI units (scale.h), which
// it keeps: its form lays it out again from it when the DPI changes.

#include <windows.h>

#include <commctrl.h>

#include <optional>
#include <string>

namespace zr::widgets {

class Window {
  public:
    virtual ~Window() = default;

    HWND Handle() const { return hwnd_; }

    // Where the window lies in its parent, in 96-DPI units, and its size in them.
    const RECT& Design() const { return design_; }
    int DesignWidth() const { return design_.right - design_.left; }
    int DesignHeight() const { return design_.bottom - design_.top; }
    // Lays the window out at dpi: its place, and whatever else of it has a size.
    virtual void Rescale(int dpi);

    // Position in pixels in the parent's client area (or on the screen for a top-level window).
    void SetBounds(const RECT& bounds);
    void SetSize(int width, int height);
    RECT Bounds() const;
    int Width() const;
    int Height() const;

    void SetEnabled(bool enabled);
    bool Enabled() const;
    void SetVisible(bool visible);
    bool Visible() const;

    void SetText(const std::string& text);
    std::string Text() const;
    void SetFont(HFONT font);
    void Invalidate();

  protected:
    HWND hwnd_ = nullptr;
    RECT design_{};
};

class CustomWindow : public Window {
  public:
    CustomWindow() = default;
    CustomWindow(const CustomWindow&) = delete;
    CustomWindow& operator=(const CustomWindow&) = delete;
    ~CustomWindow() override;

    // The object behind a window of one of our classes; null for any other window.
    static CustomWindow* FromHandle(HWND hwnd);

  protected:
    struct Args {
        const wchar_t* className = nullptr;
        HWND parent = nullptr;  // for a top-level window: its owner
        int id = 0;
        DWORD style = 0;
        DWORD exStyle = 0;
        RECT bounds{};  // left, top, right, bottom; 96-DPI units at the parent's (owner's) DPI
        UINT classStyle = 0;
        HBRUSH classBrush = nullptr;
    };
    // Registers the class on first use and creates the window; throws zr::Error on failure.
    void Create(const Args& args);

    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

    // Called when the window is gone (WM_NCDESTROY), after which Handle() is null.
    virtual void OnDestroyed() {}

    // Fills dc (the size of this window) with what lies beneath this window in its parent,
    // so a control with transparent parts can be drawn over it.
    void PaintParentBackground(HDC dc);

    // WM_SETFONT and WM_GETFONT for a window that draws its own text with font (which it
    // owns no more than a system control does); nothing for any other message.
    std::optional<LRESULT> KeepFont(HFONT& font, UINT message, WPARAM wParam, LPARAM lParam);

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // Hands WM_COMMAND and WM_NOTIFY to the control they are about; false when none takes them.
    static bool Reflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
};

// One of the system's controls (button, edit, static text, combo box, list view), created from
// one RECT in its parent's client area. What the control tells its parent through WM_COMMAND
// and WM_NOTIFY comes back to the control object (every CustomWindow reflects it), which calls
// its own callbacks: a window binds events by setting them, never by comparing handles.
class Control : public Window {
  public:
    Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    // A control object that goes before its window lets go of it; the parent destroys it.
    ~Control() override;

    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

    // The control object of a window, when the window is one that a Control created.
    static Control* FromHandle(HWND hwnd);

  protected:
    // bounds are in 96-DPI units; throws zr::Error when the window cannot be made.
    void Create(const wchar_t* className, HWND parent, int id, DWORD style, const RECT& bounds,
                const std::string& text = {}, DWORD exStyle = 0);

    // The notification code of a WM_COMMAND about this control.
    virtual void OnCommand(WORD) {}
    // A WM_NOTIFY about this control; true when it was handled, with the answer in result.
    virtual bool OnNotify(const NMHDR&, LRESULT&) { return false; }
    // The control's own messages, before its window procedure sees them.
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

  private:
    friend class CustomWindow;
    static LRESULT CALLBACK Subclass(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR id, DWORD_PTR self);
};

// Asks a parent to paint what lies beneath a child: wParam is a DC of the child's size,
// lParam the child. A parent that does not answer leaves the DC with the button face colour.
inline constexpr UINT kPaintBeneath = WM_APP + 0x100;

// The text of a window, by handle (UTF-8).
std::string WindowText(HWND hwnd);

// The object behind a window that a Control or a CustomWindow made; null for any other.
Window* WindowObject(HWND hwnd);

// left, top, width, height as the RECT that every control is created from (96-DPI units).
constexpr RECT Place(int left, int top, int width, int height) {
    return {left, top, left + width, top + height};
}

}  // namespace zr::widgets
