// The tool's process: started hidden, polled by the caller.

#include <windows.h>

#include <utility>

#include "platform/platform.h"
#include "platform/win32/handle.h"
#include "platform/win32/wide.h"

namespace zr::platform {

using win32::ToHandle;
using win32::Widen;

void Process::Release() {
    if (handle_ != kInvalid) CloseHandle(ToHandle(std::exchange(handle_, kInvalid)));
}

namespace {

// The system's folders as the system keeps them (not as the user's environment says), then the
// tool's own folder as its place for temporary files. Sorted by name, as Windows expects a
// block to be; each entry ends with a null, the block with one more.
std::wstring ToolEnvironment(const std::wstring& folder) {
    wchar_t windows[MAX_PATH] = {};
    const UINT n = GetSystemWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring root(windows, n > 0 && n < MAX_PATH ? n : 0);
    const std::wstring system = root + L"\\System32";
    std::wstring tools = folder;
    while (tools.size() > 3 && tools.back() == L'\\') tools.pop_back();
    const std::wstring entries[] = {
        L"PATH=" + system + L";" + root,
        L"SystemDrive=" + root.substr(0, 2),
        L"SystemRoot=" + root,
        L"TEMP=" + tools,
        L"TMP=" + tools,
        L"windir=" + root,
    };
    std::wstring block;
    for (const auto& entry : entries) block += entry + L'\0';
    return block + L'\0';
}

}  // namespace

Process Process::StartHidden(const std::string& application, const std::string& commandLine,
                             const std::string& folder) {
    Process process;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION info{};
    std::wstring line = Widen(commandLine);  // CreateProcessW may write into it
    line.push_back(L'\0');
    const std::wstring place = Widen(folder);
    std::wstring environment = ToolEnvironment(place);
    // No console window at all (a hidden console child can still show up in Windows 11's
    // terminal, whose close box would end a format midway), and none of our handles.
    if (!CreateProcessW(Widen(application).c_str(), line.data(), nullptr, nullptr, FALSE,
                        CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT, environment.data(),
                        place.c_str(), &startup, &info)) {
        process.errorCode_ = static_cast<int>(GetLastError());
        process.error_ = platform::ErrorText(process.errorCode_);
        return process;
    }
    CloseHandle(info.hThread);
    process.handle_ = reinterpret_cast<intptr_t>(info.hProcess);
    return process;
}

Process::State Process::WaitFor(int milliseconds) {
    if (handle_ == kInvalid) return State::Failed;
    if (ended_) return State::Ended;
    switch (WaitForSingleObject(ToHandle(handle_), static_cast<DWORD>(milliseconds))) {
        case WAIT_TIMEOUT:
            return State::Running;
        case WAIT_OBJECT_0: {
            DWORD code = 0;
            GetExitCodeProcess(ToHandle(handle_), &code);
            exitCode_ = code;
            ended_ = true;
            return State::Ended;
        }
        default:
            return State::Failed;
    }
}

}  // namespace zr::platform
