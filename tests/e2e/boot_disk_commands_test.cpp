// The make and restore commands of the real program under Wine, driven through its window and
// message boxes. The fake WMI serves one USB disk whose drive letter is mapped to a test
// folder, the package in the program's data folder carries the stand-in fbinst.exe (which logs
// its command lines and stores what it adds in that folder), and the user's temporary folder,
// where the workspace goes, is a test folder too.

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "bootdisk/test_package.h"
#include "bootdisk/test_world.h"
#include "bootitems/isolist.h"
#include "bootitems/line_list.h"
#include "fakefbinst/tool_folder.h"
#include "platform/platform.h"
#include "platform/win32/wide.h"
#include "support/fake_world.h"
#include "support/program_driver.h"
#include "support/temp_folder.h"
#include "ui/control_ids.h"

namespace zr::e2e {
namespace {

namespace ids = ui::ids;
namespace fakewmi = test::fakewmi;
namespace package = bootdisk::test;
using platform::IsFile;
using platform::IsFolder;
using test::ReadFile;
using Lines = std::vector<std::string>;

constexpr char kDrive = 'U';
const std::string kStick = "USBSTOR\\DISK&VEN_ABC&PROD_FLASH_DISK&REV_1.00\\4C5300012305&0";
const std::string kMakeDone = "恭喜你，制作完成！";
const std::string kNoDisk = "没有发现U盘，请确认U盘是否已插入！";
const std::string kBusyCloseRefused = "正在制作中，请不要退出本程序！";

struct Box {
    std::string caption;
    std::string text;
    bool operator==(const Box&) const = default;
};

void PrintTo(const Box& box, std::ostream* out) {
    *out << box.caption << ": " << box.text;
}

// The path's 8.3 form, as the system gives it.
std::string ShortPathOf(const std::string& path) {
    wchar_t shortPath[MAX_PATH] = {};
    const DWORD n = GetShortPathNameW(platform::win32::Widen(path).c_str(), shortPath, MAX_PATH);
    return platform::win32::Narrow(std::wstring_view(shortPath, n < MAX_PATH ? n : 0));
}

Box Plain(const std::string& text) {
    return {"ZiRuri", text};
}
Box Warning(const std::string& text) {
    return {"警告", text};
}

class BootDiskCommands : public testing::Test {
  protected:
    void SetUp() override {
        for (const char* folder : {"usb", "temp", "tool", "img"}) {
            platform::MakeFolders(root_ / folder);
        }
        drive_.emplace(kDrive, root_ / "usb");
        temp_.emplace(root_ / "temp");
        zr::test::SetFakeToolFolder(root_ / "tool");
        WmiScenario().Write(fakewmi::AssociationRow("Disk #1, Partition #0", "U:") +
                            fakewmi::DriveRow(1, "USB", kStick));
    }
    void TearDown() override {
        if (program_) program_->Kill();
        zr::test::SetFakeToolFolder("");
        temp_.reset();
        drive_.reset();
    }

    // Puts the package in place, starts the program and waits until its list shows the disk.
    void Start() {
        package::WritePackage(folder_.DataDir(), package_);
        program_.emplace(folder_.Exe());
        main_ = program_->WaitForMainWindow();
        ASSERT_NE(main_, nullptr) << "the main window never showed";
        ASSERT_TRUE(WaitUntil([&] {
            const Lines items = ComboItems(Control(ids::cbb_disk));
            return !items.empty() && items[0][0] == kDrive;
        })) << "the disk never showed in the list";
    }
    HWND Control(int id) const { return program_->Control(id); }
    void Click(int id) const { PostMessageW(Control(id), BM_CLICK, 0, 0); }

    // Waits for the program's next message box, answers it and waits until it has gone.
    Box Next(int answer = IDOK) const {
        HWND box = program_->WaitForMessageBox();
        if (!box) return {"(none)", program_->WaitForExit(0) ? "(the program ended)" : ""};
        Box seen{TextOf(box), MessageBoxText(box)};
        Answer(box, answer);
        WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); });
        return seen;
    }
    // Closes the idle program and waits for its end: whatever the last command did is done.
    // False when it shows a message or does not end.
    bool CloseQuietly() const {
        PostMessageW(main_, WM_CLOSE, 0, 0);
        HWND box = nullptr;
        WaitUntil(
            [&] { return program_->WaitForExit(0) || (box = program_->CurrentMessageBox()); });
        return box == nullptr && program_->WaitForExit(0);
    }
    bool Idle() const {
        return IsWindowEnabled(Control(ids::btn_make)) && !IsWindowVisible(Control(ids::lbl_wait));
    }

    void ToolScenario(const std::string& rules) const {
        test::WriteFile(root_ / "tool\\scenario.txt", rules);
    }
    Lines ToolLog() const {
        const std::string log = root_ / "tool\\fbinst.log";
        return IsFile(log) ? bootitems::SplitLines(ReadFile(log)) : Lines{};
    }
    std::string OnDrive(const std::string& name) const { return root_ / "usb\\" + name; }
    std::string Image(const std::string& name, const std::string& bytes) const {
        const std::string path = root_ / "img\\" + name;
        test::WriteFile(path, bytes);
        return path;
    }
    void IsoList(const bootitems::TISOFileInfoArr& items) const {
        bootitems::WriteIsoList(folder_.DataDir() + bootitems::kIsoListName, items);
    }
    Lines MakeLines(const std::string& format, const Lines& imageLines = {}) const {
        return package::StandardMakeLines(workDir_, kDrive, format, imageLines);
    }

    test::TempFolder root_;
    const std::string workDir_ = package::RealPath(root_ / "") + "temp\\KpTemp\\";
    ProgramFolder folder_{BesideTestProgram("ZiRuriOffline.exe")};
    std::vector<kppack::Entry> package_ =
        package::StandardEntries(ReadFile(package::StandInTool()));
    std::optional<fakewmi::MappedDrive> drive_;
    std::optional<package::TemporaryFolderOverride> temp_;
    std::optional<RunningProgram> program_;
    HWND main_ = nullptr;
};

const std::string kMakeQuestion = "本操作将破坏U盘原有数据，且不可恢复...\r还要继续本操作吗？";
const std::string kRestoreQuestion =
    "本操作将破坏U盘原有数据，清除引导信息，且不可恢复...\r还要继续本操作吗？";

// ---- make

// A release carries the digest of its package: a package changed while the window is open is
// refused by both commands, and nothing runs.
TEST_F(BootDiskCommands, APinnedProgramRunsNothingFromAChangedPackage) {
    package::WritePackage(folder_.DataDir(), package_);
    folder_.PinPackage();
    Start();
    package::WritePackage(folder_.DataDir(), package::StandardEntries("another tool"));
    const Box changed =
        Plain("文件:" + folder_.DataDir() + "Data.Kp 已被改动，与本程序不符！请重新下载本程序！");
    Click(ids::btn_make);
    EXPECT_EQ(Next(), changed);
    Click(ids::btn_clean);
    EXPECT_EQ(Next(IDYES), Warning(kRestoreQuestion));
    EXPECT_EQ(Next(), changed);
    EXPECT_EQ(ToolLog(), Lines{});
    EXPECT_TRUE(CloseQuietly());
}

TEST_F(BootDiskCommands, MakeForUsbHddStoresTheListedFilesTheMenuAndTheImages) {
    // A Chinese title and path go through the ANSI code page on their way to the tool. On an
    // English Windows (1252) the path has no form there: the tool gets its short form.
    const std::string iso = Image("Win PE 启动盘.ISO", "iso image");
    const std::string img = Image("dos.img", "floppy image");
    IsoList({{"启动盘", iso}, {"DOS", img}});
    Start();
    Click(ids::btn_make);
    EXPECT_EQ(Next(IDYES), Warning(kMakeQuestion));
    EXPECT_EQ(Next(), Plain(kMakeDone));

    const std::string isoForTool = GetACP() == 1252 ? ShortPathOf(iso) : iso;
    EXPECT_EQ(ToolLog(),
              MakeLines(package::kFormatHdd,
                        {"{W}fbinst.exe {L}: add \"boot/customISO_0.iso\" \"" + isoForTool + "\"",
                         "{W}fbinst.exe {L}: add \"boot/customISO_1.img\" \"" + img + "\""}));
    EXPECT_EQ(ReadFile(OnDrive("grldr")), package::kGrldr);
    EXPECT_EQ(ReadFile(OnDrive("boot\\x\\y.bin")), package::kPayload);
    EXPECT_EQ(ReadFile(OnDrive("boot\\customISO_0.iso")), "iso image");
    EXPECT_EQ(ReadFile(OnDrive("boot\\customISO_1.img")), "floppy image");
    EXPECT_EQ(ReadFile(OnDrive("menu.lst")),
              package::kDefMenu +
                  "\r\ntitle 启动盘\r\nmap --mem (ud)/boot/customISO_0.iso (0xFF)\r\nmap --hook\r\n"
                  "chainloader (0xFF)\r\n"
                  "\r\ntitle DOS\r\nmap --mem (ud)/boot/customISO_1.img (fd0)\r\nmap --hook\r\n"
                  "rootnoverify (fd0)\r\nchainloader +1\r\n");
    EXPECT_FALSE(IsFolder(workDir_)) << "the workspace stayed";
    EXPECT_TRUE(Idle());
    EXPECT_TRUE(CloseQuietly());
}

TEST_F(BootDiskCommands, MakeForUsbZipFormatsWithTheZipSwitch) {
    Start();
    Click(ids::rb_zip);
    ASSERT_TRUE(WaitUntil(
        [&] { return SendMessageW(Control(ids::rb_zip), BM_GETCHECK, 0, 0) == BST_CHECKED; }));
    Click(ids::btn_make);
    EXPECT_EQ(Next(IDYES), Warning(kMakeQuestion));
    EXPECT_EQ(Next(), Plain(kMakeDone));
    EXPECT_EQ(ToolLog(), MakeLines(package::kFormatZip));
    EXPECT_EQ(ReadFile(OnDrive("menu.lst")), package::kDefMenu);
    EXPECT_FALSE(IsFolder(workDir_));
}

// The program runs as administrator while the workspace lies in the user's temporary folder.
// Another program of the user (this test) tries to swap the tool while the question waits:
// the sharing rules that Wine enforces between processes refuse it.
TEST_F(BootDiskCommands, ToolCannotBeSwappedWhileTheQuestionWaits) {
    Start();
    Click(ids::btn_make);
    HWND question = program_->WaitForMessageBox();
    ASSERT_NE(question, nullptr);
    const std::string tool = workDir_ + "fbinst.exe";
    ASSERT_TRUE(IsFile(tool));
    test::WriteFile(root_ / "impostor.exe", "impostor");
    EXPECT_FALSE(platform::File::Open(tool, platform::File::Access::CreateExclusive).IsOpen());
    // Nor written to by one that shares it with every other opener.
    HANDLE writer = CreateFileW(platform::win32::Widen(tool).c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
    EXPECT_FALSE(platform::RemoveFile(tool));
    EXPECT_FALSE(platform::MoveOver(root_ / "impostor.exe", tool));
    EXPECT_FALSE(platform::MoveOver(root_ / "temp\\KpTemp", root_ / "temp\\moved"));

    Answer(question, IDYES);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(question) || !IsWindowVisible(question); }));
    EXPECT_EQ(Next(), Plain(kMakeDone));
    EXPECT_EQ(ToolLog(), MakeLines(package::kFormatHdd));
}

// Sticks swapped while the question waits: the letter is now another disk, and no tool runs.
TEST_F(BootDiskCommands, AnotherDiskBehindTheLetterDuringTheQuestionRunsNoTool) {
    Start();
    Click(ids::btn_make);
    HWND question = program_->WaitForMessageBox();
    ASSERT_NE(question, nullptr);
    WmiScenario().Write(
        fakewmi::AssociationRow("Disk #1, Partition #0", "U:") +
        fakewmi::DriveRow(1, "USB", "USBSTOR\\DISK&VEN_WD&PROD_PASSPORT&REV_1.01\\57&0"));
    Answer(question, IDYES);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(question) || !IsWindowVisible(question); }));
    EXPECT_EQ(Next(), Plain("U盘已更换或已拔出，请重新选择U盘！"));
    EXPECT_EQ(ToolLog(), Lines{});
    EXPECT_TRUE(Idle());
}

TEST_F(BootDiskCommands, ImageOnTheStickBeingMadeRunsNoTool) {
    test::WriteFile(OnDrive("PE.iso"), "iso image");
    IsoList({{"PE", "U:\\PE.iso"}});
    Start();
    Click(ids::btn_make);
    EXPECT_EQ(Next(), Plain("文件:U:\\PE.iso 位于要制作的U盘上，请先复制到其他磁盘！"));
    EXPECT_EQ(ToolLog(), Lines{});
}

// What a user sends when a make fails: every tool line with its exit code, beside the program.
TEST_F(BootDiskCommands, TheLogHoldsEachToolLineWithItsExitCode) {
    Start();
    Click(ids::btn_make);
    EXPECT_EQ(Next(IDYES), Warning(kMakeQuestion));
    EXPECT_EQ(Next(), Plain(kMakeDone));
    ASSERT_TRUE(CloseQuietly());
    const std::string log = ReadFile(folder_.Path() + "ZiRuri.log");
    for (const auto& row : MakeLines(package::kFormatHdd)) {
        EXPECT_NE(log.find("  tool: " + row + " -> exit code 0 in "), std::string::npos) << row;
    }
    EXPECT_NE(log.find("  message: " + kMakeDone + "\r\n"), std::string::npos);
    EXPECT_NE(log.find("  start: ZiRuri "), std::string::npos);
    // The program runs with the common controls 6 that its manifest asks for.
    EXPECT_NE(log.find("common-controls_6595b64144ccf1df_6."), std::string::npos);
    EXPECT_TRUE(log.ends_with("  end\r\n"));
}

TEST_F(BootDiskCommands, WithoutADiskBothCommandsOnlySayThereIsNone) {
    WmiScenario().Write("");
    package::WritePackage(folder_.DataDir(), package_);
    program_.emplace(folder_.Exe());
    main_ = program_->WaitForMainWindow();
    ASSERT_NE(main_, nullptr);
    ASSERT_EQ(ComboItems(Control(ids::cbb_disk)), Lines{"请插入U盘！"});
    Click(ids::btn_make);
    // A plain message: one OK button, centred on the screen rather than on the window.
    HWND box = program_->WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_NE(GetDlgItem(box, IDOK), nullptr);
    EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr);
    EXPECT_EQ(GetDlgItem(box, IDYES), nullptr);
    RECT place{};
    GetWindowRect(box, &place);
    EXPECT_NEAR((place.left + place.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR((place.top + place.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);
    EXPECT_EQ(Next(), Plain(kNoDisk));
    Click(ids::btn_clean);
    EXPECT_EQ(Next(), Plain(kNoDisk));
    EXPECT_TRUE(CloseQuietly());
    EXPECT_FALSE(IsFolder(workDir_)) << "something was extracted";
    EXPECT_EQ(ToolLog(), Lines{});
}

TEST_F(BootDiskCommands, AMissingFileListEndsTheProgram) {
    package::DropEntry(package_, "filelist");
    Start();
    Click(ids::btn_make);
    EXPECT_EQ(Next(), Plain("列表文件丢失！请重新安装！"));
    EXPECT_TRUE(program_->WaitForExit()) << "the program went on";
    EXPECT_TRUE(IsFile(workDir_ + "grldr")) << "the workspace went";
}

TEST_F(BootDiskCommands, AMissingListedFileStopsTheMake) {
    // The file list is stored in code page 936; the message shows the name as the user would
    // read it.
    package::PutEntry(package_, "filelist",
                      *platform::Utf8ToCp936("grldr\r\nboot\\缺少.bin\r\nmenu.lst\r\n"));
    Start();
    Click(ids::btn_make);
    EXPECT_EQ(Next(), Plain("文件:boot\\缺少.bin 丢失！请重新安装！"));
    EXPECT_TRUE(Idle());
    EXPECT_TRUE(CloseQuietly());
    EXPECT_TRUE(IsFile(workDir_ + "grldr")) << "the workspace went";
    EXPECT_EQ(ToolLog(), Lines{});
}

TEST_F(BootDiskCommands, AMissingImageStopsTheMake) {
    const std::string present = Image("a.iso", "iso");
    const std::string missing = root_ / "img\\丢失的镜像.iso";
    IsoList({{"A", present}, {"Gone", missing}});
    Start();
    Click(ids::btn_make);
    EXPECT_EQ(Next(), Plain("文件:" + missing + " 不存在！请检查配置！"));
    EXPECT_TRUE(CloseQuietly());
    EXPECT_EQ(ReadFile(workDir_ + "menu.lst"), "placeholder menu\r\n") << "a menu was made";
    EXPECT_EQ(ToolLog(), Lines{});
}

// The mapped drive is as large as the host's file system; a sparse image makes the sum of
// the listed files and the images land on either side of it.
TEST_F(BootDiskCommands, TheDiskMustHoldTheFilesAndImagesEqualIsEnough) {
    const auto volume = platform::QueryVolumeSpace(std::string(1, kDrive) + ":\\");
    ASSERT_TRUE(volume);
    const int64_t listed =
        static_cast<int64_t>(package::kGrldr.size() + std::string("placeholder menu\r\n").size() +
                             package::kPayload.size());
    const std::string image = root_ / "img\\big.iso";
    package::WriteSparseFile(image, volume->total - listed + 1);
    IsoList({{"Big", image}});
    Start();
    Click(ids::btn_make);
    EXPECT_EQ(Next(), Plain("磁盘空间不足，无法制作启动盘！"));

    platform::RemoveFile(image);
    package::WriteSparseFile(image, volume->total - listed);
    Click(ids::btn_make);
    EXPECT_EQ(Next(IDNO), Warning(kMakeQuestion));
    EXPECT_TRUE(CloseQuietly());
}

TEST_F(BootDiskCommands, AnsweringNoLeavesTheWorkspaceWithTheNewMenuAndRunsNothing) {
    Start();
    Click(ids::btn_make);
    HWND question = program_->WaitForMessageBox();
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(GetWindow(question, GW_OWNER), main_);
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    GetGUIThreadInfo(GetWindowThreadProcessId(question, nullptr), &gui);
    EXPECT_EQ(gui.hwndFocus, GetDlgItem(question, IDNO));
    EXPECT_EQ(GetWindowLongW(GetDlgItem(question, IDNO), GWL_STYLE) & 0xF, BS_DEFPUSHBUTTON);
    EXPECT_EQ(GetWindowLongW(GetDlgItem(question, IDYES), GWL_STYLE) & 0xF, BS_PUSHBUTTON);
    EXPECT_EQ(Next(IDNO), Warning(kMakeQuestion));
    EXPECT_TRUE(Idle());
    EXPECT_TRUE(CloseQuietly());
    EXPECT_EQ(ReadFile(workDir_ + "menu.lst"), package::kDefMenu);
    EXPECT_TRUE(IsFile(workDir_ + "fbinst.exe"));
    EXPECT_EQ(ToolLog(), Lines{});
}

TEST_F(BootDiskCommands, AToolFailureStopsTheMakeNamingTheStepAndTheCode) {
    ToolScenario("exit 5 \"timeout 0\"\r\n");
    Start();
    Click(ids::btn_make);
    EXPECT_EQ(Next(IDYES), Warning(kMakeQuestion));
    EXPECT_EQ(Next(), Plain("写入启动菜单失败！fbinst.exe返回错误码5！"));
    const Lines all = MakeLines(package::kFormatHdd);
    EXPECT_EQ(ToolLog(), Lines(all.begin(), all.begin() + 3));
    EXPECT_TRUE(Idle());
    EXPECT_TRUE(CloseQuietly()) << "a success message followed";
    EXPECT_FALSE(IsFile(OnDrive("grldr")));
}

// The list goes on refreshing while the question is up; the command keeps the drive it took.
// The list follows the disk to its new letter, but the command does not: the letter it took no
// longer holds the disk the user chose, so it stops.
TEST_F(BootDiskCommands, MakeDoesNotFollowTheListWhenTheDiskChangesLetterDuringTheQuestion) {
    Start();
    Click(ids::btn_make);
    ASSERT_NE(program_->WaitForMessageBox(), nullptr);
    WmiScenario().Write(fakewmi::AssociationRow("Disk #1, Partition #0", "V:") +
                        fakewmi::DriveRow(1, "USB", kStick));
    ASSERT_TRUE(WaitUntil([&] {
        const Lines items = ComboItems(Control(ids::cbb_disk));
        return !items.empty() && items[0][0] == 'V';
    })) << "the list was not refreshed during the question";
    EXPECT_EQ(Next(IDYES), Warning(kMakeQuestion));
    EXPECT_EQ(Next(), Plain("U盘已更换或已拔出，请重新选择U盘！"));
    EXPECT_EQ(ToolLog(), Lines{});
}

// ---- the busy state of the extraction

// A close asked for right behind the click is handled at the extraction's first message pass.
TEST_F(BootDiskCommands, ClosingIsRefusedDuringTheExtraction) {
    Start();
    Click(ids::btn_make);
    PostMessageW(main_, WM_CLOSE, 0, 0);
    ASSERT_NE(program_->WaitForMessageBox(), nullptr);
    EXPECT_TRUE(IsWindowVisible(Control(ids::lbl_wait))) << "the refusal came while idle";
    EXPECT_EQ(Next(), Plain(kBusyCloseRefused));
    EXPECT_EQ(Next(IDNO), Warning(kMakeQuestion)) << "the make did not go on";
    EXPECT_TRUE(CloseQuietly());
}

// The timer starts over when the busy state ends, wherever it stood before: the extraction
// begins half way between two ticks, and the next refresh still comes two seconds after it.
TEST_F(BootDiskCommands, TheListIsRefreshedTwoSecondsAfterTheExtraction) {
    Start();
    const ULONGLONG tick = NextRefresh();
    ASSERT_NE(tick, 0u);
    while (GetTickCount64() < tick + 1000) Sleep(5);
    Click(ids::btn_make);
    HWND question = program_->WaitForMessageBox();
    const ULONGLONG idle = GetTickCount64();
    ASSERT_NE(question, nullptr);
    const ULONGLONG refresh = NextRefresh();
    EXPECT_NEAR(static_cast<double>(refresh - idle), 2000, 300);
    EXPECT_EQ(Next(IDNO), Warning(kMakeQuestion));
    EXPECT_TRUE(CloseQuietly());
}

// ---- restore

TEST_F(BootDiskCommands, RestoreReformatsTheDiskAndRemovesTheWorkspace) {
    Start();
    Click(ids::btn_clean);
    EXPECT_EQ(Next(IDYES), Warning(kRestoreQuestion));
    EXPECT_EQ(Next(), Plain(" U盘空间已还原！"));
    EXPECT_EQ(ToolLog(),
              Lines{package::ToolLine("{W}fbinst.exe U: format -f -r", workDir_, kDrive)});
    EXPECT_FALSE(IsFolder(workDir_));
    EXPECT_TRUE(Idle());
    EXPECT_TRUE(CloseQuietly());
}

TEST_F(BootDiskCommands, RestoreAnsweredNoDoesNothing) {
    Start();
    Click(ids::btn_clean);
    EXPECT_EQ(Next(IDNO), Warning(kRestoreQuestion));
    EXPECT_TRUE(CloseQuietly());
    EXPECT_EQ(ToolLog(), Lines{});
    EXPECT_FALSE(IsFolder(workDir_));
}

// ---- while the tool runs

class WhileTheToolRuns : public BootDiskCommands {
  protected:
    // Starts a make whose format step waits for the test's go-ahead.
    void StartSlowMake() {
        ToolScenario("wait go format\r\n");
        Start();
        Click(ids::btn_make);
        ASSERT_EQ(Next(IDYES), Warning(kMakeQuestion));
        ASSERT_TRUE(WaitUntil([&] { return !ToolLog().empty(); })) << "the tool never started";
    }
    Box Finish() const {
        test::WriteFile(root_ / "tool\\go", "");
        return Next();
    }
};

TEST_F(WhileTheToolRuns, TheWindowIsBusyAndRefusesToClose) {
    StartSlowMake();
    for (int id : {ids::cbb_disk, ids::btn_make, ids::btn_config, ids::btn_clean, ids::btn_close}) {
        EXPECT_FALSE(IsWindowEnabled(Control(id))) << "control " << id;
    }
    EXPECT_TRUE(IsWindowEnabled(Control(ids::btn_min)));
    EXPECT_TRUE(IsWindowVisible(Control(ids::lbl_wait)));
    EXPECT_TRUE(IsWindowVisible(Control(ids::img_wait)));

    // Alt held: bit 29 of the key data.
    PostMessageW(main_, WM_SYSKEYDOWN, VK_F4, (1 << 29) | (0x3E << 16) | 1);
    EXPECT_EQ(Next(), Plain(kBusyCloseRefused));
    PostMessageW(main_, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(Next(), Plain(kBusyCloseRefused));
    PostMessageW(main_, WM_CLOSE, 0, 0);
    EXPECT_EQ(Next(), Plain(kBusyCloseRefused));
    // Log-off asks and waits for the answer, which comes only once the message is answered.
    DWORD_PTR logOff = TRUE;
    std::thread ask([&] {
        SendMessageTimeoutW(main_, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, kPatienceMs,
                            &logOff);
    });
    EXPECT_EQ(Next(), Plain(kBusyCloseRefused));
    ask.join();
    EXPECT_EQ(logOff, static_cast<DWORD_PTR>(FALSE));
    EXPECT_TRUE(IsWindowVisible(main_));

    EXPECT_EQ(Finish(), Plain(kMakeDone));
    EXPECT_EQ(ToolLog(), MakeLines(package::kFormatHdd));
    EXPECT_TRUE(Idle());
    // Idle again, Alt+F4 closes without a word.
    PostMessageW(main_, WM_SYSKEYDOWN, VK_F4, (1 << 29) | (0x3E << 16) | 1);
    EXPECT_TRUE(
        WaitUntil([&] { return program_->WaitForExit(0) || program_->CurrentMessageBox(); }));
    EXPECT_TRUE(program_->WaitForExit(0));
}

TEST_F(WhileTheToolRuns, TheDiskListIsNotRefreshed) {
    StartSlowMake();
    // Two ticks' worth of time: a running timer would have refreshed at least once.
    WmiScenario().ClearLog();
    Sleep(4500);
    EXPECT_EQ(WmiScenario().Calls(), Lines{});
    EXPECT_EQ(Finish(), Plain(kMakeDone));
    // Idle again, the timer refreshes the list.
    EXPECT_TRUE(WaitUntil([] { return !WmiScenario().Calls().empty(); }));
}

}  // namespace
}  // namespace zr::e2e
