#include "bootdisk/tool_runner.h"

namespace zr::bootdisk {
namespace {

using platform::Process;

class ToolProcess : public RunningTool {
  public:
    explicit ToolProcess(Process& process) : process_(process) {}
    Process::State WaitFor(int milliseconds) override { return process_.WaitFor(milliseconds); }
    uint32_t ExitCode() const override { return process_.ExitCode(); }

  private:
    Process& process_;
};

}  // namespace

// The tool runs in its own folder, the workspace, which is also its place for temporary files.
ToolOutcome RunAndWait(Host& host, const std::string& application, const std::string& commandLine) {
    const std::string folder = application.substr(0, application.find_last_of('\\') + 1);
    Process process = Process::StartHidden(application, commandLine, folder);
    if (!process.IsStarted()) {
        return {ToolOutcome::Result::NotStarted, 0, process.ErrorCode()};
    }
    // Starting a process takes a while: the window catches up before the first slice too.
    host.ProcessMessages();
    ToolProcess tool(process);
    return WaitForTool(host, tool);
}

ToolOutcome WaitForTool(Host& host, RunningTool& tool) {
    Process::State state = Process::State::Running;
    while (state == Process::State::Running) {
        state = tool.WaitFor(100);
        host.ProcessMessages();  // also after the last slice, so the window catches up at once
    }
    if (state == Process::State::Failed) return {ToolOutcome::Result::Lost, 0, 0};
    return {ToolOutcome::Result::Ended, tool.ExitCode(), 0};
}

}  // namespace zr::bootdisk
