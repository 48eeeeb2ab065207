// The main window for the keyboard: the order in which Tab walks its controls.

#include "ui/F_frmMain.h"
#include "widgets/tab_order.h"

namespace zr::ui {

// Reading order: the disk list, the two radio buttons as one stop (the arrow keys choose), the
// three commands, then the title bar's two buttons. The web view is no stop: the page is
// there to be read and clicked.
void TfrmMain::ArrangeForKeyboard() {
    widgets::SetTabOrder({{&cbb_disk},
                          {&rb_hdd, &rb_zip},
                          {&btn_make},
                          {&btn_config},
                          {&btn_clean},
                          {&btn_min},
                          {&btn_close}});
}

}  // namespace zr::ui
