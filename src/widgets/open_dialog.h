#pragma once

// The system's file-open dialog, kept as an object so that each run starts where the last one
// ended.

#include <windows.h>

#include <string>

namespace zr::widgets {

class OpenDialog {
  public:
    // "description|patterns", pairs joined by "|" (e.g. "Images|*.img;*.iso").
    std::string Filter;
    // The file chosen last, UTF-8; the next run opens on it.
    std::string FileName;

    // Runs the dialog modally over owner. The read-only box is hidden and the typed name need
    // not exist. True, with FileName set, when the user chose a file.
    bool Execute(HWND owner);
};

}  // namespace zr::widgets
