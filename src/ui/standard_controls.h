#pragma once

// The system's drop-down list and radio button, with texts in UTF-8.

#include <string>

#include "ui/window.h"

namespace zr::ui {

// A drop-down list without free text entry.
class ComboBox : public StandardControl {
public:
    // height is the closed control's; itemHeight that of the entries in the list.
    void Create(HWND parent, int id, RECT bounds, int itemHeight, HFONT font);

    void Clear();
    void Add(const std::string& item);
    int Count() const;
    int SelectedIndex() const;  // -1: none
    void Select(int index);
    std::string Item(int index) const;
    std::string SelectedText() const;  // empty when nothing is selected
};

class RadioButton : public StandardControl {
public:
    // The first button of a group starts it; the ones created after it join it.
    void Create(HWND parent, int id, RECT bounds, const std::string& caption, bool startsGroup,
                HFONT font);
    bool Checked() const;
    void SetChecked(bool checked);
};

}  // namespace zr::ui
