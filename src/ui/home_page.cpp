#include "ui/home_page.h"

namespace zr::ui {

const char kHomePage[] = ZR_HOME_PAGE;

}  // namespace zr::ui
