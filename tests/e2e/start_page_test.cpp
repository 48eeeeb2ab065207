// Which page the main window's web view is sent to. The test builds of the program have their
// home page on loopback: nothing listens at the offline build's address, and this test serves
// the loopback build's address itself, or listens there without ever answering.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "support/loopback_server.h"
#include "support/program_driver.h"
#include "ui/control_ids.h"

namespace zr::e2e {
namespace {

// What the web view was sent to: the view's host window carries the address.
std::string StartPageOf(RunningProgram& program) {
    return TextOf(program.Control(ui::ids::wbMain));
}

TEST(StartPage, IsTheLocalPageWhenTheHomePageCannotBeReached) {
    ProgramFolder folder(BesideTestProgram("ZiRuriOffline.exe"));
    RunningProgram program(folder.Exe());
    ASSERT_NE(program.WaitForMainWindow(), nullptr);
    EXPECT_EQ(StartPageOf(program), folder.DataDir() + "Res\\index.htm");
    EXPECT_EQ(program.CurrentMessageBox(), nullptr);
}

TEST(StartPage, IsTheLocalPageEvenWhenThatPageIsMissing) {
    ProgramFolder folder(BesideTestProgram("ZiRuriOffline.exe"));
    folder.Remove("data\\Res\\index.htm");
    RunningProgram program(folder.Exe());
    ASSERT_NE(program.WaitForMainWindow(), nullptr);
    EXPECT_EQ(StartPageOf(program), folder.DataDir() + "Res\\index.htm");
    EXPECT_EQ(program.CurrentMessageBox(), nullptr);
}

TEST(StartPage, IsTheHomePageWhenItAnswers) {
    LoopbackServer server(ZR_E2E_HOME_PORT);
    ProgramFolder folder(BesideTestProgram("ZiRuriLoopback.exe"));
    RunningProgram program(folder.Exe());
    ASSERT_NE(program.WaitForMainWindow(), nullptr);
    EXPECT_EQ(StartPageOf(program), "http://localhost:" + std::to_string(ZR_E2E_HOME_PORT) + "/");
    EXPECT_GE(server.Connections(), 1) << "the home page was never checked";
    EXPECT_EQ(program.CurrentMessageBox(), nullptr);
}

// The view keeps to the home page's site: its own first navigation there must pass, or the
// page would never be asked for (Wine's browser asks for it even without an HTML engine).
TEST(StartPage, TheViewAsksTheHomePageForItsPage) {
    LoopbackServer server(ZR_E2E_HOME_PORT);
    ProgramFolder folder(BesideTestProgram("ZiRuriLoopback.exe"));
    RunningProgram program(folder.Exe());
    ASSERT_NE(program.WaitForMainWindow(), nullptr);
    EXPECT_TRUE(WaitUntil([&] {
        const auto lines = server.RequestLines();
        return std::find(lines.begin(), lines.end(), "GET / HTTP/1.1") != lines.end();
    })) << "the web view never asked for the home page";
}

// Where the home page's host drops packets, the check would wait about 21 s an address on
// Windows (127 s here): the window comes when the check's deadline of 3 s has passed, with the
// local page, and the check still hanging keeps nothing waiting when the window is closed.
TEST(StartPage, IsTheLocalPageByTheDeadlineWhenTheHomePagesHostNeverAnswers) {
    SilentListener silent(ZR_E2E_HOME_PORT);
    ProgramFolder folder(BesideTestProgram("ZiRuriLoopback.exe"));
    const ULONGLONG started = GetTickCount64();
    RunningProgram program(folder.Exe());
    ASSERT_NE(program.WaitForMainWindow(), nullptr);
    const ULONGLONG shownAfter = GetTickCount64() - started;
    EXPECT_EQ(StartPageOf(program), folder.DataDir() + "Res\\index.htm");
    EXPECT_GE(shownAfter, 2900u) << "the check came back: the connection was not left hanging";
    EXPECT_LT(shownAfter, 3000u + 7000u) << "the window waited past the check's deadline";

    PostMessageW(program.MainWindow(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.WaitForExit(1000)) << "the program waits for the hanging check";
}

}  // namespace
}  // namespace zr::e2e
