#pragma once

// The boot item configuration dialog: the custom boot items of isolist as rows of a list,
// with a title and an image to add, rows to delete and titles to edit in place. The rows are
// a working copy; only OK writes them back.

#include <string>

#include "ui/gdi.h"
#include "ui/list_view.h"
#include "ui/open_dialog.h"
#include "ui/window.h"

namespace zr::bootitems {

class TfrmConfig : public ui::CustomWindow {
  public:
    // Creates the dialog, hidden, owned by owner, and loads dataDir + "isolist" into its rows.
    TfrmConfig(HWND owner, const std::string& dataDir);

    // Shows the dialog centred over its owner and returns once it has closed. The owner takes
    // no input meanwhile, but its timers keep running.
    void ShowModal();

  protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    void CreateControls();
    void CentreOverOwner();
    void Close();
    void Click(HWND button);
    LRESULT Notify(const NMHDR& header);
    void RememberFocus();
    void RestoreFocus();

    void FormCreate();
    void btn_selectisoClick();
    void btn_addClick();
    void btn_deleteClick();
    void btn_okClick();
    void btn_cancelClick();
    void lv_menuEditing();
    bool lv_menuEdited(int row, const wchar_t* text);
    static LRESULT CALLBACK WatchTitleEditor(HWND editor, UINT message, WPARAM wParam,
                                             LPARAM lParam, UINT_PTR, DWORD_PTR self);

    HWND owner_ = nullptr;
    std::string isoListPath_;
    ui::Font font_;
    HWND lastFocus_ = nullptr;
    bool closed_ = false;
    // lv_menu's in-place editor while a title is edited, and whether the user gave up on it.
    HWND titleEditor_ = nullptr;
    bool titleEditCancelled_ = false;

    ui::StandardControl grp_add;
    ui::StandardControl lbl1;
    ui::StandardControl edt_title;
    ui::StandardControl lbl2;
    ui::StandardControl edt_iso;
    ui::StandardControl btn_selectiso;
    ui::StandardControl btn_ok;
    ui::StandardControl btn_cancel;
    ui::StandardControl btn_add;
    ui::ListView lv_menu;
    ui::StandardControl btn_delete;
    ui::StandardControl lbl3;
    ui::OpenDialog dlgOpen;
};

}  // namespace zr::bootitems
