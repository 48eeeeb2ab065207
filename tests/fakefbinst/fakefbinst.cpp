// A stand-in for fbinst.exe, for tests only. It never touches a real disk.
//
// The file zr-fakefbinst.txt of the Windows folder names its folder (a Windows path in UTF-8;
// see tool_folder.h). In it:
//   fbinst.log    every run appends its whole command line and CR LF, in UTF-8 as the real tool
//                 would read it: through GetCommandLineA, in the system's ANSI code page, so
//                 that a character the code page has not arrives as the real tool gets it;
//   scenario.txt  optional, one rule a line, the first matching rule of each kind applies:
//                   exit <code> <text>   exit with <code> when the command line contains <text>
//                   wait <name> <text>   when the command line contains <text>, wait until the
//                                        file <name> exists in the folder before going on
//                 (an empty <text> matches every command line; other lines are ignored).
//   console.log   every run appends how it was started: "own console, no window" for a hidden
//                 start, else "no console", "shared console" or ", window", as a user would see.
// Its own work: "<drive>: add <name> <file>" copies <file> to <drive>:\<name>, "/" read as "\",
// creating the folders on the way. Every other command only logs.
// Exit codes: the scenario's code (0 by default); 81 when an add cannot be done; 90 when
// no folder is named.

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fakefbinst/tool_folder.h"

namespace {

std::string ToUtf8(const std::wstring& wide) {
    if (wide.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

std::wstring ToWide(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::wstring FromAnsi(const char* text) {
    const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::wstring out(static_cast<size_t>(n > 0 ? n : 1), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, out.data(), n);
    out.resize(out.size() - 1);
    return out;
}

std::wstring NamedFolder() {
    FILE* file = _wfopen(zr::test::FakeToolPointer().c_str(), L"rb");
    if (!file) return {};
    char buffer[4096] = {};
    const size_t n = std::fread(buffer, 1, sizeof buffer - 1, file);
    std::fclose(file);
    std::wstring folder(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, buffer,
                                                                static_cast<int>(n), nullptr, 0)),
                        L'\0');
    MultiByteToWideChar(CP_UTF8, 0, buffer, static_cast<int>(n), folder.data(),
                        static_cast<int>(folder.size()));
    return folder;
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadAll(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

void Append(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD put = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
    CloseHandle(file);
}

std::string ConsoleState() {
    DWORD processes[2];
    const DWORD n = GetConsoleProcessList(processes, 2);
    const std::string console = n == 0 ? "no console" : n == 1 ? "own console" : "shared console";
    return console + (GetConsoleWindow() ? ", window" : ", no window");
}

struct Rule {
    std::string kind;
    std::string value;  // the exit code or the file name
    std::string text;
};

std::vector<Rule> ReadScenario(const std::wstring& path) {
    std::vector<Rule> rules;
    const std::string bytes = ReadAll(path);
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string::npos) end = bytes.size();
        const std::string line = bytes.substr(start, end - start);
        start = end + 1;
        const size_t first = line.find(' ');
        if (first == std::string::npos) continue;
        const size_t second = line.find(' ', first + 1);
        Rule rule{line.substr(0, first), line.substr(first + 1, second - first - 1),
                  second == std::string::npos ? std::string() : line.substr(second + 1)};
        if (rule.kind == "exit" || rule.kind == "wait") rules.push_back(rule);
    }
    return rules;
}

const Rule* FirstMatch(const std::vector<Rule>& rules, const char* kind, const std::string& line) {
    for (const auto& rule : rules) {
        if (rule.kind == kind && line.find(rule.text) != std::string::npos) return &rule;
    }
    return nullptr;
}

void MakeFoldersFor(const std::wstring& file) {
    for (size_t cut = file.find(L'\\', 3); cut != std::wstring::npos;
         cut = file.find(L'\\', cut + 1)) {
        CreateDirectoryW(file.substr(0, cut).c_str(), nullptr);
    }
}

bool Add(const std::wstring& drive, std::wstring name, const std::wstring& source) {
    for (auto& c : name) {
        if (c == L'/') c = L'\\';
    }
    const std::wstring target = drive + L"\\" + name;
    MakeFoldersFor(target);
    return CopyFileW(source.c_str(), target.c_str(), FALSE) != FALSE;
}

}  // namespace

int main() {
    const std::wstring folder = NamedFolder();
    if (folder.empty()) {
        std::fputs("fakefbinst: no folder is named\n", stderr);
        return 90;
    }
    const std::wstring base = folder.back() == L'\\' ? folder : folder + L"\\";
    const std::wstring commandLine = FromAnsi(GetCommandLineA());
    const std::string line = ToUtf8(commandLine);
    Append(base + L"fbinst.log", line + "\r\n");
    Append(base + L"console.log", ConsoleState() + "\r\n");

    const std::vector<Rule> rules = ReadScenario(base + L"scenario.txt");
    if (const Rule* wait = FirstMatch(rules, "wait", line)) {
        while (!Exists(base + ToWide(wait->value))) Sleep(10);
    }

    int count = 0;
    LPWSTR* args = CommandLineToArgvW(commandLine.c_str(), &count);
    const bool isAdd = args && count >= 3 && std::wstring(args[2]) == L"add";
    const bool added = isAdd && count >= 5 && Add(args[1], args[3], args[4]);
    LocalFree(args);
    if (isAdd && !added) return 81;

    const Rule* exitRule = FirstMatch(rules, "exit", line);
    return exitRule ? std::atoi(exitRule->value.c_str()) : 0;
}
