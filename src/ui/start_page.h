#pragma once

// The start page of the main window's web view: which page it opens, and the look that each
// loaded document gets so that the page sits flush in the frameless window. Portable: the
// styling goes through the automation interface, so it is tested with fake objects.

#include <string>

#include "platform/automation.h"

namespace zr::ui {

// The home page when it could be reached, otherwise the local page DataDir + "Res\index.htm"
// as a plain file path.
std::string ChooseStartPage(bool homePageReachable, const std::string& homePage,
                            const std::string& dataDir);

// Sets, on the current top-level document of the browser: body.Scroll = "no",
// body.style.border = "none", body.Style.margin = "0px", each chain read anew. The first
// failure ends it quietly; nothing is thrown.
void StyleStartPage(automation::Object& webBrowser) noexcept;

}  // namespace zr::ui
