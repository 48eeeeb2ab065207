#include "bootdisk/tool_steps.h"

#include "bootdisk/progress.h"
#include "platform/platform.h"

namespace zr::bootdisk {
namespace {

constexpr const char* kStepFormat = "格式化U盘";
constexpr const char* kStepMenu = "写入启动菜单";
constexpr const char* kStepRestore = "还原U盘空间";

std::string StepAddFile(const std::string& name) {
    return "写入文件:" + name + " ";
}
std::string StepAddImage(const std::string& path) {
    return "写入镜像:" + path + " ";
}

std::string ToolFailure(const std::string& step, const ToolOutcome& outcome) {
    switch (outcome.result) {
        case ToolOutcome::Result::NotStarted:
            return step + "失败！无法启动fbinst.exe，错误码" + std::to_string(outcome.errorCode) +
                   "！";
        case ToolOutcome::Result::Lost:
            return step + "失败！无法得知fbinst.exe是否完成！";
        case ToolOutcome::Result::Ended:
            break;
    }
    return step + "失败！fbinst.exe返回错误码" + std::to_string(outcome.exitCode) + "！";
}

std::string OutcomeText(const ToolOutcome& outcome) {
    switch (outcome.result) {
        case ToolOutcome::Result::NotStarted:
            return "not started, error " + std::to_string(outcome.errorCode);
        case ToolOutcome::Result::Lost:
            return "end unknown";
        case ToolOutcome::Result::Ended:
            break;
    }
    return "exit code " + std::to_string(outcome.exitCode);
}

}  // namespace

int64_t MillisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

// The menu is written by now: the sizes shown are those of the files as they go.
std::vector<ToolStep> MakeSteps(const FbinstCommands& fbinst, bool zip, const std::string& workDir,
                                int64_t required, const std::vector<std::string>& listed,
                                const std::vector<std::pair<std::string, int64_t>>& images) {
    const std::string separator = platform::DecimalSeparator();
    std::vector<ToolStep> steps{{kStepFormat, fbinst.Format(zip, SizeValue(required)), kStepFormat},
                                {kStepMenu, fbinst.MenuDefault(), kStepMenu},
                                {kStepMenu, fbinst.MenuTimeout(), kStepMenu},
                                {kStepMenu, fbinst.MenuGrldr(), kStepMenu}};
    for (const std::string& name : listed) {
        steps.push_back(
            {StepAddFile(name), fbinst.AddListedFile(name),
             WritingText(name, platform::FileLength(workDir + name).value_or(0), separator)});
    }
    for (size_t n = 0; n < images.size(); ++n) {
        const auto& [image, length] = images[n];
        steps.push_back({StepAddImage(image), fbinst.AddCustomImage(n, image),
                         WritingText(image, length, separator)});
    }
    return steps;
}

ToolStep RestoreStep(const FbinstCommands& fbinst) {
    return {kStepRestore, fbinst.Restore(), kStepRestore};
}

// Runs the steps one after another; the first that does not succeed ends the run, and its
// message is the result.
std::optional<std::string> RunSteps(Host& host, ToolRunner& tools, const std::string& application,
                                    const std::vector<ToolStep>& steps) {
    for (size_t i = 0; i < steps.size(); ++i) {
        const ToolStep& step = steps[i];
        host.ShowProgress(StepText(i + 1, steps.size(), step.progress));
        const auto start = std::chrono::steady_clock::now();
        const ToolOutcome outcome = tools.Run(application, step.commandLine);
        host.Log("tool: " + step.commandLine + " -> " + OutcomeText(outcome) + " in " +
                 std::to_string(MillisecondsSince(start)) + " ms");
        if (!outcome.Succeeded()) return ToolFailure(step.name, outcome);
    }
    return std::nullopt;
}

}  // namespace zr::bootdisk
