#pragma once

// The start page of the main window's web view: which page it opens, where the view may go
// from there, and the look that each loaded document gets so that the page sits flush in the
// frameless window. Portable: the styling goes through the automation interface, so it is
// tested with fake objects.

#include <string>

#include "platform/automation.h"

namespace zr::ui {

// The local page, DataDir + "Res\index.htm", as a plain file path.
std::string LocalStartPage(const std::string& dataDir);

// The home page when it could be reached, otherwise the local page.
std::string ChooseStartPage(bool homePageReachable, const std::string& homePage,
                            const std::string& dataDir);

// Whether the web view may go to url, as its navigation events report it (top level and frames
// alike). The view runs in an administrator process, so it stays on the home page's own site
// (its host name, over http or https, at its port), the local page (its plain path or a file:
// URL of it) and about:blank; anything else is refused.
bool NavigationAllowed(const std::string& url, const std::string& homePage,
                       const std::string& localPage);

// Sets, on the current top-level document of the browser: body.Scroll = "no",
// body.style.border = "none", body.Style.margin = "0px", each chain read anew. The first
// failure ends it quietly; nothing is thrown.
void StyleStartPage(automation::Object& webBrowser) noexcept;

}  // namespace zr::ui
