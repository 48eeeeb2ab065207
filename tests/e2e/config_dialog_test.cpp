// The boot item configuration dialog as the user meets it: opened from the main window of the
// real ZiRuri.exe under Wine, driven through window messages, and judged by what it shows and
// by the bytes of the isolist it leaves behind.

#include <windows.h>

#include <commctrl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "bootitems/win32/config_ids.h"
#include "platform/win32/wide.h"
#include "support/config_driver.h"
#include "support/fake_world.h"
#include "support/program_driver.h"
#include "support/screen_dpi.h"
#include "support/temp_folder.h"
#include "ui/control_ids.h"

namespace zr::e2e {
namespace {

namespace ids = bootitems::ids;
using platform::win32::Widen;
using testing::StartsWith;

// 启动盘 in code page 936 (as isolist stores it) and in UTF-8 (as the window shows it).
const std::string kTitleAnsi = "\xC6\xF4\xB6\xAF\xC5\xCC";
const std::string kTitleUtf8 = "启动盘";

std::string Describe(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " +
           std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
}

std::string Place(int left, int top, int width, int height) {
    return Describe({left, top, left + width, top + height});
}

// Holds a file open with no sharing at all, as another program that locked it would.
class LockedFile {
  public:
    explicit LockedFile(const std::string& path)
        : handle_(CreateFileW(Widen(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;
    ~LockedFile() { Release(); }
    bool Held() const { return handle_ != INVALID_HANDLE_VALUE; }
    void Release() {
        if (Held()) CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

  private:
    HANDLE handle_;
};

class ConfigDialog : public testing::Test {
  protected:
    void SetUp() override { test::WriteFile(image_, "an image"); }

    // Starts the program on first use, presses the configuration button and waits for the
    // dialog. An error box that comes first is left for the test to answer.
    void PressConfig() {
        if (!program_) {
            program_.emplace(folder_.Exe());
            main_ = program_->WaitForMainWindow();
            ASSERT_NE(main_, nullptr) << "the main window never showed";
        }
        PostMessageW(program_->Control(ui::ids::btn_config), BM_CLICK, 0, 0);
    }
    void Open() {
        ASSERT_NO_FATAL_FAILURE(PressConfig());
        dialog_ = WaitForConfigDialog(*program_);
        ASSERT_NE(dialog_, nullptr) << "the dialog never showed";
    }

    HWND Item(int id) const { return GetDlgItem(dialog_, id); }
    std::string PlaceOf(int id) const { return Describe(PlaceInParent(Item(id))); }

    // Clicks a button and returns once its handler has run; for handlers that show nothing
    // modal.
    void Press(int id) const {
        DWORD_PTR result = 0;
        ASSERT_TRUE(
            SendMessageTimeoutW(Item(id), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, kPatienceMs, &result));
    }
    // Clicks a button without waiting for its handler (which may show a message box).
    void PressLater(int id) const { PostMessageW(Item(id), BM_CLICK, 0, 0); }
    void Type(int id, const std::string& text) const { SetText(Item(id), text); }
    static void SetText(HWND window, const std::string& text) {
        const std::wstring wide = Widen(text);
        DWORD_PTR result = 0;
        ASSERT_TRUE(SendMessageTimeoutW(window, WM_SETTEXT, 0,
                                        reinterpret_cast<LPARAM>(wide.c_str()), SMTO_ABORTIFHUNG,
                                        kPatienceMs, &result));
    }
    void Add(const std::string& title, const std::string& path) const {
        Type(ids::edt_title, title);
        Type(ids::edt_iso, path);
        Press(ids::btn_add);
    }

    std::vector<Row> Rows() const { return RemoteListView(Item(ids::lv_menu)).Rows(); }
    std::vector<int> Selection() const { return RemoteListView(Item(ids::lv_menu)).Selection(); }
    void Select(int row) const { RemoteListView(Item(ids::lv_menu)).SetSelected(row, true); }

    bool Closes() const {
        return WaitUntil([&] { return !IsWindowVisible(dialog_); });
    }
    bool StaysOpen() const { return IsWindowVisible(dialog_) != FALSE; }

    std::string IsoListPath() const { return folder_.DataDir() + "isolist"; }
    void SaveList(const std::string& bytes) const { folder_.Write("data\\isolist", bytes); }
    std::string SavedList() const { return test::ReadFile(IsoListPath()); }

    ProgramFolder folder_{BesideTestProgram("ZiRuriOffline.exe")};
    test::TempFolder images_;
    const std::string image_ = images_ / "Win PE.iso";
    std::optional<RunningProgram> program_;
    HWND main_ = nullptr;
    HWND dialog_ = nullptr;
};

TEST_F(ConfigDialog, IsAFixedDialogCentredOverTheMainWindow) {
    Open();
    EXPECT_EQ(TextOf(dialog_), "启动项高级管理（仅供专业人士使用）");
    EXPECT_EQ(GetWindow(dialog_, GW_OWNER), main_);
    RECT client{};
    GetClientRect(dialog_, &client);
    EXPECT_EQ(Describe(client), Place(0, 0, 512, 241));
    const LONG style = GetWindowLongW(dialog_, GWL_STYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    RECT owner{}, frame{};
    GetWindowRect(main_, &owner);
    GetWindowRect(dialog_, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    EXPECT_EQ(Describe(frame),
              Place(owner.left + (owner.right - owner.left - width) / 2,
                    owner.top + (owner.bottom - owner.top - height) / 2, width, height));
}

// At every DPI the design's places, sizes and column widths are scaled.
class ConfigDialogAtDpi : public ConfigDialog, public testing::WithParamInterface<int> {};

TEST_P(ConfigDialogAtDpi, ControlsSitAtTheirDesignPlacesScaledWithTheirTexts) {
    const int dpi = GetParam();
    const ScreenDpi screen(dpi);
    Open();
    const auto at = [dpi](int left, int top, int width, int height) {
        return Describe(AtDpi(RECT{left, top, left + width, top + height}, dpi));
    };
    RECT client{};
    GetClientRect(dialog_, &client);
    EXPECT_EQ(Describe(client), Place(0, 0, AtDpi(512, dpi), AtDpi(241, dpi)));
    // The group's contents are laid out from its corner at 8, 16.
    const struct {
        int id;
        const char* className;
        std::string place;
        std::string text;
    } expected[] = {
        {ids::grp_add, "Button", at(8, 16, 217, 169), "自定义选项"},
        {ids::lbl1, "Static", at(8 + 16, 16 + 24, 70, 14), "菜单名称："},
        {ids::edt_title, "Edit", at(8 + 16, 16 + 40, 169, 22), ""},
        {ids::lbl2, "Static", at(8 + 16, 16 + 64, 91, 14), "ISO文件路径："},
        {ids::edt_iso, "Edit", at(8 + 16, 16 + 84, 169, 22), ""},
        {ids::btn_selectiso, "Button", at(8 + 188, 16 + 82, 23, 22), "..."},
        {ids::btn_add, "Button", at(8 + 50, 16 + 120, 103, 33), ">> 添加"},
        {ids::lbl3, "Static", at(248, 16, 70, 14), "启动菜单项"},
        {ids::btn_delete, "Button", at(440, 8, 65, 22), "删除"},
        {ids::lv_menu, "SysListView32", at(248, 32, 257, 153), ""},
        {ids::btn_ok, "Button", at(112, 200, 97, 33), "确  定"},
        {ids::btn_cancel, "Button", at(280, 200, 97, 33), "取  消"},
    };
    for (const auto& control : expected) {
        ASSERT_NE(Item(control.id), nullptr) << control.text;
        EXPECT_STRCASEEQ(ClassOf(Item(control.id)).c_str(), control.className) << control.text;
        EXPECT_EQ(PlaceOf(control.id), control.place) << control.text;
        EXPECT_EQ(TextOf(Item(control.id)), control.text) << control.place;
    }
    EXPECT_TRUE(GetWindowLongW(Item(ids::edt_iso), GWL_STYLE) & ES_READONLY);
    EXPECT_FALSE(GetWindowLongW(Item(ids::edt_title), GWL_STYLE) & ES_READONLY);

    RemoteListView list(Item(ids::lv_menu));
    EXPECT_EQ(list.ColumnCaption(0), "启动项菜单名");
    EXPECT_EQ(list.ColumnWidth(0), AtDpi(100, dpi));
    EXPECT_EQ(list.ColumnCaption(1), "镜像文件路径");
    EXPECT_EQ(list.ColumnWidth(1), AtDpi(140, dpi));
    const LONG style = GetWindowLongW(Item(ids::lv_menu), GWL_STYLE);
    EXPECT_EQ(style & LVS_TYPEMASK, LVS_REPORT);
    EXPECT_TRUE(style & LVS_EDITLABELS);
    EXPECT_FALSE(style & LVS_NOCOLUMNHEADER);
    EXPECT_FALSE(style & LVS_SHOWSELALWAYS)
        << "the selection shows only while the list has the focus";
    EXPECT_TRUE(SendMessageW(Item(ids::lv_menu), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) &
                LVS_EX_FULLROWSELECT);
}

INSTANTIATE_TEST_SUITE_P(Scales, ConfigDialogAtDpi, testing::Values(96, 120, 144, 192));

TEST_F(ConfigDialog, OpensWithTheRowsOfIsoListInFileOrderAndNoneSelected) {
    SaveList("PE|C:\\pe.iso\r\n" + kTitleAnsi + "|D:\\a|b.img\r\nno bar\r\n");
    Open();
    EXPECT_EQ(Rows(), (std::vector<Row>{
                          {"PE", "C:\\pe.iso"}, {kTitleUtf8, "D:\\a|b.img"}, {"", "no bar"}}));
    EXPECT_TRUE(Selection().empty());
    EXPECT_EQ(program_->CurrentMessageBox(), nullptr);
}

TEST_F(ConfigDialog, ListAllowsOneSelectedRowAtATime) {
    SaveList("a|1\r\nb|2\r\n");
    Open();
    Select(0);
    Select(1);
    EXPECT_EQ(Selection(), std::vector<int>{1});
}

TEST_F(ConfigDialog, AddIgnoresAMissingTitleImageOrFileWithoutAWord) {
    const std::string folder = images_ / "folder.iso";
    CreateDirectoryW(Widen(folder).c_str(), nullptr);
    Open();
    Add("", image_);
    Add("PE", "");
    Add("PE", images_ / "missing.iso");
    Add("PE", folder);
    EXPECT_TRUE(Rows().empty());
    EXPECT_EQ(program_->CurrentMessageBox(), nullptr);
}

TEST_F(ConfigDialog, AddAppendsUnselectedRowsAndKeepsTheInputs) {
    SaveList("first|C:\\1.iso\r\n");
    Open();
    Add("  Win PE | x ", image_);
    Press(ids::btn_add);
    EXPECT_EQ(Rows(),
              (std::vector<Row>{
                  {"first", "C:\\1.iso"}, {"  Win PE | x ", image_}, {"  Win PE | x ", image_}}));
    EXPECT_TRUE(Selection().empty());
    EXPECT_EQ(EditText(Item(ids::edt_title)), "  Win PE | x ");
    EXPECT_EQ(EditText(Item(ids::edt_iso)), image_);
}

// The file-open dialog's name field: the combo box of the newer layout, or the plain edit.
HWND FileNameField(HWND openDialog) {
    if (HWND combo = GetDlgItem(openDialog, 0x47C)) return combo;
    return GetDlgItem(openDialog, 0x480);
}

TEST_F(ConfigDialog, SelectIsoTakesTheChosenNameExistingOrNotAndStartsFromItNextTime) {
    Open();
    const struct {
        std::string name;
        int button;
        std::string expected;
    } runs[] = {
        {image_, IDOK, image_},
        {images_ / "not there.img", IDOK, images_ / "not there.img"},
        {images_ / "other.iso", IDCANCEL, images_ / "not there.img"},
    };
    std::string last;
    for (const auto& run : runs) {
        PressLater(ids::btn_selectiso);
        HWND chooser = program_->WaitForMessageBox();
        ASSERT_NE(chooser, nullptr) << run.name;
        HWND field = FileNameField(chooser);
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(ComboItems(GetDlgItem(chooser, 0x470)), std::vector<std::string>{"镜像文件"});
        HWND readOnlyBox = GetDlgItem(chooser, 0x410);
        EXPECT_TRUE(!readOnlyBox || !IsWindowVisible(readOnlyBox));
        if (!last.empty()) {
            EXPECT_THAT(EditText(field), testing::EndsWith(last.substr(last.rfind('\\') + 1)))
                << "the run did not start from the last chosen file";
        }
        last = run.expected;
        SetText(field, run.name);
        Answer(chooser, run.button);
        ASSERT_TRUE(WaitUntil([&] { return program_->CurrentMessageBox() == nullptr; }));
        EXPECT_TRUE(WaitUntil([&] { return EditText(Item(ids::edt_iso)) == run.expected; }))
            << run.name << " gave " << EditText(Item(ids::edt_iso));
    }
}

TEST_F(ConfigDialog, DeleteRemovesTheSelectedRowEvenWhenAnEditHasTheFocus) {
    SaveList("a|1\r\nb|2\r\nc|3\r\n");
    Open();
    Press(ids::btn_delete);
    EXPECT_EQ(Rows().size(), 3u) << "nothing was selected";

    Select(1);
    PostMessageW(Item(ids::edt_title), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageW(Item(ids::edt_title), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ASSERT_TRUE(WaitUntil([&] { return FocusOfThreadOf(dialog_) == Item(ids::edt_title); }));
    EXPECT_EQ(Selection(), std::vector<int>{1}) << "the selection left with the focus";
    Press(ids::btn_delete);
    EXPECT_EQ(Rows(), (std::vector<Row>{{"a", "1"}, {"c", "3"}}));
}

TEST_F(ConfigDialog, TabWalksEveryControlInReadingOrder) {
    Open();
    ASSERT_TRUE(WaitUntil([&] { return FocusOfThreadOf(dialog_) == Item(ids::edt_title); }));
    const std::vector<int> ring{ids::edt_iso, ids::btn_selectiso, ids::btn_add,    ids::btn_delete,
                                ids::lv_menu, ids::btn_ok,        ids::btn_cancel, ids::edt_title};
    EXPECT_EQ(FocusWalk(dialog_, VK_TAB, false, 8), ring);
    const std::vector<int> back{ids::btn_cancel, ids::btn_ok,        ids::lv_menu, ids::btn_delete,
                                ids::btn_add,    ids::btn_selectiso, ids::edt_iso, ids::edt_title};
    EXPECT_EQ(FocusWalk(dialog_, VK_TAB, true, 8), back);
}

TEST_F(ConfigDialog, EveryControlHasANameForScreenReaders) {
    Open();
    const struct {
        int id;
        const char* name;
    } names[] = {
        {ids::edt_title, "菜单名称"}, {ids::edt_iso, "ISO文件路径"}, {ids::btn_selectiso, "..."},
        {ids::btn_add, ">> 添加"},    {ids::btn_delete, "删除"},     {ids::lv_menu, "启动菜单项"},
        {ids::btn_ok, "确  定"},      {ids::btn_cancel, "取  消"},
    };
    for (const auto& control : names) {
        EXPECT_EQ(AccessibleName(Item(control.id)), control.name);
    }
}

TEST_F(ConfigDialog, EnterAndSpacePressTheFocusedButtonAndEscCancels) {
    SaveList("");
    Open();
    ASSERT_TRUE(WaitUntil([&] { return FocusOfThreadOf(dialog_) == Item(ids::edt_title); }));
    Type(ids::edt_title, "PE");
    Type(ids::edt_iso, image_);
    PressKey(VK_RETURN);  // in an edit: nothing
    ASSERT_EQ(FocusWalk(dialog_, VK_TAB, false, 3),
              (std::vector<int>{ids::edt_iso, ids::btn_selectiso, ids::btn_add}));
    EXPECT_EQ(Rows().size(), 0u);
    PressKey(VK_RETURN);
    EXPECT_TRUE(WaitUntil([&] { return Rows().size() == 1; })) << "Enter did not add";
    PressKey(VK_SPACE);
    EXPECT_TRUE(WaitUntil([&] { return Rows().size() == 2; })) << "Space did not add";
    EXPECT_TRUE(StaysOpen());
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(Closes());
    EXPECT_EQ(SavedList(), "");
}

TEST_F(ConfigDialog, OkWritesTheRowsAsAnsiLinesWithCrLfAndCloses) {
    SaveList("PE|C:\\pe.iso");
    Open();
    Add(kTitleUtf8, image_);
    Press(ids::btn_ok);
    EXPECT_TRUE(Closes());
    EXPECT_EQ(SavedList(), "PE|C:\\pe.iso\r\n" + kTitleAnsi + "|" + image_ + "\r\n");
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(main_) != FALSE; }));
    EXPECT_EQ(program_->CurrentMessageBox(), nullptr);
}

TEST_F(ConfigDialog, OkWithNoRowsWritesAnEmptyFileAndReopensEmpty) {
    SaveList("a|1\r\n");
    Open();
    Select(0);
    Press(ids::btn_delete);
    Press(ids::btn_ok);
    ASSERT_TRUE(Closes());
    EXPECT_EQ(SavedList(), "");
    Open();
    EXPECT_TRUE(Rows().empty());
}

TEST_F(ConfigDialog, CancelAndTheCloseBoxLeaveIsoListAsItWas) {
    const std::string saved = "a|1\r\nb|2\r\n";
    SaveList(saved);
    const struct {
        const char* how;
        UINT message;
        WPARAM wParam;
        bool toButton;
    } closings[] = {
        {"cancel button", BM_CLICK, 0, true},
        {"close box", WM_SYSCOMMAND, SC_CLOSE, false},
        {"Alt+F4", WM_SYSKEYDOWN, VK_F4, false},
    };
    for (const auto& closing : closings) {
        Open();
        Add("new", image_);
        Select(0);
        Press(ids::btn_delete);
        ASSERT_EQ(Rows().size(), 2u);
        HWND target = closing.toButton ? Item(ids::btn_cancel) : dialog_;
        const LPARAM altHeld = closing.message == WM_SYSKEYDOWN ? (1 << 29) | (0x3E << 16) | 1 : 0;
        PostMessageW(target, closing.message, closing.wParam, altHeld);
        EXPECT_TRUE(Closes()) << closing.how;
        EXPECT_EQ(SavedList(), saved) << closing.how;
    }
    // Each showing starts again from the file.
    Open();
    EXPECT_EQ(Rows(), (std::vector<Row>{{"a", "1"}, {"b", "2"}}));
}

TEST_F(ConfigDialog, TitlesEditedInPlaceAreSavedAsTypedUnlessTheEditIsCancelled) {
    SaveList("a|1\r\nb|2\r\nc|3\r\nd|4\r\n");
    Open();
    const struct {
        int row;
        std::string title;
        WPARAM key;
    } edits[] = {{0, "", VK_RETURN},
                 {1, "x|y", VK_RETURN},
                 {2, kTitleUtf8 + " 2", VK_RETURN},
                 {3, "", VK_ESCAPE}};
    for (const auto& edit : edits) {
        HWND editor = RemoteListView(Item(ids::lv_menu)).EditLabel(edit.row);
        ASSERT_NE(editor, nullptr) << "row " << edit.row;
        SetText(editor, edit.title);
        PostMessageW(editor, WM_KEYDOWN, edit.key, 1);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(editor); })) << "row " << edit.row;
    }
    EXPECT_EQ(Rows(),
              (std::vector<Row>{{"", "1"}, {"x|y", "2"}, {kTitleUtf8 + " 2", "3"}, {"d", "4"}}));
    Press(ids::btn_ok);
    ASSERT_TRUE(Closes());
    EXPECT_EQ(SavedList(), "|1\r\nx|y|2\r\n" + kTitleAnsi + " 2|3\r\nd|4\r\n");
    // The bar ends the title when the list is read back.
    Open();
    EXPECT_EQ(Rows(),
              (std::vector<Row>{{"", "1"}, {"x", "y|2"}, {kTitleUtf8 + " 2", "3"}, {"d", "4"}}));
}

TEST_F(ConfigDialog, TitleTypedWithABarComesBackSplitAtIt) {
    SaveList("");
    Open();
    Add("Win|PE", image_);
    Press(ids::btn_ok);
    ASSERT_TRUE(Closes());
    Open();
    EXPECT_EQ(Rows(), (std::vector<Row>{{"Win", "PE|" + image_}}));
}

TEST_F(ConfigDialog, RowWhoseImageWentAwayIsStillShownAndSaved) {
    SaveList("");
    Open();
    Add("PE", image_);
    ASSERT_TRUE(DeleteFileW(Widen(image_).c_str()));
    Press(ids::btn_ok);
    ASSERT_TRUE(Closes());
    EXPECT_EQ(SavedList(), "PE|" + image_ + "\r\n");
}

TEST_F(ConfigDialog, FolderNamedIsoListCountsAsNoListAndOpensEmptyWithoutAWord) {
    CreateDirectoryW(Widen(IsoListPath()).c_str(), nullptr);
    Open();
    EXPECT_TRUE(Rows().empty());
    EXPECT_EQ(program_->CurrentMessageBox(), nullptr);
}

TEST_F(ConfigDialog, UnreadableIsoListShowsTheErrorAndOpensEmpty) {
    SaveList("a|1\r\n");
    LockedFile lock(IsoListPath());
    ASSERT_TRUE(lock.Held());
    ASSERT_NO_FATAL_FAILURE(PressConfig());
    HWND box = program_->WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_THAT(MessageBoxText(box), StartsWith("Cannot open file \"" + IsoListPath() + "\"."));
    EXPECT_EQ(TextOf(box), "ZiRuri");
    Answer(box, IDOK);
    dialog_ = WaitForConfigDialog(*program_);
    ASSERT_NE(dialog_, nullptr);
    EXPECT_TRUE(Rows().empty());
}

TEST_F(ConfigDialog, FailedWriteShowsTheErrorKeepsTheRowsAndTheOldFile) {
    const std::string saved = "old|C:\\old.iso\r\n";
    SaveList(saved);
    Open();
    Add("new", image_);
    {
        LockedFile lock(IsoListPath());
        ASSERT_TRUE(lock.Held());
        PressLater(ids::btn_ok);
        HWND box = program_->WaitForMessageBox();
        ASSERT_NE(box, nullptr);
        EXPECT_THAT(MessageBoxText(box), StartsWith("Cannot create file \""));
        Answer(box, IDOK);
        ASSERT_TRUE(WaitUntil([&] { return program_->CurrentMessageBox() == nullptr; }));
    }
    EXPECT_TRUE(StaysOpen());
    EXPECT_EQ(Rows(), (std::vector<Row>{{"old", "C:\\old.iso"}, {"new", image_}}));
    EXPECT_EQ(SavedList(), saved);
    // Once the file is free again, OK goes through.
    Press(ids::btn_ok);
    EXPECT_TRUE(Closes());
    EXPECT_EQ(SavedList(), saved + "new|" + image_ + "\r\n");
}

TEST_F(ConfigDialog, MainWindowTakesNoInputButKeepsRefreshingWhileItIsOpen) {
    Open();
    EXPECT_FALSE(IsWindowEnabled(main_));
    WmiScenario().ClearLog();
    EXPECT_TRUE(WaitUntil([] { return !WmiScenario().Calls().empty(); }))
        << "the disk list was not refreshed";
    EXPECT_TRUE(StaysOpen());
    Press(ids::btn_cancel);
    ASSERT_TRUE(Closes());
    EXPECT_TRUE(IsWindowEnabled(main_));
}

}  // namespace
}  // namespace zr::e2e
