#pragma once

// The system's list view in report style: rows of texts under column headers, UTF-8.

#include <string>
#include <vector>

#include "ui/window.h"

namespace zr::ui {

class ListView : public StandardControl {
  public:
    // style adds LVS_* bits to a report-style list with a client edge; extendedStyle is the
    // LVS_EX_* set.
    void Create(HWND parent, int id, RECT bounds, DWORD style, DWORD extendedStyle, HFONT font);

    void AddColumn(const std::string& caption, int width);

    // Appends a row: the first text is its caption, the rest its sub-items.
    void AddRow(const std::vector<std::string>& texts);
    int RowCount() const;
    std::string Text(int row, int column) const;
    void SetText(int row, int column, const std::string& text);
    bool Selected(int row) const;
    void DeleteRow(int row);

  private:
    int columns_ = 0;
};

}  // namespace zr::ui
