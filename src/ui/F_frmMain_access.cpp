// The main window for the keyboard and for screen readers: the order in which Tab walks its
// controls, and the names said for the controls whose picture or place says what they are.

#include "ui/F_frmMain.h"
#include "widgets/accessible.h"
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
    // "选择U盘：" is part of the background picture, and the title buttons are pictures.
    widgets::SetAccessibleName(cbb_disk.Handle(), "选择U盘");
    widgets::SetAccessibleName(btn_min.Handle(), "最小化");
    widgets::SetAccessibleName(btn_close.Handle(), "关闭");
}

}  // namespace zr::ui
