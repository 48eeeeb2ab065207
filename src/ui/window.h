#pragma once

// Thin wrappers over window handles. A Window only refers to its window (a parent destroys its
// children); a CustomWindow is a window of one of our own classes whose messages reach the
// object, and owns it.

#include <windows.h>

#include <string>

namespace zr::ui {

class Window {
public:
    HWND Handle() const { return hwnd_; }

    // Position in the parent's client area (or on the screen for a top-level window).
    void SetBounds(int left, int top, int width, int height);
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
};

// One of the system's own controls (combo box, radio button).
class StandardControl : public Window {
public:
    void Create(const wchar_t* className, HWND parent, int id, DWORD style, RECT bounds,
                const std::string& text = {}, DWORD exStyle = 0);
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
};

class CustomWindow : public Window {
public:
    CustomWindow() = default;
    CustomWindow(const CustomWindow&) = delete;
    CustomWindow& operator=(const CustomWindow&) = delete;
    virtual ~CustomWindow();

protected:
    struct Args {
        const wchar_t* className = nullptr;
        HWND parent = nullptr;  // for a top-level window: its owner
        int id = 0;
        DWORD style = 0;
        DWORD exStyle = 0;
        RECT bounds{};  // left, top, right, bottom
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

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
};

// Asks a parent to paint what lies beneath a child: wParam is a DC of the child's size,
// lParam the child. A parent that does not answer leaves the DC with the button face colour.
inline constexpr UINT kPaintBeneath = WM_APP + 0x100;

// The text of a window, by handle (UTF-8).
std::string WindowText(HWND hwnd);

}  // namespace zr::ui
