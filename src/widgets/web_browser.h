#pragma once

// The system's web browser control hosted in a child window of ours, through the smallest OLE
// container that in-place activation needs, with a sink for its events. The program runs as
// administrator and the view shows a page from the network, so the view is kept on a short
// leash: the engine locked down for the process before the control exists (browser_engine.h),
// a security manager of the view's own (web_security.h), no context menu, window.external or
// window-opening shortcuts (web_host_ui.h), no script error dialogs, no ActiveX controls or Java
// applets, no downloads, no new windows, and only the navigations that onBeforeNavigate allows.

#include <windows.h>

#include <exdisp.h>

#include <functional>
#include <string>

#include "platform/win32/com_ptr.h"
#include "widgets/browser_engine.h"
#include "widgets/window.h"

namespace zr::widgets {

class WebBrowser : public CustomWindow {
  public:
    explicit WebBrowser(BrowserEngine engine = SystemBrowserEngine());
    ~WebBrowser() override;

    // Creates the host window and the browser in it. When the engine cannot be locked down or
    // the browser cannot be created, the host stays empty and Navigate reports why.
    void Create(HWND parent, int id, const RECT& bounds);

    // Starts loading the address (a URL or a plain file path); throws zr::Error on failure.
    // The host window's text becomes the address, so tools reading the window can tell
    // what the view was sent to.
    void Navigate(const std::string& address);

    // The browser's top-level automation object; null when there is no browser.
    IDispatch* Application() const;

    // Gives the browser a keyboard message for one of its windows first (its own tab keys,
    // shortcuts); true when the message is done with. Ctrl with the mouse wheel over the page,
    // which would change the text size, is swallowed here.
    bool TranslateAccelerator(MSG& msg);

    // The page's zoom in percent, so that a page laid out in CSS pixels fills the view at any
    // DPI. Without a browser, or with one that cannot zoom, nothing changes.
    void SetZoom(int percent);

    // pDisp: the browser or frame whose document completed; URL: its address.
    std::function<void(IDispatch* pDisp, const std::wstring& URL)> onDocumentComplete;
    // Whether the browser or one of its frames may go to URL; every navigation is refused
    // while this is unset.
    std::function<bool(const std::wstring& URL)> onBeforeNavigate;

  protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    class Site;
    void CreateBrowser();
    void CloseBrowser();

    BrowserEngine engine_;
    Site* site_ = nullptr;  // one reference, held until the browser is closed
    platform::win32::ComPtr<IOleObject> object_;
    platform::win32::ComPtr<IWebBrowser2> browser_;
    DWORD adviseCookie_ = 0;
    std::string createError_;
};

}  // namespace zr::widgets
