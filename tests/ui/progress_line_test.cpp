// The main window's progress line, on the real window made in this process under Wine.

#include <windows.h>

#include <gtest/gtest.h>
#include <ole2.h>

#include <string>

#include "ui/F_frmMain.h"
#include "ui/control_ids.h"

namespace zr::ui {
namespace {

TEST(ProgressLine, ShowsTheStepWithItsTimeWhileBusyOnly) {
    // As the program's thread is: the window's web view needs OLE.
    ASSERT_EQ(OleInitialize(nullptr), S_OK);
    widgets::Application application;
    TfrmMain frmMain(application);
    frmMain.Create();
    HWND line = GetDlgItem(frmMain.Handle(), ids::lbl_progress);
    ASSERT_NE(line, nullptr);
    const auto shown = [&] { return (GetWindowLongW(line, GWL_STYLE) & WS_VISIBLE) != 0; };
    const std::string step = "第 3/8 步：写入 WinPE.iso（2.1 GB）";

    frmMain.SetBusy(true);
    EXPECT_FALSE(shown()) << "shown before the first step";
    frmMain.ShowProgress(step);
    EXPECT_TRUE(shown());
    EXPECT_EQ(widgets::WindowText(line), step + "，已用 0 秒");
    frmMain.SetBusy(false);
    EXPECT_FALSE(shown());
    frmMain.SetBusy(true);
    EXPECT_FALSE(shown()) << "the last stretch's line came back";
    DestroyWindow(frmMain.Handle());
    OleUninitialize();
}

}  // namespace
}  // namespace zr::ui
