#pragma once

// Drives the boot item configuration dialog of a running ZiRuri.exe from outside: finds it,
// and reads and changes the rows of its list view through memory lent inside the program's
// own process, as the list view only takes pointers that are valid there.

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <utility>
#include <vector>

#include "support/program_driver.h"

namespace zr::e2e {

// A visible top-level window of that class in the process, or null.
HWND VisibleWindowOf(DWORD processId, const wchar_t* className);

// The dialog once it is visible; null if it does not show within the wait.
HWND WaitForConfigDialog(const RunningProgram& program, DWORD timeoutMs = kPatienceMs);

// An edit's text, asked of the edit itself (the text of a control of another process is
// not at hand otherwise).
std::string EditText(HWND edit);

using Row = std::pair<std::string, std::string>;  // caption, first sub-item

class RemoteListView {
  public:
    explicit RemoteListView(HWND listView);
    RemoteListView(const RemoteListView&) = delete;
    RemoteListView& operator=(const RemoteListView&) = delete;
    ~RemoteListView();

    int Count() const;
    std::vector<Row> Rows() const;
    std::string Text(int row, int column) const;
    std::string ColumnCaption(int column) const;
    int ColumnWidth(int column) const;
    // Indexes of the selected rows.
    std::vector<int> Selection() const;
    void SetSelected(int row, bool selected) const;
    // Starts editing the row's caption in place; the editor, or null.
    HWND EditLabel(int row) const;

  private:
    // The lent memory: a control structure, then room for a text.
    static constexpr size_t kTextRoom = 4096;
    struct Lent {
        union {
            LVITEMW item;
            LVCOLUMNW column;
        };
        wchar_t text[kTextRoom];
    };
    void Put(const Lent& lent) const;
    Lent Get() const;
    wchar_t* RemoteText() const;
    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) const;

    HWND listView_;
    HANDLE process_ = nullptr;
    Lent* remote_ = nullptr;
};

}  // namespace zr::e2e
