#pragma once

// What the demo does with a running ZiRuri.exe in the demo world, the way a person at the
// screen would: through its window and message boxes (see support/program_driver.h). A walk
// that meets something other than what it waits for throws, saying what did not happen.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "demo_world.h"
#include "support/program_driver.h"

namespace zr::demo {

// Takes a picture of an area of the screen under a name ("main-window").
using ShotTaker = std::function<void(const std::string& name, const RECT& area)>;

struct MadeDisk {
    std::string question;  // the warning the make asked before it began
    bool sawBusy = false;  // the window showed its busy state while the tool was held
    std::string finalMessage;
    std::vector<std::string> toolLines;
};

// Presses 一键制成USB启动盘 once the stick is listed, answers Yes, holds the tool's format step
// while the window is busy, reads the final message and closes the program. Pictures: the main
// window ("main-window"), the busy state ("busy") and the final message ("done").
MadeDisk MakeTheStick(DemoWorld& world, e2e::RunningProgram& program, const ShotTaker& shoot);

// The README's pictures: the main window with the stick listed ("main-window"), and the boot
// item dialog with the example images, opened from U盘启动项配置 ("config-dialog").
void ShowTheWindows(e2e::RunningProgram& program, const ShotTaker& shoot);

// Leaves the program to a person until it ends or stopRequested says so; each format step
// is held for a moment, as a real stick takes its time.
void LetAPersonUseIt(DemoWorld& world, e2e::RunningProgram& program,
                     const std::function<bool()>& stopRequested);

}  // namespace zr::demo
