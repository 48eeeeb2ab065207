#pragma once

// The application object: its title, the thread's one message loop, and the small hidden window
// that carries the title on the taskbar (the main window itself is frameless and has no
// caption).

#include <windows.h>

#include <functional>
#include <string>

namespace zr::widgets {

// The application title: the taskbar button's text and every plain message box's caption.
inline constexpr char kApplicationTitle[] = "ZiRuri";

// Posted to the application window (class "TApplication") by a second start of the program:
// the first one comes forward (see Application::BringForward).
inline constexpr UINT kBringForwardMessage = WM_APP + 0x51;

// A plain message box: the text, one OK button, the application title as caption, centred on
// the screen. It blocks the windows of this thread until it is answered.
void ShowMessage(const std::string& text);

// The general error handler. Call it inside a catch block: it shows the error's text as a
// plain message box, and the program goes on.
void HandleException() noexcept;

class Application {
  public:
    Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;
    ~Application();

    // The one application object of the program (of the thread's windows); it must exist.
    static Application& Current();

    // The window whose closing ends the program; its taskbar button is this object's.
    void SetMainWindow(HWND window);

    // Runs the message loop until Terminate or the main window's end.
    int Run();
    // Runs the same loop, nested, until done() holds; false when the application is ending,
    // which ends the loops outside it too.
    bool RunUntil(const std::function<bool()>& done);
    // Handles every message already waiting, then returns.
    void ProcessMessages();
    // The loop ends once control is back in it.
    void Terminate();
    bool Terminated() const { return terminated_; }

    // Minimises the whole application to its taskbar button.
    void Minimize();
    // Restores the application if it is minimised and activates the window the user has to
    // deal with: the main window, or the dialog or message box it waits on.
    void BringForward();

    HWND Handle() const { return hwnd_; }

    // Told the text of every plain message box the program shows, the general error handler's
    // included.
    std::function<void(const std::string& text)> onMessageShown;

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Restore();
    bool Dispatch(MSG& msg);

    HWND hwnd_ = nullptr;
    HWND mainWindow_ = nullptr;
    bool terminated_ = false;
};

}  // namespace zr::widgets
