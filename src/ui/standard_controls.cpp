#include "ui/standard_controls.h"

#include "platform/win32/wide.h"

namespace zr::ui {

using platform::win32::Narrow;
using platform::win32::Widen;

namespace {

// Borders of a closed drop-down list above and below its selection field.
constexpr int kComboFrame = 6;
// How many entries the open list shows before it scrolls.
constexpr int kVisibleEntries = 8;

}  // namespace

void ComboBox::Create(HWND parent, int id, RECT bounds, int itemHeight, HFONT font) {
    // A drop-down list's window height is that of its open list; the closed height follows
    // from the selection field's height, set below.
    RECT open = bounds;
    open.bottom = bounds.top + (bounds.bottom - bounds.top) + kVisibleEntries * itemHeight + 2;
    StandardControl::Create(L"COMBOBOX", parent, id,
                            WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_GROUP | CBS_DROPDOWNLIST |
                                CBS_HASSTRINGS,
                            open);
    SetFont(font);
    Send(CB_SETITEMHEIGHT, static_cast<WPARAM>(-1),
         (bounds.bottom - bounds.top) - kComboFrame);
    Send(CB_SETITEMHEIGHT, 0, itemHeight);
}

void ComboBox::Clear() { Send(CB_RESETCONTENT); }

void ComboBox::Add(const std::string& item) {
    Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
}

int ComboBox::Count() const { return static_cast<int>(Send(CB_GETCOUNT)); }

int ComboBox::SelectedIndex() const { return static_cast<int>(Send(CB_GETCURSEL)); }

void ComboBox::Select(int index) { Send(CB_SETCURSEL, static_cast<WPARAM>(index)); }

std::string ComboBox::Item(int index) const {
    const LRESULT length = Send(CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
    if (length == CB_ERR) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    Send(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return Narrow(text);
}

std::string ComboBox::SelectedText() const {
    const int index = SelectedIndex();
    return index < 0 ? std::string() : Item(index);
}

void RadioButton::Create(HWND parent, int id, RECT bounds, const std::string& caption,
                         bool startsGroup, HFONT font) {
    StandardControl::Create(L"BUTTON", parent, id,
                            WS_VISIBLE | WS_TABSTOP | BS_AUTORADIOBUTTON |
                                (startsGroup ? WS_GROUP : 0),
                            bounds, caption);
    SetFont(font);
}

bool RadioButton::Checked() const { return Send(BM_GETCHECK) == BST_CHECKED; }

void RadioButton::SetChecked(bool checked) {
    Send(BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED);
}

}  // namespace zr::ui
