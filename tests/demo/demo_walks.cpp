#include "demo_walks.h"

#include <stdexcept>

#include "bootitems/win32/config_ids.h"
#include "screen_shot.h"
#include "support/config_driver.h"
#include "ui/control_ids.h"

namespace zr::demo {
namespace {

namespace ids = ui::ids;
using e2e::RunningProgram;
using e2e::WaitUntil;

constexpr DWORD kFormatMs = 2000;

void Require(bool happened, const std::string& what) {
    if (!happened) throw std::runtime_error(what + " did not happen");
}

// Repaints, the disk list's refresh and the wait animation's first frames take a moment
// after the state a picture waits for.
void Settle() {
    Sleep(700);
}

void Click(HWND button) {
    PostMessageW(button, BM_CLICK, 0, 0);
}

HWND WaitForStick(RunningProgram& program) {
    HWND main = program.WaitForMainWindow();
    Require(main != nullptr, "the main window showing");
    Require(WaitUntil([&] {
                const auto items = e2e::ComboItems(program.Control(ids::cbb_disk));
                return !items.empty() && items[0][0] == kStickLetter;
            }),
            "the stick showing in the disk list");
    return main;
}

// Answers the program's next message box; its text.
std::string AnswerNext(const RunningProgram& program, int button) {
    HWND box = program.WaitForMessageBox();
    Require(box != nullptr, "a message box");
    const std::string text = e2e::MessageBoxText(box);
    e2e::Answer(box, button);
    Require(WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }),
            "the message box closing");
    return text;
}

void CloseProgram(RunningProgram& program, HWND main) {
    PostMessageW(main, WM_CLOSE, 0, 0);
    Require(program.WaitForExit(), "the program ending");
}

}  // namespace

MadeDisk MakeTheStick(DemoWorld& world, RunningProgram& program, const ShotTaker& shoot) {
    MadeDisk made;
    HWND main = WaitForStick(program);
    Settle();
    shoot("main-window", FramesOf({main}));

    Click(program.Control(ids::btn_make));
    made.question = AnswerNext(program, IDYES);
    Require(WaitUntil([&] { return world.Hold().Holding() || program.CurrentMessageBox(); }),
            "the tool starting");
    made.sawBusy = world.Hold().Holding() && IsWindowVisible(program.Control(ids::lbl_wait));
    if (made.sawBusy) {
        Settle();
        shoot("busy", FramesOf({main}));
    }
    world.Hold().Release();

    HWND box = program.WaitForMessageBox();
    Require(box != nullptr, "the final message");
    Settle();
    shoot("done", FramesOf({main, box}));
    made.finalMessage = AnswerNext(program, IDOK);
    made.toolLines = world.ToolLog();
    CloseProgram(program, main);
    return made;
}

void ShowTheWindows(RunningProgram& program, const ShotTaker& shoot) {
    HWND main = WaitForStick(program);
    Settle();
    shoot("main-window", FramesOf({main}));

    Click(program.Control(ids::btn_config));
    HWND dialog = e2e::WaitForConfigDialog(program);
    Require(dialog != nullptr, "the boot item dialog opening");
    Settle();
    shoot("config-dialog", FramesOf({dialog}));
    Click(GetDlgItem(dialog, bootitems::ids::btn_cancel));
    Require(WaitUntil([&] { return !IsWindowVisible(dialog); }), "the dialog closing");
    CloseProgram(program, main);
}

void LetAPersonUseIt(DemoWorld& world, RunningProgram& program,
                     const std::function<bool()>& stopRequested) {
    ULONGLONG heldSince = 0;
    while (!program.WaitForExit(100) && !stopRequested()) {
        if (!world.Hold().Holding()) continue;
        if (heldSince == 0) heldSince = GetTickCount64();
        if (GetTickCount64() - heldSince >= kFormatMs) {
            world.Hold().Release();
            heldSince = 0;
        }
    }
}

}  // namespace zr::demo
