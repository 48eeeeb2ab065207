// The main window as the user meets it: ZiRuri.exe started under Wine and looked at from
// outside through window messages.

#include <windows.h>

#include <gtest/gtest.h>
#include <oleacc.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "bootitems/win32/config_ids.h"
#include "fake_access.h"
#include "support/program_driver.h"
#include "support/screen_dpi.h"
#include "support/test_pictures.h"
#include "ui/control_ids.h"

namespace zr::e2e {
namespace {

namespace ids = ui::ids;

std::string Describe(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " +
           std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
}

std::string Place(int left, int top, int width, int height) {
    return Describe({left, top, left + width, top + height});
}

// The build of the program whose home page is a loopback port that nothing listens on.
std::string OfflineProgram() {
    return BesideTestProgram("ZiRuriOffline.exe");
}

class MainWindow : public testing::Test {
  protected:
    // Starts the program and waits for its window; the folder may be prepared before.
    void Start() {
        program_.emplace(folder_.Exe());
        main_ = program_->WaitForMainWindow();
        ASSERT_NE(main_, nullptr) << "the main window never showed";
    }
    HWND Control(int id) const { return program_->Control(id); }
    std::string PlaceOf(int id) const { return Describe(PlaceInParent(Control(id))); }
    std::string ClientPlace() const { return Describe(ClientOnScreen(main_)); }
    static std::string CentredOnTheDesktop(int width, int height) {
        const int left = GetSystemMetrics(SM_XVIRTUALSCREEN) +
                         (GetSystemMetrics(SM_CXVIRTUALSCREEN) - width) / 2;
        const int top = GetSystemMetrics(SM_YVIRTUALSCREEN) +
                        (GetSystemMetrics(SM_CYVIRTUALSCREEN) - height) / 2;
        return Place(left, top, width, height);
    }
    // Whether the program ends, and does so without showing a message first.
    bool EndsWithoutAMessage() const {
        HWND box = nullptr;
        WaitUntil(
            [&] { return program_->WaitForExit(0) || (box = program_->CurrentMessageBox()); });
        return box == nullptr && program_->WaitForExit(0);
    }
    bool Checked(int id) const {
        return SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
    }

    ProgramFolder folder_{OfflineProgram()};
    std::optional<RunningProgram> program_;
    HWND main_ = nullptr;
};

TEST_F(MainWindow, IsFramelessWithAnEmptyCaptionAndCentredOnTheDesktop) {
    Start();
    RECT frame{};
    GetWindowRect(main_, &frame);
    EXPECT_EQ(ClientPlace(), CentredOnTheDesktop(800, 600));
    EXPECT_EQ(Describe(frame), ClientPlace()) << "the window has a frame";
    EXPECT_EQ(GetWindowLongW(main_, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME), 0);
    EXPECT_EQ(TextOf(main_), "");
}

TEST_F(MainWindow, TaskbarButtonCarriesTheApplicationTitle) {
    Start();
    HWND owner = GetWindow(main_, GW_OWNER);
    ASSERT_NE(owner, nullptr);
    EXPECT_TRUE(IsWindowVisible(owner));
    EXPECT_EQ(TextOf(owner), "ZiRuri");
}

// At every DPI the design's places and sizes are scaled; the buttons take the size of their art,
// which must have been drawn at that scale.
class MainWindowAtDpi : public MainWindow, public testing::WithParamInterface<int> {};

TEST_P(MainWindowAtDpi, ControlsSitAtTheirDesignPlacesScaled) {
    const int dpi = GetParam();
    const ScreenDpi screen(dpi);
    Start();
    const struct {
        int id;
        const char* name;
        RECT design;
    } expected[] = {
        {ids::img_back, "img_back", {0, 0, 800, 600}},
        {ids::wbMain, "wbMain", {38, 112, 38 + 723, 112 + 338}},
        {ids::btn_make, "btn_make", {176, 508, 176 + 135, 508 + 30}},
        {ids::btn_config, "btn_config", {332, 508, 332 + 135, 508 + 30}},
        {ids::btn_clean, "btn_clean", {488, 508, 488 + 135, 508 + 30}},
        {ids::btn_close, "btn_close", {767, 4, 767 + 29, 4 + 29}},
        {ids::btn_min, "btn_min", {737, 4, 737 + 28, 4 + 29}},
        {ids::cbb_disk, "cbb_disk", {189, 480, 189 + 425, 480 + 20}},
        {ids::rb_hdd, "rb_hdd", {624, 472, 624 + 73, 472 + 17}},
        {ids::rb_zip, "rb_zip", {624, 488, 624 + 73, 488 + 17}},
        {ids::img_wait, "img_wait", {264, 544, 264 + 25, 544 + 17}},
        {ids::lbl_wait, "lbl_wait", {296, 546, 296 + 210, 546 + 14}},
    };
    for (const auto& control : expected) {
        ASSERT_NE(Control(control.id), nullptr) << control.name;
        EXPECT_EQ(PlaceOf(control.id), Describe(AtDpi(control.design, dpi))) << control.name;
    }
    const RECT client = ClientOnScreen(main_);
    EXPECT_EQ(client.right - client.left, AtDpi(800, dpi));
    EXPECT_EQ(client.bottom - client.top, AtDpi(600, dpi));
}

INSTANTIATE_TEST_SUITE_P(Scales, MainWindowAtDpi, testing::Values(96, 120, 144, 192));

TEST_F(MainWindow, ShowsItsCaptionsWithUsbHddCheckedAndTheNoDiskEntrySelected) {
    Start();
    EXPECT_EQ(TextOf(Control(ids::btn_make)), "一键制成USB启动盘");
    EXPECT_EQ(TextOf(Control(ids::btn_config)), "U盘启动项配置");
    EXPECT_EQ(TextOf(Control(ids::btn_clean)), "归还U盘空间");
    EXPECT_EQ(TextOf(Control(ids::btn_close)), "");
    EXPECT_EQ(TextOf(Control(ids::btn_min)), "");
    EXPECT_EQ(TextOf(Control(ids::lbl_wait)), "正在制作U盘启动系统，请等待...");
    EXPECT_EQ(TextOf(Control(ids::rb_hdd)), "USB-HDD");
    EXPECT_EQ(TextOf(Control(ids::rb_zip)), "USB-ZIP");
    EXPECT_TRUE(Checked(ids::rb_hdd));
    EXPECT_FALSE(Checked(ids::rb_zip));
    HWND disks = Control(ids::cbb_disk);
    EXPECT_EQ(GetWindowLongW(disks, GWL_STYLE) & 3, CBS_DROPDOWNLIST) << "the list takes free text";
    EXPECT_EQ(ComboItems(disks), std::vector<std::string>{"请插入U盘！"});
    EXPECT_EQ(ComboSelection(disks), 0);
}

TEST_F(MainWindow, IsIdleRightAfterCreation) {
    Start();
    for (int id : {ids::cbb_disk, ids::btn_make, ids::btn_config, ids::btn_clean, ids::btn_close,
                   ids::btn_min}) {
        EXPECT_TRUE(IsWindowEnabled(Control(id))) << "control " << id;
    }
    EXPECT_FALSE(IsWindowVisible(Control(ids::img_wait)));
    EXPECT_FALSE(IsWindowVisible(Control(ids::lbl_wait)));
    EXPECT_FALSE(IsWindowVisible(Control(ids::lbl_progress)));
}

TEST_F(MainWindow, PaintedLayersLieBeneathEveryControl) {
    Start();
    std::vector<int> order;
    for (HWND c = GetWindow(main_, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        order.push_back(GetDlgCtrlID(c));
    }
    const std::vector<int> expected{
        ids::cbb_disk,     ids::rb_hdd,   ids::rb_zip,    ids::btn_make, ids::btn_config,
        ids::btn_clean,    ids::btn_min,  ids::btn_close, ids::wbMain,   ids::lbl_wait,
        ids::lbl_progress, ids::img_wait, ids::img_back};
    EXPECT_EQ(order, expected);
}

TEST_F(MainWindow, TabWalksEveryControlInReadingOrderFromTheDiskList) {
    Start();
    ASSERT_TRUE(WaitUntil([&] { return FocusOfThreadOf(main_) == Control(ids::cbb_disk); }))
        << "the focus did not start on the disk list";
    const std::vector<int> ring{ids::rb_hdd,  ids::btn_make,  ids::btn_config, ids::btn_clean,
                                ids::btn_min, ids::btn_close, ids::cbb_disk};
    EXPECT_EQ(FocusWalk(main_, VK_TAB, false, 7), ring);
    const std::vector<int> back{ids::btn_close, ids::btn_min, ids::btn_clean, ids::btn_config,
                                ids::btn_make,  ids::rb_hdd,  ids::cbb_disk};
    EXPECT_EQ(FocusWalk(main_, VK_TAB, true, 7), back);
}

// The radio buttons are one stop, at the checked one; the arrow keys choose within them.
TEST_F(MainWindow, ArrowKeysChooseWithinTheRadioGroupWhichTabEntersAtTheChosenButton) {
    Start();
    ASSERT_TRUE(WaitUntil([&] { return FocusOfThreadOf(main_) == Control(ids::cbb_disk); }));
    ASSERT_EQ(FocusWalk(main_, VK_TAB, false, 1), std::vector<int>{ids::rb_hdd});
    EXPECT_EQ(FocusWalk(main_, VK_DOWN, false, 3),
              (std::vector<int>{ids::rb_zip, ids::rb_hdd, ids::rb_zip}));
    EXPECT_TRUE(Checked(ids::rb_zip));
    EXPECT_FALSE(Checked(ids::rb_hdd));
    EXPECT_EQ(FocusWalk(main_, VK_TAB, true, 1), std::vector<int>{ids::cbb_disk});
    EXPECT_EQ(FocusWalk(main_, VK_TAB, false, 2), (std::vector<int>{ids::rb_zip, ids::btn_make}));
}

TEST_F(MainWindow, EveryControlHasANameForScreenReaders) {
    Start();
    const struct {
        int id;
        const char* name;
    } names[] = {
        {ids::cbb_disk, "选择U盘"},         {ids::rb_hdd, "USB-HDD"},
        {ids::rb_zip, "USB-ZIP"},           {ids::btn_make, "一键制成USB启动盘"},
        {ids::btn_config, "U盘启动项配置"}, {ids::btn_clean, "归还U盘空间"},
        {ids::btn_min, "最小化"},           {ids::btn_close, "关闭"},
    };
    for (const auto& control : names) {
        EXPECT_EQ(AccessibleName(Control(control.id)), control.name);
    }
    // Pictures to the system: they are said to be buttons.
    for (int id : {ids::btn_make, ids::btn_config, ids::btn_clean, ids::btn_min, ids::btn_close}) {
        EXPECT_EQ(test::fakeaccess::AnnotatedRole(Control(id)), ROLE_SYSTEM_PUSHBUTTON)
            << "control " << id;
    }
}

// The two title buttons have no caption for a focus frame to go round: the frame goes round
// the picture, and goes when the focus does.
TEST_F(MainWindow, TheTitleButtonsShowTheFocus) {
    Start();
    ASSERT_TRUE(WaitUntil([&] { return FocusOfThreadOf(main_) == Control(ids::cbb_disk); }));
    // Read once the window has been drawn and stays as it is.
    const auto settled = [](HWND button) {
        std::vector<uint32_t> before, now;
        WaitUntil([&] {
            before = std::exchange(now, ScreenPixels(button));
            return now == before && std::any_of(now.begin(), now.end(), [](auto p) { return p; });
        });
        return now;
    };
    const auto close = settled(Control(ids::btn_close));
    const auto minimise = settled(Control(ids::btn_min));
    ASSERT_EQ(FocusWalk(main_, VK_TAB, true, 1), std::vector<int>{ids::btn_close});
    EXPECT_TRUE(WaitUntil([&] { return ScreenPixels(Control(ids::btn_close)) != close; }, 5000));
    ASSERT_EQ(FocusWalk(main_, VK_TAB, true, 1), std::vector<int>{ids::btn_min});
    EXPECT_TRUE(WaitUntil([&] { return ScreenPixels(Control(ids::btn_min)) != minimise; }, 5000));
    EXPECT_TRUE(WaitUntil([&] { return ScreenPixels(Control(ids::btn_close)) == close; }, 5000))
        << "the focus frame stayed when the focus left";
}

TEST_F(MainWindow, RadioButtonsFormOneGroup) {
    Start();
    PostMessageW(Control(ids::rb_zip), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return Checked(ids::rb_zip); }));
    EXPECT_FALSE(Checked(ids::rb_hdd));
    PostMessageW(Control(ids::rb_hdd), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return Checked(ids::rb_hdd); }));
    EXPECT_FALSE(Checked(ids::rb_zip));
}

TEST_F(MainWindow, APressOfAnyMouseButtonGivesAButtonTheFocus) {
    Start();
    const struct {
        int id;
        UINT press;
        WPARAM keys;
    } presses[] = {
        {ids::btn_make, WM_RBUTTONDOWN, MK_RBUTTON},
        {ids::btn_config, WM_MBUTTONDOWN, MK_MBUTTON},
        {ids::btn_clean, WM_XBUTTONDOWN, MAKEWPARAM(MK_XBUTTON1, XBUTTON1)},
    };
    for (const auto& p : presses) {
        PostMessageW(Control(p.id), p.press, p.keys, MAKELPARAM(10, 10));
        EXPECT_TRUE(WaitUntil([&] { return FocusOfThreadOf(main_) == Control(p.id); }, 5000))
            << "message " << p.press;
    }
}

// A click shows itself through the make command, which with no disk only says so.
TEST_F(MainWindow, ButtonsClickOnALeftReleaseOverThemAndOnEnterOrSpace) {
    Start();
    HWND make = Control(ids::btn_make);
    const auto expectOneNoDiskMessage = [&](const char* how) {
        HWND box = program_->WaitForMessageBox(5000);
        ASSERT_NE(box, nullptr) << how << ": no click";
        EXPECT_EQ(MessageBoxText(box), "没有发现U盘，请确认U盘是否已插入！") << how;
        Answer(box, IDOK);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 5000)) << how;
        EXPECT_FALSE(WaitUntil([&] { return program_->CurrentMessageBox() != nullptr; }, 1000))
            << how << ": clicked twice";
    };

    // Released away from the button: no click. The space that follows clicks once, with the
    // focus that the press gave.
    PostMessageW(make, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    PostMessageW(make, WM_LBUTTONUP, 0, MAKELPARAM(500, 10));
    PostMessageW(make, WM_KEYDOWN, VK_SPACE, 0x00390001);
    PostMessageW(make, WM_KEYUP, VK_SPACE, 0xC0390001);
    expectOneNoDiskMessage("space");

    PostMessageW(make, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    PostMessageW(make, WM_LBUTTONUP, 0, MAKELPARAM(12, 11));
    expectOneNoDiskMessage("left button");

    PostMessageW(make, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    expectOneNoDiskMessage("Enter");
}

TEST_F(MainWindow, CloseMessageEndsTheProgramWhenIdle) {
    Start();
    PostMessageW(main_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(EndsWithoutAMessage());
}

TEST_F(MainWindow, AltF4EndsTheProgramWhenIdle) {
    Start();
    // Alt held: bit 29 of the key data.
    PostMessageW(main_, WM_SYSKEYDOWN, VK_F4, (1 << 29) | (0x3E << 16) | 1);
    EXPECT_TRUE(EndsWithoutAMessage());
}

TEST_F(MainWindow, CloseButtonEndsTheProgramWhenIdle) {
    Start();
    PostMessageW(Control(ids::btn_close), BM_CLICK, 0, 0);
    EXPECT_TRUE(EndsWithoutAMessage());
}

TEST_F(MainWindow, LogOffIsNotRefusedWhenIdle) {
    Start();
    DWORD_PTR answer = FALSE;
    ASSERT_TRUE(SendMessageTimeoutW(main_, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, kPatienceMs,
                                    &answer));
    EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE));
    EXPECT_EQ(program_->CurrentMessageBox(), nullptr);
}

TEST_F(MainWindow, MinimiseButtonMinimisesTheWholeApplicationToItsTaskbarButton) {
    Start();
    HWND taskbarButton = GetWindow(main_, GW_OWNER);
    PostMessageW(Control(ids::btn_min), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return IsIconic(taskbarButton) && !IsWindowVisible(main_); }));
    PostMessageW(taskbarButton, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(taskbarButton) && IsWindowVisible(main_); }));
    EXPECT_FALSE(program_->WaitForExit(0));
}

// Minimised, and then with the configuration dialog up as well: the second start shows no
// window of its own and brings back the window the user was at.
TEST_F(MainWindow, ASecondStartBringsTheFirstForwardAndEnds) {
    Start();
    HWND taskbarButton = GetWindow(main_, GW_OWNER);
    for (const bool withDialog : {false, true}) {
        HWND dialog = nullptr;
        if (withDialog) {
            PostMessageW(Control(ids::btn_config), BM_CLICK, 0, 0);
            ASSERT_TRUE(WaitUntil([&] {
                return (dialog = FindWindowW(bootitems::ids::kConfigWindowClass, nullptr)) &&
                       IsWindowVisible(dialog);
            }));
        }
        PostMessageW(taskbarButton, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        ASSERT_TRUE(WaitUntil([&] { return IsIconic(taskbarButton) && !IsWindowVisible(main_); }));

        RunningProgram second(folder_.Exe());
        bool secondShowedAWindow = false;
        const bool ended = WaitUntil([&] {
            secondShowedAWindow = secondShowedAWindow || second.WaitForMainWindow(0);
            return second.WaitForExit(0);
        });
        EXPECT_TRUE(ended) << "the second start stayed";
        EXPECT_FALSE(secondShowedAWindow);
        HWND expected = withDialog ? dialog : main_;
        EXPECT_TRUE(WaitUntil([&] {
            return !IsIconic(taskbarButton) && IsWindowVisible(main_) &&
                   GetForegroundWindow() == expected;
        })) << (withDialog ? "the dialog" : "the main window")
            << " did not come forward";
    }
}

TEST_F(MainWindow, WithoutItsDataFolderItShowsTheDefaultPictureQuietly) {
    folder_.RemoveData();
    Start();
    EXPECT_EQ(program_->CurrentMessageBox(), nullptr);
    EXPECT_EQ(ClientPlace(), CentredOnTheDesktop(800, 600));
    EXPECT_EQ(PlaceOf(ids::img_back), Place(0, 0, 800, 600));
    EXPECT_EQ(PlaceOf(ids::img_wait), Place(264, 544, 25, 17));
    EXPECT_FALSE(IsWindowVisible(Control(ids::img_wait)));
}

TEST_F(MainWindow, ABackgroundOfAnotherSizeSizesTheWindow) {
    folder_.Write("data\\Res\\main.jpg", PlainJpeg(640, 480));
    Start();
    EXPECT_EQ(PlaceOf(ids::img_back), Place(0, 0, 640, 480));
    EXPECT_EQ(ClientPlace(), CentredOnTheDesktop(640, 480));
}

TEST_F(MainWindow, ABrokenBackgroundIsReportedAndTheStepsAfterItAreSkipped) {
    folder_.Write("data\\Res\\main.jpg", "this is not a JPEG file");
    folder_.Write("data\\Res\\wait.gif", TinyGif(40, 30));
    program_.emplace(folder_.Exe());
    HWND box = program_->WaitForMessageBox();
    ASSERT_NE(box, nullptr) << "no error was reported";
    EXPECT_EQ(TextOf(box), "ZiRuri");
    EXPECT_FALSE(MessageBoxText(box).empty());
    Answer(box, IDOK);
    main_ = program_->WaitForMainWindow();
    ASSERT_NE(main_, nullptr) << "the window did not open after the error";
    EXPECT_EQ(PlaceOf(ids::img_back), Place(0, 0, 800, 600)) << "the default picture went";
    // Neither the wait animation was loaded nor SetBusy(false) run: the wait image and its
    // caption stay as laid out, visible.
    EXPECT_EQ(PlaceOf(ids::img_wait), Place(264, 544, 25, 17));
    EXPECT_TRUE(IsWindowVisible(Control(ids::img_wait)));
    EXPECT_TRUE(IsWindowVisible(Control(ids::lbl_wait)));
    EXPECT_TRUE(IsWindowEnabled(Control(ids::btn_make)));
}

TEST_F(MainWindow, TheWaitAnimationSizesTheWaitImage) {
    folder_.Write("data\\Res\\wait.gif", TinyGif(40, 30));
    Start();
    EXPECT_EQ(PlaceOf(ids::img_wait), Place(264, 544, 40, 30));
    EXPECT_FALSE(IsWindowVisible(Control(ids::img_wait)));
}

TEST_F(MainWindow, ABrokenWaitAnimationIsIgnoredQuietly) {
    folder_.Write("data\\Res\\wait.gif", "GIF89a but nothing after it");
    Start();
    EXPECT_EQ(program_->CurrentMessageBox(), nullptr);
    EXPECT_EQ(PlaceOf(ids::img_wait), Place(264, 544, 25, 17));
    EXPECT_FALSE(IsWindowVisible(Control(ids::img_wait)));
    EXPECT_FALSE(IsWindowVisible(Control(ids::lbl_wait)));
}

}  // namespace
}  // namespace zr::e2e
