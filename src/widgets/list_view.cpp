#include "widgets/list_view.h"

#include <commctrl.h>

#include "platform/win32/wide.h"
#include "widgets/dpi.h"

namespace zr::widgets {

using platform::win32::Narrow;
using platform::win32::Widen;

ListView::~ListView() {
    if (editor_) RemoveWindowSubclass(editor_, WatchEditor, 0);
}

void ListView::Create(HWND parent, int id, const RECT& bounds, DWORD style, DWORD extendedStyle,
                      HFONT font) {
    Control::Create(WC_LISTVIEWW, parent, id, WS_VISIBLE | LVS_REPORT | style, bounds, {},
                    WS_EX_CLIENTEDGE);
    Send(LVM_SETEXTENDEDLISTVIEWSTYLE, extendedStyle, extendedStyle);
    SetFont(font);
}

void ListView::AddColumn(const std::string& caption, int width) {
    std::wstring text = Widen(caption);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = text.data();
    column.cx = Scaled(width, DpiOf(GetParent(hwnd_)));
    Send(LVM_INSERTCOLUMNW, columnWidths_.size(), reinterpret_cast<LPARAM>(&column));
    columnWidths_.push_back(width);
}

void ListView::Rescale(int dpi) {
    Control::Rescale(dpi);
    for (size_t i = 0; i < columnWidths_.size(); ++i) {
        Send(LVM_SETCOLUMNWIDTH, i, Scaled(columnWidths_[i], dpi));
    }
}

void ListView::AddRow(const std::vector<std::string>& texts) {
    if (texts.empty()) return;
    std::wstring caption = Widen(texts.front());
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = RowCount();
    item.pszText = caption.data();
    const auto row = static_cast<int>(Send(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    for (size_t column = 1; column < texts.size(); ++column) {
        SetText(row, static_cast<int>(column), texts[column]);
    }
}

int ListView::RowCount() const {
    return static_cast<int>(Send(LVM_GETITEMCOUNT));
}

// The list view copies at most the buffer's size and says how much it copied, so the buffer
// grows until the text fits with room to spare.
std::string ListView::Text(int row, int column) const {
    std::wstring buffer(256, L'\0');
    for (;;) {
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(buffer.size());
        const auto copied = static_cast<size_t>(
            Send(LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
        if (copied + 1 < buffer.size()) {
            buffer.resize(copied);
            return Narrow(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
}

void ListView::SetText(int row, int column, const std::string& text) {
    std::wstring wide = Widen(text);
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = wide.data();
    Send(LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

bool ListView::Selected(int row) const {
    return Send(LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED) != 0;
}

void ListView::DeleteRow(int row) {
    Send(LVM_DELETEITEM, static_cast<WPARAM>(row));
}

bool ListView::OnNotify(const NMHDR& header, LRESULT& result) {
    switch (header.code) {
        case LVN_BEGINLABELEDITW:
            BeginEdit();
            result = FALSE;
            return true;
        case LVN_ENDLABELEDITW: {
            const LVITEMW& item = reinterpret_cast<const NMLVDISPINFOW&>(header).item;
            result = EndEdit(item.iItem, item.pszText) ? TRUE : FALSE;
            return true;
        }
    }
    return false;
}

void ListView::BeginEdit() {
    editCancelled_ = false;
    editor_ = reinterpret_cast<HWND>(Send(LVM_GETEDITCONTROL));
    if (editor_) SetWindowSubclass(editor_, WatchEditor, 0, reinterpret_cast<DWORD_PTR>(this));
}

LRESULT CALLBACK ListView::WatchEditor(HWND editor, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR, DWORD_PTR self) {
    auto* list = reinterpret_cast<ListView*>(self);
    if (message == WM_KEYDOWN && wParam == VK_ESCAPE) list->editCancelled_ = true;
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(editor, WatchEditor, 0);
        if (list->editor_ == editor) list->editor_ = nullptr;
    }
    return DefSubclassProc(editor, message, wParam, lParam);
}

// Some list views report a caption edited down to nothing as no text at all, just as they
// report a cancel; the editor, still there, tells the two apart. An emptied caption that is
// kept has to be set here: the list view sets only a text it reported.
bool ListView::EndEdit(int row, const wchar_t* text) {
    std::optional<std::string> confirmed;
    if (text) {
        confirmed = platform::win32::Narrow(text);
    } else if (!editCancelled_ && editor_ && GetWindowTextLengthW(editor_) == 0) {
        confirmed = std::string();
    }
    const bool kept = onEndEdit ? onEndEdit(row, confirmed) : confirmed.has_value();
    if (kept && !text && confirmed) SetText(row, 0, "");
    return kept && text;
}

}  // namespace zr::widgets
