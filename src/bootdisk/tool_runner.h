#pragma once

// Running fbinst.exe: one hidden process at a time, waited for in slices of 100 ms with the
// window's messages processed after each slice, so the window stays alive while it runs.

#include <cstdint>
#include <string>

#include "bootdisk/host.h"
#include "platform/platform.h"

namespace zr::bootdisk {

struct ToolOutcome {
    enum class Result {
        Ended,       // the process ended; exitCode holds its code
        NotStarted,  // the process could not be created; errorCode holds the system's code
        Lost         // waiting for the process failed, so its end is unknown
    };
    Result result = Result::Ended;
    uint32_t exitCode = 0;
    int errorCode = 0;

    bool Succeeded() const { return result == Result::Ended && exitCode == 0; }
};

// application is the tool's full path, which is never looked up on the search path;
// commandLine is handed to it as it stands.
ToolOutcome RunAndWait(Host& host, const std::string& application, const std::string& commandLine);

// A started tool as RunAndWait waits for it: the process in the program, a tool on a clock of
// their own in the tests.
class RunningTool {
  public:
    virtual ~RunningTool() = default;
    virtual platform::Process::State WaitFor(int milliseconds) = 0;
    // Valid once WaitFor has answered Ended.
    virtual uint32_t ExitCode() const = 0;
};

// RunAndWait once the tool has started.
ToolOutcome WaitForTool(Host& host, RunningTool& tool);

// Where the commands send their tool runs; tests put a recorder here.
class ToolRunner {
  public:
    virtual ~ToolRunner() = default;
    virtual ToolOutcome Run(const std::string& application, const std::string& commandLine) = 0;
};

// The real thing: RunAndWait with the host's message pump.
class ProcessToolRunner : public ToolRunner {
  public:
    explicit ProcessToolRunner(Host& host) : host_(host) {}
    ToolOutcome Run(const std::string& application, const std::string& commandLine) override {
        return RunAndWait(host_, application, commandLine);
    }

  private:
    Host& host_;
};

}  // namespace zr::bootdisk
