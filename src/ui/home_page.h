#pragma once

// The product's home page: the https address of a web server's root, ending in a slash (a build
// may choose plain http, with a warning at configure time); the web view stays on its host. It
// is chosen at build time (the CMake setting ZR_HOME_PAGE) and defined in one place,
// home_page.cpp.

namespace zr::ui {

extern const char kHomePage[];

}  // namespace zr::ui
