#include "widgets/controls.h"

#include "platform/win32/wide.h"
#include "widgets/dpi.h"

namespace zr::widgets {

using platform::win32::Narrow;
using platform::win32::Widen;

namespace {

// How many entries the open list shows before it scrolls.
constexpr int kVisibleEntries = 8;

}  // namespace

// ---- PushButton ----

void PushButton::Create(HWND parent, int id, const RECT& bounds, const std::string& caption,
                        HFONT font) {
    Control::Create(L"BUTTON", parent, id, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, bounds,
                    caption);
    SetFont(font);
}

void PushButton::OnCommand(WORD code) {
    if (code == BN_CLICKED && onClick) onClick();
}

// Enter clicks the focused button itself: outside a dialog box of the system's, the dialog
// keyboard handling would only send an IDOK that no button of ours answers to.
LRESULT PushButton::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_GETDLGCODE: {
            const auto* msg = reinterpret_cast<const MSG*>(lParam);
            const LRESULT code = Control::OnMessage(message, wParam, lParam);
            if (msg && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN) {
                return code | DLGC_WANTMESSAGE;
            }
            return code;
        }
        case WM_KEYDOWN:
            if (wParam == VK_RETURN) {
                if (onClick) onClick();
                return 0;
            }
            break;
    }
    return Control::OnMessage(message, wParam, lParam);
}

// ---- RadioButton ----

void RadioButton::Create(HWND parent, int id, const RECT& bounds, const std::string& caption,
                         bool startsGroup, HFONT font) {
    Control::Create(L"BUTTON", parent, id,
                    WS_VISIBLE | WS_TABSTOP | BS_AUTORADIOBUTTON | (startsGroup ? WS_GROUP : 0),
                    bounds, caption);
    SetFont(font);
}

bool RadioButton::Checked() const {
    return Send(BM_GETCHECK) == BST_CHECKED;
}

void RadioButton::SetChecked(bool checked) {
    Send(BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED);
}

void RadioButton::OnCommand(WORD code) {
    if (code == BN_CLICKED && onClick) onClick();
}

// ---- Edit ----

void Edit::Create(HWND parent, int id, const RECT& bounds, DWORD style, HFONT font) {
    Control::Create(L"EDIT", parent, id, WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL | style, bounds,
                    {}, WS_EX_CLIENTEDGE);
    SetFont(font);
    Send(EM_SETLIMITTEXT, 0);
}

void Edit::OnCommand(WORD code) {
    if (code == EN_CHANGE && onChange) onChange();
}

// ---- StaticText, GroupBox ----

void StaticText::Create(HWND parent, int id, const RECT& bounds, const std::string& text,
                        HFONT font) {
    Control::Create(L"STATIC", parent, id, WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX, bounds,
                    text);
    SetFont(font);
}

void GroupBox::Create(HWND parent, int id, const RECT& bounds, const std::string& caption,
                      HFONT font) {
    Control::Create(L"BUTTON", parent, id, WS_VISIBLE | BS_GROUPBOX, bounds, caption);
    SetFont(font);
}

// ---- ComboBox ----

void ComboBox::Create(HWND parent, int id, const RECT& bounds, int itemHeight, HFONT font) {
    itemHeight_ = itemHeight;
    Control::Create(
        L"COMBOBOX", parent, id,
        WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_GROUP | CBS_DROPDOWNLIST | CBS_HASSTRINGS,
        bounds);
    SetFont(font);
    Rescale(DpiOf(parent));
}

// A drop-down list's window height is that of its open list; the closed height is the
// selection field's and the frame's around it, which the theme decides: it is measured.
void ComboBox::Rescale(int dpi) {
    RECT open = ScaledRect(design_, dpi);
    const int closed = open.bottom - open.top;
    const int itemHeight = Scaled(itemHeight_, dpi);
    open.bottom += kVisibleEntries * itemHeight + 2;
    SetBounds(open);
    Send(CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), closed);
    const int frame = Height() - closed;
    Send(CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), closed - frame);
    Send(CB_SETITEMHEIGHT, 0, itemHeight);
}

void ComboBox::Clear() {
    Send(CB_RESETCONTENT);
}

void ComboBox::Add(const std::string& item) {
    Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
}

int ComboBox::Count() const {
    return static_cast<int>(Send(CB_GETCOUNT));
}

int ComboBox::SelectedIndex() const {
    return static_cast<int>(Send(CB_GETCURSEL));
}

void ComboBox::Select(int index) {
    Send(CB_SETCURSEL, static_cast<WPARAM>(index));
}

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

void ComboBox::OnCommand(WORD code) {
    if (code == CBN_SELCHANGE && onChange) onChange();
}

}  // namespace zr::widgets
