#include "bootitems/win32/F_frmConfig.h"

#include "bootitems/add_rule.h"
#include "bootitems/isolist.h"
#include "bootitems/win32/config_ids.h"
#include "widgets/accessible.h"
#include "widgets/tab_order.h"

namespace zr::bootitems {

namespace {

using widgets::Place;

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

constexpr RECT PlaceInGroup(int left, int top, int width, int height) {
    return Place(kGroupLeft + left, kGroupTop + top, width, height);
}

}  // namespace

TfrmConfig::TfrmConfig(HWND owner, const std::string& dataDir)
    : owner_(owner), isoListPath_(dataDir + kIsoListName) {
    Create({.className = ids::kConfigWindowClass,
            .parent = owner,
            .style = kStyle,
            .exStyle = kExStyle,
            .classBrush = GetSysColorBrush(COLOR_BTNFACE)});
    SetClientSize(kClientWidth, kClientHeight);
    SetText(kCaption);
}

TfrmConfig::~TfrmConfig() {
    if (hwnd_) DestroyWindow(hwnd_);
}

// Created top of the z-order first; the group box goes beneath the controls that lie in it.
void TfrmConfig::CreateControls() {
    HFONT font = FontFor(kFontFace, kFontHeight);

    lbl1.Create(hwnd_, ids::lbl1, PlaceInGroup(16, 24, 70, 14), "菜单名称：", font);
    edt_title.Create(hwnd_, ids::edt_title, PlaceInGroup(16, 40, 169, 22), 0, font);
    lbl2.Create(hwnd_, ids::lbl2, PlaceInGroup(16, 64, 91, 14), "ISO文件路径：", font);
    edt_iso.Create(hwnd_, ids::edt_iso, PlaceInGroup(16, 84, 169, 22), ES_READONLY, font);
    btn_selectiso.Create(hwnd_, ids::btn_selectiso, PlaceInGroup(188, 82, 23, 22), "...", font);
    btn_add.Create(hwnd_, ids::btn_add, PlaceInGroup(50, 120, 103, 33), ">> 添加", font);
    lbl3.Create(hwnd_, ids::lbl3, Place(248, 16, 70, 14), "启动菜单项", font);
    btn_delete.Create(hwnd_, ids::btn_delete, Place(440, 8, 65, 22), "删除", font);
    lv_menu.Create(hwnd_, ids::lv_menu, Place(248, 32, 257, 153),
                   WS_TABSTOP | LVS_SINGLESEL | LVS_EDITLABELS | LVS_NOSORTHEADER,
                   LVS_EX_FULLROWSELECT, font);
    lv_menu.AddColumn("启动项菜单名", 100);
    lv_menu.AddColumn("镜像文件路径", 140);
    btn_ok.Create(hwnd_, ids::btn_ok, Place(112, 200, 97, 33), "确  定", font);
    btn_cancel.Create(hwnd_, ids::btn_cancel, Place(280, 200, 97, 33), "取  消", font);
    grp_add.Create(hwnd_, ids::grp_add, Place(kGroupLeft, kGroupTop, 217, 169), "自定义选项", font);
    dlgOpen.Filter = kImageFilter;
}

// Tab walks every control in reading order: the new item's inputs and buttons, then the list
// with its delete button above it, then OK and Cancel. Each label goes before the control it
// names and is a group of its own, so the arrow keys on a button move nowhere.
void TfrmConfig::ArrangeForKeyboard() {
    widgets::SetTabOrder({{&lbl1},
                          {&edt_title},
                          {&lbl2},
                          {&edt_iso},
                          {&btn_selectiso},
                          {&btn_add},
                          {&lbl3},
                          {&btn_delete},
                          {&lv_menu},
                          {&btn_ok},
                          {&btn_cancel}});
    widgets::SetAccessibleName(edt_title.Handle(), "菜单名称");
    widgets::SetAccessibleName(edt_iso.Handle(), "ISO文件路径");
    widgets::SetAccessibleName(lv_menu.Handle(), "启动菜单项");
}

void TfrmConfig::BindEvents() {
    btn_selectiso.onClick = [this] { btn_selectisoClick(); };
    btn_add.onClick = [this] { btn_addClick(); };
    btn_delete.onClick = [this] { btn_deleteClick(); };
    btn_ok.onClick = [this] { btn_okClick(); };
    btn_cancel.onClick = [this] { btn_cancelClick(); };
    lv_menu.onEndEdit = [this](int row, const std::optional<std::string>& text) {
        return lv_menuEdited(row, text);
    };
}

void TfrmConfig::FormCreate() {
    for (const auto& item : ReadIsoList(isoListPath_)) {
        lv_menu.AddRow({item.Title, item.ImagePath});
    }
}

void TfrmConfig::ShowModal() {
    RunModal(owner_);
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
// handler before EndModal is reached.
void TfrmConfig::btn_okClick() {
    TISOFileInfoArr items;
    for (int row = 0; row < lv_menu.RowCount(); ++row) {
        items.push_back({lv_menu.Text(row, 0), lv_menu.Text(row, 1)});
    }
    WriteIsoList(isoListPath_, items);
    EndModal();
}

void TfrmConfig::btn_cancelClick() {
    EndModal();
}

// Whatever title the user confirms is taken as it is, empty or with "|"; only a cancelled
// edit keeps the old one.
bool TfrmConfig::lv_menuEdited(int, const std::optional<std::string>& text) {
    return text.has_value();
}

LRESULT TfrmConfig::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            CreateControls();
            ArrangeForKeyboard();
            BindEvents();
            FormCreate();
            return 0;
        case WM_COMMAND:
            // The dialog keyboard handling sends Esc as IDCANCEL from no control: it cancels,
            // as the cancel button does. Enter in an edit or the list (IDOK) does nothing.
            if (LOWORD(wParam) == IDCANCEL && lParam == 0) btn_cancelClick();
            return 0;
        case WM_CLOSE:
            btn_cancelClick();
            return 0;
    }
    return Form::OnMessage(message, wParam, lParam);
}

}  // namespace zr::bootitems
