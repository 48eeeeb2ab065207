// How RunAndWait waits for a tool, on a clock of the test's own: a wait lasts as long as it
// asks, or until the tool's end.

#include "bootdisk/tool_runner.h"

#include <gtest/gtest.h>

#include <vector>

#include "recording_host.h"

namespace zr::bootdisk {
namespace {

using State = platform::Process::State;

class ClockedTool : public RunningTool {
  public:
    ClockedTool(int runsMs, State end, uint32_t exitCode = 0)
        : runsMs_(runsMs), end_(end), exitCode_(exitCode) {}

    State WaitFor(int milliseconds) override {
        // A wait that lets no time pass would never reach the end.
        if (milliseconds <= 0 || ++waits_ > 1000) return State::Failed;
        if (nowMs + milliseconds < runsMs_) {
            nowMs += milliseconds;
            return State::Running;
        }
        nowMs = runsMs_;
        return end_;
    }
    uint32_t ExitCode() const override { return exitCode_; }

    int nowMs = 0;

  private:
    int runsMs_;
    State end_;
    uint32_t exitCode_;
    int waits_ = 0;
};

// The window never waits more than 100 ms for its messages, and catches up as the tool ends.
TEST(WaitForTool, ProcessesMessagesEveryTenthOfASecondAndOnceAtTheEnd) {
    ClockedTool tool(1050, State::Ended, 3);
    test::RecordingHost host;
    std::vector<int> passes;
    host.onPump = [&] { passes.push_back(tool.nowMs); };
    const ToolOutcome outcome = WaitForTool(host, tool);
    EXPECT_EQ(passes, (std::vector<int>{100, 200, 300, 400, 500, 600, 700, 800, 900, 1000, 1050}));
    EXPECT_EQ(outcome.result, ToolOutcome::Result::Ended);
    EXPECT_EQ(outcome.exitCode, 3u);
}

TEST(WaitForTool, AWaitThatFailsLeavesTheEndUnknown) {
    ClockedTool tool(150, State::Failed);
    test::RecordingHost host;
    const ToolOutcome outcome = WaitForTool(host, tool);
    EXPECT_EQ(outcome.result, ToolOutcome::Result::Lost);
    EXPECT_FALSE(outcome.Succeeded());
    EXPECT_EQ(host.pumps, 2);
}

}  // namespace
}  // namespace zr::bootdisk
