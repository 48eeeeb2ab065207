#include "widgets/application.h"

#include <exception>

#include "platform/error.h"
#include "platform/platform.h"
#include "platform/win32/wide.h"
#include "widgets/form.h"

namespace zr::widgets {

using platform::win32::Widen;

namespace {

constexpr wchar_t kApplicationClass[] = L"TApplication";

// The program has one application object, as it has one user-interface thread; a modal form
// runs its loop.
Application* gCurrent = nullptr;

// A message for a form goes through the form's keyboard handling (dialog navigation, its web
// view's keys) before it is dispatched.
bool PreTranslate(MSG& msg) {
    if (!msg.hwnd) return false;
    Form* form = dynamic_cast<Form*>(CustomWindow::FromHandle(GetAncestor(msg.hwnd, GA_ROOT)));
    return form && form->PreTranslateMessage(msg);
}

}  // namespace

void ShowMessage(const std::string& text) {
    if (gCurrent && gCurrent->onMessageShown) gCurrent->onMessageShown(text);
    // No owner and task-modal: centred on the screen, and every window of the program waits.
    MessageBoxW(nullptr, Widen(text).c_str(), Widen(kApplicationTitle).c_str(),
                MB_OK | MB_TASKMODAL);
}

void HandleException() noexcept {
    try {
        throw;
    } catch (const std::exception& e) {
        ShowMessage(e.what());
    } catch (...) {
        ShowMessage("发生了未知错误。");
    }
}

Application::Application() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    wc.hIconSm = wc.hIcon;
    wc.lpszClassName = kApplicationClass;
    RegisterClassExW(&wc);
    // A window of no size with a caption and a system menu: the taskbar shows its title and
    // its menu, while the main window stays without a frame. It is the main window's owner.
    const int x = GetSystemMetrics(SM_CXSCREEN) / 2;
    const int y = GetSystemMetrics(SM_CYSCREEN) / 2;
    hwnd_ = CreateWindowExW(0, kApplicationClass, Widen(kApplicationTitle).c_str(),
                            WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                            x, y, 0, 0, nullptr, nullptr, instance, this);
    if (!hwnd_) throw Error(platform::ErrorText(platform::LastErrorCode()));
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    gCurrent = this;
}

Application::~Application() {
    if (gCurrent == this) gCurrent = nullptr;
    if (hwnd_) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

Application& Application::Current() {
    if (!gCurrent) throw Error("No application object");
    return *gCurrent;
}

void Application::SetMainWindow(HWND window) {
    mainWindow_ = window;
    ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
}

bool Application::Dispatch(MSG& msg) {
    if (msg.message == WM_QUIT) {
        terminated_ = true;
        return false;
    }
    if (!PreTranslate(msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}

int Application::Run() {
    RunUntil([] { return false; });
    return 0;
}

bool Application::RunUntil(const std::function<bool()>& done) {
    MSG msg{};
    while (!terminated_ && !done()) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1) return false;
        if (!got) msg.message = WM_QUIT;
        Dispatch(msg);
    }
    return !terminated_;
}

void Application::ProcessMessages() {
    MSG msg{};
    while (!terminated_ && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        Dispatch(msg);
    }
}

void Application::Terminate() {
    PostQuitMessage(0);
}

void Application::Minimize() {
    if (IsIconic(hwnd_)) return;
    // Windows hides owned windows along with a minimised owner only when the system menu
    // asks; doing it here makes the button behave like the taskbar.
    ShowOwnedPopups(hwnd_, FALSE);
    ShowWindow(hwnd_, SW_MINIMIZE);
}

void Application::BringForward() {
    if (IsIconic(hwnd_)) SendMessageW(hwnd_, WM_SYSCOMMAND, SC_RESTORE, 0);
    if (!mainWindow_ || !IsWindowVisible(mainWindow_)) return;
    HWND target = mainWindow_;
    if (!IsWindowEnabled(mainWindow_)) {
        // A modal dialog or message box disables the main window; the top one of this
        // thread's enabled windows is the one waited on.
        struct Search {
            HWND skip;
            HWND found = nullptr;
        } search{hwnd_};
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND window, LPARAM param) {
                auto* s = reinterpret_cast<Search*>(param);
                if (window == s->skip || !IsWindowVisible(window) || !IsWindowEnabled(window)) {
                    return TRUE;
                }
                s->found = window;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (search.found) target = search.found;
    }
    SetForegroundWindow(target);
}

void Application::Restore() {
    ShowOwnedPopups(hwnd_, TRUE);
    if (mainWindow_ && IsWindowVisible(mainWindow_)) SetForegroundWindow(mainWindow_);
}

LRESULT CALLBACK Application::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Application*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
    try {
        return self->OnMessage(message, wParam, lParam);
    } catch (...) {
        HandleException();
        return 0;
    }
}

LRESULT Application::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SYSCOMMAND:
            switch (wParam & 0xFFF0) {
                case SC_MINIMIZE:
                    Minimize();
                    return 0;
                case SC_RESTORE: {
                    const LRESULT result = DefWindowProcW(hwnd_, message, wParam, lParam);
                    Restore();
                    return result;
                }
                case SC_CLOSE:
                    // The taskbar's "close window" closes the main window, through its close query.
                    if (mainWindow_) PostMessageW(mainWindow_, WM_CLOSE, 0, 0);
                    return 0;
            }
            break;
        case WM_SETFOCUS:
            // Clicking the taskbar button activates this window; the keyboard belongs to the
            // main window (or to the message box that is up).
            if (mainWindow_ && IsWindowVisible(mainWindow_) && IsWindowEnabled(mainWindow_)) {
                SetFocus(mainWindow_);
                return 0;
            }
            break;
        case WM_CLOSE:
            if (mainWindow_) PostMessageW(mainWindow_, WM_CLOSE, 0, 0);
            return 0;
        case kBringForwardMessage:
            BringForward();
            return 0;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

}  // namespace zr::widgets
