#pragma once

// The product's home page: an http or https address of a web server's root, ending in a slash;
// the web view stays on its host. It is chosen at build time (the CMake setting ZR_HOME_PAGE)
// and defined in one place, home_page.cpp.

namespace zr::ui {

extern const char kHomePage[];

}  // namespace zr::ui
