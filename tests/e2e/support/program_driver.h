#pragma once

// Drives the real ZiRuri.exe from outside, as a user would, through window messages: start it
// in a folder of its own, wait for its window and controls, click, read and answer its message
// boxes, close it. Every wait is bounded; a program still running at the end is killed.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace zr::e2e {

// How long a wait for the program may take before the test gives up on it.
inline constexpr DWORD kPatienceMs = 30000;

// The build folder of the shipped program (ZiRuri.exe and its data\), found from this test
// program's own place in the build tree; with a trailing backslash.
std::string BuiltProgramFolder();
// A file beside this test program (the test builds of ZiRuri.exe are put there).
std::string BesideTestProgram(const std::string& name);

// A fresh folder holding a program file as ZiRuri.exe and a copy of the built data\ folder,
// removed again with everything in it.
class ProgramFolder {
  public:
    explicit ProgramFolder(const std::string& programFile);

    const std::string& Path() const { return folder_.path(); }
    std::string Exe() const { return folder_.path() + "ZiRuri.exe"; }
    std::string DataDir() const { return folder_.path() + "data\\"; }

    // relative is below the folder, e.g. "data\\Res\\main.jpg".
    void Write(const std::string& relative, const std::string& bytes) const;
    void Remove(const std::string& relative) const;
    void RemoveData() const;
    // Writes the digest of the Data.Kp now in the folder into the program, as a release has it.
    void PinPackage() const;

  private:
    test::TempFolder folder_;
};

class RunningProgram {
  public:
    // Starts the program with its own folder as working folder; throws when it cannot start.
    explicit RunningProgram(const std::string& exe);
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;
    ~RunningProgram();

    DWORD ProcessId() const { return info_.dwProcessId; }

    // The program's visible main window once its controls exist; null if it never comes.
    HWND WaitForMainWindow(DWORD timeoutMs = kPatienceMs);
    // The control of the main window with that id (see ui/control_ids.h).
    HWND Control(int id) const;
    HWND MainWindow() const { return main_; }

    // A visible message box of the program; null if none comes.
    HWND WaitForMessageBox(DWORD timeoutMs = kPatienceMs) const;
    // A message box of the program that is visible right now, or null.
    HWND CurrentMessageBox() const;
    // How many message boxes of the program are visible right now.
    int VisibleMessageBoxes() const;
    // True once the program has ended; false if it is still running after the wait.
    bool WaitForExit(DWORD timeoutMs = kPatienceMs) const;
    void Kill();

  private:
    PROCESS_INFORMATION info_{};
    HWND main_ = nullptr;
};

// Polls until the condition holds; false when it still does not after the wait.
template <typename Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs = kPatienceMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition()) return true;
        if (GetTickCount64() >= end) return false;
        Sleep(20);
    }
}

// Texts, all UTF-8.
std::string TextOf(HWND window);
std::string ClassOf(HWND window);
// The text of a message box (its static text control).
std::string MessageBoxText(HWND box);
// Clicks one of a message box's buttons (IDOK, IDYES, IDNO).
void Answer(HWND box, int button);

// The window that has the keyboard focus in the thread that owns window.
HWND FocusOfThreadOf(HWND window);
// Presses and releases a key through the system's input, as the keyboard does: it goes to the
// focused window of the active one. With shift, Shift is held around it.
void PressKey(WORD key, bool shift = false);
// The ids of the controls that take the focus in window's thread, one a press of the key; 0
// where the focus did not move.
std::vector<int> FocusWalk(HWND window, WORD key, bool shift, int presses);

std::vector<std::string> ComboItems(HWND combo);
int ComboSelection(HWND combo);

// What a screen reader is told a control is called: the name the program gave it (through
// the stand-in annotation service, see fake_access.h), else the system's own (a button's text).
std::string AccessibleName(HWND control);

// What the screen shows of an area (screen coordinates) or a window: its pixels, top row
// first, each as B, G, R, unused.
std::vector<uint32_t> ScreenPixels(const RECT& area);
std::vector<uint32_t> ScreenPixels(HWND window);

// A child's rectangle in its parent's client coordinates.
RECT PlaceInParent(HWND child);
// A window's client area in screen coordinates.
RECT ClientOnScreen(HWND window);

}  // namespace zr::e2e
