#pragma once

// The system's list view in report style: rows of texts under column headers, UTF-8, with the
// first column's texts editable in place when the style asks for it.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "widgets/window.h"

namespace zr::widgets {

class ListView : public Control {
  public:
    ~ListView() override;

    // style adds LVS_* bits to a report-style list with a client edge; extendedStyle is the
    // LVS_EX_* set.
    void Create(HWND parent, int id, const RECT& bounds, DWORD style, DWORD extendedStyle,
                HFONT font);

    // width in 96-DPI units.
    void AddColumn(const std::string& caption, int width);
    void Rescale(int dpi) override;

    // Appends a row: the first text is its caption, the rest its sub-items.
    void AddRow(const std::vector<std::string>& texts);
    int RowCount() const;
    std::string Text(int row, int column) const;
    void SetText(int row, int column, const std::string& text);
    bool Selected(int row) const;
    void DeleteRow(int row);

    // An in-place edit of a row's caption ended: the text the user confirmed (empty included),
    // or nothing when the edit was cancelled. True keeps the text as the row's caption.
    std::function<bool(int row, const std::optional<std::string>& text)> onEndEdit;

  protected:
    bool OnNotify(const NMHDR& header, LRESULT& result) override;

  private:
    void BeginEdit();
    bool EndEdit(int row, const wchar_t* text);
    static LRESULT CALLBACK WatchEditor(HWND editor, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR, DWORD_PTR self);

    std::vector<int> columnWidths_;  // 96-DPI units
    // The in-place editor while a caption is edited, and whether the user gave up on it.
    HWND editor_ = nullptr;
    bool editCancelled_ = false;
};

}  // namespace zr::widgets
