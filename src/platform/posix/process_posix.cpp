// The tool's process on POSIX: started with Windows' argument rules, polled by the caller.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/drive_map.h"

namespace zr::platform {
namespace {

// Windows' rules for splitting a command line into arguments.
std::vector<std::string> SplitCommandLine(const std::string& line) {
    std::vector<std::string> args;
    size_t i = 0;
    const size_t n = line.size();
    while (i < n) {
        while (i < n && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i >= n) break;
        std::string arg;
        bool quoted = false;
        while (i < n && (quoted || (line[i] != ' ' && line[i] != '\t'))) {
            if (line[i] == '\\') {
                size_t count = 0;
                while (i < n && line[i] == '\\') ++count, ++i;
                if (i < n && line[i] == '"') {
                    arg.append(count / 2, '\\');
                    if (count % 2 == 1) {
                        arg.push_back('"');
                        ++i;
                    }
                } else {
                    arg.append(count, '\\');
                }
            } else if (line[i] == '"') {
                if (quoted && i + 1 < n && line[i + 1] == '"') {
                    arg.push_back('"');
                    ++i;
                }
                quoted = !quoted;
                ++i;
            } else {
                arg.push_back(line[i++]);
            }
        }
        args.push_back(arg);
    }
    return args;
}

}  // namespace

// A child that has ended is reaped here.
void Process::Release() {
    if (handle_ != kInvalid && !ended_) waitpid(static_cast<pid_t>(handle_), nullptr, WNOHANG);
    handle_ = kInvalid;
}

Process Process::StartHidden(const std::string& application, const std::string& commandLine,
                             const std::string& folder) {
    Process process;
    auto host = posix::ToHostPath(application);
    const auto place = posix::ToHostPath(folder).value_or("/");
    // The host's own tool folders stand for the system's; the rest of the environment stays
    // behind, as on Windows.
    std::string path = "PATH=/usr/bin:/bin", temp = "TEMP=" + place, tmp = "TMP=" + place;
    char* environment[] = {path.data(), temp.data(), tmp.data(), nullptr};
    struct stat st {};
    if (!host || stat(host->c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        process.errorCode_ = ENOENT;
        process.error_ = platform::ErrorText(ENOENT);
        return process;
    }
    std::vector<std::string> args = SplitCommandLine(commandLine);
    if (args.empty()) args.push_back(*host);
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        process.errorCode_ = errno;
        process.error_ = platform::ErrorText(errno);
        return process;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(place.c_str()) == 0) execve(host->c_str(), argv.data(), environment);
        const int code = errno;
        (void)!::write(pipeFds[1], &code, sizeof code);
        _exit(127);
    }
    close(pipeFds[1]);
    int code = 0;
    const bool execFailed = pid > 0 && ::read(pipeFds[0], &code, sizeof code) == sizeof code;
    close(pipeFds[0]);
    if (pid < 0 || execFailed) {
        if (pid > 0) waitpid(pid, nullptr, 0);
        process.errorCode_ = pid < 0 ? errno : code;
        process.error_ = platform::ErrorText(process.errorCode_);
        return process;
    }
    process.handle_ = pid;
    return process;
}

Process::State Process::WaitFor(int milliseconds) {
    if (handle_ == kInvalid) return State::Failed;
    if (ended_) return State::Ended;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        int status = 0;
        const pid_t rc = waitpid(static_cast<pid_t>(handle_), &status, WNOHANG);
        if (rc == static_cast<pid_t>(handle_)) {
            exitCode_ = WIFEXITED(status) ? static_cast<uint32_t>(WEXITSTATUS(status)) : 255u;
            ended_ = true;
            return State::Ended;
        }
        if (rc < 0) return State::Failed;
        if (std::chrono::steady_clock::now() >= deadline) return State::Running;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

}  // namespace zr::platform
