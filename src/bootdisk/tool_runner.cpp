#include "bootdisk/tool_runner.h"

#include "platform/platform.h"

namespace zr::bootdisk {

ToolOutcome RunAndWait(Host& host, const std::string& application, const std::string& commandLine) {
    using platform::Process;
    Process process = Process::StartHidden(application, commandLine);
    if (!process.IsStarted()) {
        return {ToolOutcome::Result::NotStarted, 0, process.ErrorCode()};
    }
    Process::State state = Process::State::Running;
    while (state == Process::State::Running) {
        state = process.WaitFor(100);
        host.ProcessMessages();  // also after the last slice, so the window catches up at once
    }
    if (state == Process::State::Failed) return {ToolOutcome::Result::Lost, 0, 0};
    return {ToolOutcome::Result::Ended, process.ExitCode(), 0};
}

}  // namespace zr::bootdisk
