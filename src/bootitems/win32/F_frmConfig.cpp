#include "bootitems/win32/F_frmConfig.h"

#include <commctrl.h>

#include "bootitems/add_rule.h"
#include "bootitems/isolist.h"
#include "bootitems/win32/config_ids.h"

namespace zr::bootitems {

namespace {

// Not WS_CLIPCHILDREN: the group box paints only its frame and caption, and its inside is
// the dialog's own background.
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
constexpr int kClientWidth = 512;
constexpr int kClientHeight = 241;

constexpr char kCaption[] = "启动项高级管理（仅供专业人士使用）";
constexpr char kFontFace[] = "宋体";
constexpr int kFontHeight = 14;
constexpr char kImageFilter[] = "镜像文件|*.img;*.iso";

// grp_add's top-left corner: the controls inside the group are laid out from it.
constexpr int kGroupLeft = 8;
constexpr int kGroupTop = 16;

RECT Place(int left, int top, int width, int height) {
    return {left, top, left + width, top + height};
}

RECT PlaceInGroup(int left, int top, int width, int height) {
    return Place(kGroupLeft + left, kGroupTop + top, width, height);
}

// The dialog's buttons are for the mouse only: a click must leave the keyboard focus where
// it was, in an edit or in the list. The button still presses and clicks as usual; it just
// never keeps the focus its mouse handling gives it.
LRESULT CALLBACK RefuseFocus(HWND button, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                             DWORD_PTR) {
    switch (message) {
        case WM_SETFOCUS: {
            const auto previous = reinterpret_cast<HWND>(wParam);
            SetFocus(previous && IsWindow(previous) ? previous : GetParent(button));
            return 0;
        }
        case WM_KILLFOCUS:
            // It never had the focus as far as its own procedure knows, and losing it here would
            // end the press before the button is released.
            return 0;
        case WM_NCDESTROY:
            RemoveWindowSubclass(button, RefuseFocus, 0);
            break;
    }
    return DefSubclassProc(button, message, wParam, lParam);
}

void CreateButton(ui::StandardControl& button, HWND parent, int id, RECT bounds,
                  const std::string& caption, HFONT font) {
    button.Create(L"BUTTON", parent, id, WS_VISIBLE | BS_PUSHBUTTON, bounds, caption);
    button.SetFont(font);
    SetWindowSubclass(button.Handle(), RefuseFocus, 0, 0);
}

void CreateLabel(ui::StandardControl& label, HWND parent, int id, RECT bounds,
                 const std::string& text, HFONT font) {
    // A face wider than the designed one clips the end of the text rather than wrapping
    // whole characters out of sight.
    label.Create(L"STATIC", parent, id, WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX, bounds, text);
    label.SetFont(font);
}

void CreateEdit(ui::StandardControl& edit, HWND parent, int id, RECT bounds, DWORD style,
                HFONT font) {
    edit.Create(L"EDIT", parent, id, WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL | style, bounds, {},
                WS_EX_CLIENTEDGE);
    edit.SetFont(font);
    // No limit but the system's own.
    edit.Send(EM_SETLIMITTEXT, 0);
}

RECT FrameFor(int clientWidth, int clientHeight) {
    RECT frame{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
    return {0, 0, frame.right - frame.left, frame.bottom - frame.top};
}

}  // namespace

TfrmConfig::TfrmConfig(HWND owner, const std::string& dataDir)
    : owner_(owner), isoListPath_(dataDir + kIsoListName) {
    CustomWindow::Create({.className = ids::kConfigWindowClass,
                          .parent = owner,
                          .style = kStyle,
                          .exStyle = kExStyle,
                          .bounds = FrameFor(kClientWidth, kClientHeight),
                          .classBrush = GetSysColorBrush(COLOR_BTNFACE)});
    SetText(kCaption);
}

// Created top of the z-order first, which makes edt_title, edt_iso and lv_menu the tab order;
// the group box goes beneath the controls that lie in it.
void TfrmConfig::CreateControls() {
    font_ = ui::MakeFont(kFontFace, kFontHeight);
    HFONT font = font_.get();

    CreateLabel(lbl1, hwnd_, ids::lbl1, PlaceInGroup(16, 24, 70, 14), "菜单名称：", font);
    CreateEdit(edt_title, hwnd_, ids::edt_title, PlaceInGroup(16, 40, 169, 22), 0, font);
    CreateLabel(lbl2, hwnd_, ids::lbl2, PlaceInGroup(16, 64, 91, 14), "ISO文件路径：", font);
    CreateEdit(edt_iso, hwnd_, ids::edt_iso, PlaceInGroup(16, 84, 169, 22), ES_READONLY, font);
    CreateButton(btn_selectiso, hwnd_, ids::btn_selectiso, PlaceInGroup(188, 82, 23, 22), "...",
                 font);
    CreateButton(btn_add, hwnd_, ids::btn_add, PlaceInGroup(50, 120, 103, 33), ">> 添加", font);
    CreateLabel(lbl3, hwnd_, ids::lbl3, Place(248, 16, 70, 14), "启动菜单项", font);
    CreateButton(btn_delete, hwnd_, ids::btn_delete, Place(440, 8, 65, 22), "删除", font);
    lv_menu.Create(hwnd_, ids::lv_menu, Place(248, 32, 257, 153),
                   WS_TABSTOP | LVS_SINGLESEL | LVS_EDITLABELS | LVS_NOSORTHEADER,
                   LVS_EX_FULLROWSELECT, font);
    lv_menu.AddColumn("启动项菜单名", 100);
    lv_menu.AddColumn("镜像文件路径", 140);
    CreateButton(btn_ok, hwnd_, ids::btn_ok, Place(112, 200, 97, 33), "确  定", font);
    CreateButton(btn_cancel, hwnd_, ids::btn_cancel, Place(280, 200, 97, 33), "取  消", font);
    grp_add.Create(L"BUTTON", hwnd_, ids::grp_add, WS_VISIBLE | BS_GROUPBOX,
                   Place(kGroupLeft, kGroupTop, 217, 169), "自定义选项");
    grp_add.SetFont(font);

    dlgOpen.Filter = kImageFilter;
}

void TfrmConfig::FormCreate() {
    for (const auto& item : ReadIsoList(isoListPath_)) {
        lv_menu.AddRow({item.Title, item.ImagePath});
    }
}

void TfrmConfig::ShowModal() {
    // However the showing ends, the owner takes input again, and before the dialog hides, so
    // that the owner is the window that gets activated.
    struct OwnerDisabled {
        HWND owner;
        explicit OwnerDisabled(HWND window) : owner(window) { EnableWindow(owner, FALSE); }
        OwnerDisabled(const OwnerDisabled&) = delete;
        OwnerDisabled& operator=(const OwnerDisabled&) = delete;
        ~OwnerDisabled() { EnableWindow(owner, TRUE); }
    };
    CentreOverOwner();
    closed_ = false;
    {
        OwnerDisabled disabled(owner_);
        ShowWindow(hwnd_, SW_SHOW);
        SetFocus(edt_title.Handle());
        // The owner's messages, its refresh timer among them, go on being dispatched.
        MSG msg{};
        while (!closed_ && hwnd_) {
            const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
            if (got == -1) break;
            if (!got) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                break;
            }
            if (!IsDialogMessageW(hwnd_, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
    }
    if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
}

void TfrmConfig::CentreOverOwner() {
    RECT owner{};
    GetWindowRect(owner_, &owner);
    const int width = Width();
    const int height = Height();
    SetWindowPos(hwnd_, nullptr, owner.left + (owner.right - owner.left - width) / 2,
                 owner.top + (owner.bottom - owner.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TfrmConfig::Close() {
    closed_ = true;
}

void TfrmConfig::btn_selectisoClick() {
    if (dlgOpen.Execute(hwnd_)) edt_iso.SetText(dlgOpen.FileName);
}

void TfrmConfig::btn_addClick() {
    const TISOFileInfo item{edt_title.Text(), edt_iso.Text()};
    if (!IsAddable(item)) return;
    lv_menu.AddRow({item.Title, item.ImagePath});
}

void TfrmConfig::btn_deleteClick() {
    for (int row = lv_menu.RowCount() - 1; row >= 0; --row) {
        if (lv_menu.Selected(row)) lv_menu.DeleteRow(row);
    }
}

// A failed write leaves the dialog open with its rows: the error passes to the general error
// handler before Close is reached.
void TfrmConfig::btn_okClick() {
    TISOFileInfoArr items;
    for (int row = 0; row < lv_menu.RowCount(); ++row) {
        items.push_back({lv_menu.Text(row, 0), lv_menu.Text(row, 1)});
    }
    WriteIsoList(isoListPath_, items);
    Close();
}

void TfrmConfig::btn_cancelClick() {
    Close();
}

void TfrmConfig::lv_menuEditing() {
    titleEditCancelled_ = false;
    titleEditor_ = reinterpret_cast<HWND>(lv_menu.Send(LVM_GETEDITCONTROL));
    if (titleEditor_) {
        SetWindowSubclass(titleEditor_, WatchTitleEditor, 0, reinterpret_cast<DWORD_PTR>(this));
    }
}

LRESULT CALLBACK TfrmConfig::WatchTitleEditor(HWND editor, UINT message, WPARAM wParam,
                                              LPARAM lParam, UINT_PTR, DWORD_PTR self) {
    auto* form = reinterpret_cast<TfrmConfig*>(self);
    if (message == WM_KEYDOWN && wParam == VK_ESCAPE) form->titleEditCancelled_ = true;
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(editor, WatchTitleEditor, 0);
        if (form->titleEditor_ == editor) form->titleEditor_ = nullptr;
    }
    return DefSubclassProc(editor, message, wParam, lParam);
}

// Whatever title the user confirms is taken as it is, empty or with "|"; only a cancelled
// edit keeps the old one. Some list views report a title edited down to nothing as no text
// at all, just as they report a cancel; the editor, still there, tells the two apart.
bool TfrmConfig::lv_menuEdited(int row, const wchar_t* text) {
    if (text) return true;
    if (!titleEditCancelled_ && titleEditor_ && GetWindowTextLengthW(titleEditor_) == 0) {
        lv_menu.SetText(row, 0, "");
    }
    return false;
}

void TfrmConfig::Click(HWND button) {
    if (button == btn_selectiso.Handle())
        btn_selectisoClick();
    else if (button == btn_add.Handle())
        btn_addClick();
    else if (button == btn_delete.Handle())
        btn_deleteClick();
    else if (button == btn_ok.Handle())
        btn_okClick();
    else if (button == btn_cancel.Handle())
        btn_cancelClick();
}

LRESULT TfrmConfig::Notify(const NMHDR& header) {
    if (header.hwndFrom != lv_menu.Handle()) return 0;
    switch (header.code) {
        case LVN_BEGINLABELEDITW:
            lv_menuEditing();
            return FALSE;
        case LVN_ENDLABELEDITW: {
            const LVITEMW& item = reinterpret_cast<const NMLVDISPINFOW&>(header).item;
            return lv_menuEdited(item.iItem, item.pszText) ? TRUE : FALSE;
        }
    }
    return 0;
}

void TfrmConfig::RememberFocus() {
    if (HWND focus = GetFocus(); focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
}

void TfrmConfig::RestoreFocus() {
    if (lastFocus_ && IsWindow(lastFocus_) && IsChild(hwnd_, lastFocus_)) {
        SetFocus(lastFocus_);
    } else {
        SetFocus(edt_title.Handle());
    }
}

LRESULT TfrmConfig::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            CreateControls();
            FormCreate();
            return 0;
        case WM_COMMAND:
            // Enter and Esc arrive here as IDOK and IDCANCEL from no control: they match no
            // button and do nothing.
            if (HIWORD(wParam) == BN_CLICKED && lParam) Click(reinterpret_cast<HWND>(lParam));
            return 0;
        case WM_NOTIFY:
            return Notify(*reinterpret_cast<const NMHDR*>(lParam));
        case WM_CLOSE:
            btn_cancelClick();
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) RememberFocus();
            break;
        case WM_SETFOCUS:
            RestoreFocus();
            return 0;
    }
    return Default(message, wParam, lParam);
}

}  // namespace zr::bootitems
