#pragma once

// The boot item configuration dialog: the custom boot items of isolist as rows of a list,
// with a title and an image to add, rows to delete and titles to edit in place. The rows are
// a working copy; only OK writes them back.

#include <optional>
#include <string>

#include "widgets/controls.h"
#include "widgets/form.h"
#include "widgets/gdi.h"
#include "widgets/list_view.h"
#include "widgets/open_dialog.h"

namespace zr::bootitems {

class TfrmConfig : public widgets::Form {
  public:
    // Creates the dialog, hidden, owned by owner, and loads dataDir + "isolist" into its rows.
    TfrmConfig(HWND owner, const std::string& dataDir);
    // The window goes before the controls that follow it.
    ~TfrmConfig() override;

    // Shows the dialog centred over its owner and returns once it has closed. The owner takes
    // no input meanwhile, but its timers keep running.
    void ShowModal();

  protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    void CreateControls();
    // The keyboard's walk through the controls and the names screen readers say for them.
    void ArrangeForKeyboard();
    void BindEvents();

    void FormCreate();
    void btn_selectisoClick();
    void btn_addClick();
    void btn_deleteClick();
    void btn_okClick();
    void btn_cancelClick();
    bool lv_menuEdited(int row, const std::optional<std::string>& text);

    HWND owner_ = nullptr;
    std::string isoListPath_;

    widgets::GroupBox grp_add;
    widgets::StaticText lbl1;
    widgets::Edit edt_title;
    widgets::StaticText lbl2;
    widgets::Edit edt_iso;
    widgets::PushButton btn_selectiso;
    widgets::PushButton btn_ok;
    widgets::PushButton btn_cancel;
    widgets::PushButton btn_add;
    widgets::ListView lv_menu;
    widgets::PushButton btn_delete;
    widgets::StaticText lbl3;
    widgets::OpenDialog dlgOpen;
};

}  // namespace zr::bootitems
