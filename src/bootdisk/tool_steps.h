#pragma once

// The tool's runs of a command, each with what it does for the user: for the line under the
// wait caption while it runs, and for the message when it fails.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "bootdisk/fbinst_commands.h"
#include "bootdisk/host.h"
#include "bootdisk/tool_runner.h"

namespace zr::bootdisk {

// One run of the tool, with the name of the step it does for the user.
struct ToolStep {
    std::string name;
    std::string commandLine;
    std::string progress;  // what the second line under the wait caption says of it
};

// The make's runs in order: the format, the menu's three lines, each listed file of the
// workspace, each image (its path as stored and its length).
std::vector<ToolStep> MakeSteps(const FbinstCommands& fbinst, bool zip, const std::string& workDir,
                                int64_t required, const std::vector<std::string>& listed,
                                const std::vector<std::pair<std::string, int64_t>>& images);
ToolStep RestoreStep(const FbinstCommands& fbinst);

// Runs the steps one after another; the first that does not succeed ends the run, and its
// message is the result.
std::optional<std::string> RunSteps(Host& host, ToolRunner& tools, const std::string& application,
                                    const std::vector<ToolStep>& steps);

int64_t MillisecondsSince(std::chrono::steady_clock::time_point start);

}  // namespace zr::bootdisk
