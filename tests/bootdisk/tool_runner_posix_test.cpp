// RunAndWait with real child processes of the POSIX build; the Windows side runs the stand-in
// tool in bootdisk_wine_tests.

#include <gtest/gtest.h>

#include "bootdisk/tool_runner.h"
#include "platform/platform.h"
#include "recording_host.h"
#include "support/temp_folder.h"
#include "test_world.h"

namespace zr::bootdisk {
namespace {

const std::string kShell = platform::FromHostPath("/bin/sh");

TEST(RunAndWait, ReportsTheExitCode) {
    test::RecordingHost host;
    const ToolOutcome failed = RunAndWait(host, kShell, "sh -c \"exit 3\"");
    EXPECT_EQ(failed.result, ToolOutcome::Result::Ended);
    EXPECT_EQ(failed.exitCode, 3u);
    EXPECT_FALSE(failed.Succeeded());
    EXPECT_TRUE(RunAndWait(host, kShell, "sh -c \"exit 0\"").Succeeded());
}

TEST(RunAndWait, ProcessesMessagesWhileWaitingAndOnceAfterTheEnd) {
    zr::test::TempFolder dir;
    const std::string flag = test::HostPath(dir / "go");
    test::RecordingHost host;
    // The child ends only once the third message pass has made its flag file.
    host.onPump = [&] {
        if (host.pumps == 3) zr::test::WriteFile(dir / "go", "");
    };
    const ToolOutcome outcome = RunAndWait(
        host, kShell, "sh -c \"while [ ! -e '" + flag + "' ]; do sleep 0.01; done; exit 4\"");
    EXPECT_EQ(outcome.result, ToolOutcome::Result::Ended);
    EXPECT_EQ(outcome.exitCode, 4u);
    EXPECT_GE(host.pumps, 4);
}

TEST(RunAndWait, ToolThatCannotStartReturnsAtOnce) {
    zr::test::TempFolder dir;
    test::RecordingHost host;
    const ToolOutcome outcome = RunAndWait(host, dir / "fbinst.exe", "fbinst.exe G: format -f -r");
    EXPECT_EQ(outcome.result, ToolOutcome::Result::NotStarted);
    EXPECT_NE(outcome.errorCode, 0);
    EXPECT_FALSE(outcome.Succeeded());
    EXPECT_EQ(host.pumps, 0);
}

}  // namespace
}  // namespace zr::bootdisk
