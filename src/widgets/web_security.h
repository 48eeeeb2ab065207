#pragma once

// The web view's own security manager, which the engine asks before each risky action of a page
// whatever zone the page is in: the zones' settings are the user's, and any program of the user
// can loosen them or move a site into a trusted zone. Run, script, download or initialise an
// ActiveX control, Java, binary behaviours, launch a program, a file, a shell verb or another
// protocol's handler, download a file, read data across domains, submit a form anywhere but to
// the view's own pages, load http content into an https page, or switch off one of the process's
// feature controls for a page: all refused, and script on anything but a web page. Everything
// else (script on the home page's own site among it) is left to the engine's default.

#include <windows.h>

#include <urlmon.h>

#include <functional>
#include <string>

#include "platform/win32/com_ptr.h"

namespace zr::widgets {

// ownPage says whether the view may show url at all; it is asked only about form submissions.
platform::win32::ComPtr<IInternetSecurityManager> MakeSecurityManager(
    std::function<bool(const std::wstring& url)> ownPage);

}  // namespace zr::widgets
