// ziruri_demo: ZiRuri.exe under Wine in the demo world (see demo_world.h), for make run and for
// the README's pictures.
//   ziruri_demo show <program folder> <world folder>
//       leaves the program to a person; the world goes when the program ends
//   ziruri_demo tour <program folder> <world folder> <pictures folder>
//       makes the stick without a person, saves pictures of the main window, the busy state
//       and the final message, and prints what the tool got and what the program said
//   ziruri_demo pictures <program folder> <world folder> <pictures folder>
//       main-window.png and config-dialog.png, for the README
// The program folder holds ZiRuri.exe and its data\ folder. Folders may be given relative to
// the working folder and with "/"; they are printed as they were given.

#include <windows.h>

#include <fcntl.h>
#include <io.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "demo_walks.h"
#include "demo_world.h"
#include "platform/win32/wide.h"
#include "screen_shot.h"
#include "support/program_driver.h"

namespace {

using zr::platform::win32::Narrow;
using zr::platform::win32::Widen;

std::atomic<bool> gInterrupted{false};

BOOL WINAPI OnConsoleControl(DWORD) {
    gInterrupted = true;
    return TRUE;
}

std::vector<std::string> Arguments() {
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> result;
    for (int i = 0; i < count; ++i) result.push_back(Narrow(args[i]));
    LocalFree(args);
    return result;
}

// A folder as given on the command line, as the host writes it and as Windows does.
struct Folder {
    std::string shown;
    std::string path;  // absolute, with a trailing backslash

    explicit Folder(std::string given) : shown(std::move(given)) {
        for (char& c : shown) {
            if (c == '\\') c = '/';
        }
        if (!shown.ends_with('/')) shown += '/';
        std::wstring relative = Widen(shown);
        for (wchar_t& c : relative) {
            if (c == L'/') c = L'\\';
        }
        std::wstring full(32768, L'\0');
        full.resize(GetFullPathNameW(relative.c_str(), static_cast<DWORD>(full.size()), full.data(),
                                     nullptr));
        path = Narrow(full);
    }
};

void Print(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

std::string HostForm(std::string path) {
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    return path;
}

zr::demo::ShotTaker SaveInto(const Folder& pictures) {
    return [pictures](const std::string& name, const RECT& area) {
        zr::demo::SaveScreenArea(area, pictures.path + name + ".png");
        Print("demo: picture " + pictures.shown + name + ".png");
    };
}

int Show(zr::demo::DemoWorld& world, zr::e2e::RunningProgram& program, const Folder& home) {
    Print(std::string("demo: ZiRuri.exe runs with a simulated USB stick, ") + zr::demo::kStickName +
          " on " + zr::demo::kStickLetter + ": (its folder " + home.shown +
          "stick/), and a stand-in fbinst.exe that logs to " + home.shown +
          "tool/fbinst.log; the demo ends with the program");
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    zr::demo::LetAPersonUseIt(world, program, [] { return gInterrupted.load(); });
    return 0;
}

int Tour(zr::demo::DemoWorld& world, zr::e2e::RunningProgram& program, const Folder& home,
         const Folder& pictures) {
    const zr::demo::MadeDisk made = zr::demo::MakeTheStick(world, program, SaveInto(pictures));
    if (!made.sawBusy) Print("demo: the window was never seen busy (no picture of it)");
    std::string question = made.question;
    std::replace(question.begin(), question.end(), '\r', ' ');
    Print("demo: the question: " + question);
    Print("demo: fbinst.exe got " + std::to_string(made.toolLines.size()) + " command lines:");
    for (const auto& line : made.toolLines) Print("  " + line);
    Print("demo: the final message: " + made.finalMessage);
    std::string files;
    for (const auto& file : world.StickFiles())
        files += (files.empty() ? "" : ", ") + HostForm(file);
    Print("demo: the stick's folder " + home.shown +
          "stick/ holds: " + (files.empty() ? "nothing" : files));
    return 0;
}

int Usage() {
    std::fputs(
        "usage: ziruri_demo show <program folder> <world folder>\n"
        "       ziruri_demo tour|pictures <program folder> <world folder> <pictures>\n",
        stderr);
    return 2;
}

}  // namespace

int main() {
    // UTF-8 and LF as they are, for the file that make run prints; UTF-8 on a Windows console.
    _setmode(_fileno(stdout), _O_BINARY);
    SetConsoleOutputCP(CP_UTF8);
    const std::vector<std::string> args = Arguments();
    if (args.size() < 4) return Usage();
    const std::string& mode = args[1];
    const bool takesPictures = mode == "tour" || mode == "pictures";
    if ((mode != "show" && !takesPictures) || args.size() != (takesPictures ? 5u : 4u)) {
        return Usage();
    }
    const Folder program(args[2]), home(args[3]);
    try {
        zr::demo::DemoWorld world(home.path, program.path + "data\\");
        zr::e2e::RunningProgram running(program.path + "ZiRuri.exe");
        if (mode == "show") return Show(world, running, home);
        const Folder pictures(args[4]);
        if (mode == "tour") return Tour(world, running, home, pictures);
        zr::demo::ShowTheWindows(running, SaveInto(pictures));
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "demo: %s\n", error.what());
        return 1;
    }
}
