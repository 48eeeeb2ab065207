// The widget kit's two promises to the windows built from it: a control's notifications come
// back to the control's own callbacks, and a modal form runs on the application's one loop
// with its owner disabled meanwhile.

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "widgets/application.h"
#include "widgets/controls.h"
#include "widgets/form.h"
#include "widgets/list_view.h"

namespace zr::widgets {
namespace {

class TestForm : public Form {
  public:
    void Make(HWND owner) {
        Create({.className = L"ZiRuriTestForm",
                .parent = owner,
                .style = WS_POPUP | WS_CAPTION,
                .bounds = Place(0, 0, 320, 240)});
    }
    // Called for WM_APP, so that a test can run code inside the message loop.
    std::function<void()> onApp;
    int commandsSeen = 0;

  protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_COMMAND || message == WM_NOTIFY) ++commandsSeen;
        if (message == WM_APP && onApp) {
            onApp();
            return 0;
        }
        return Form::OnMessage(message, wParam, lParam);
    }
};

class ControlKit : public testing::Test {
  protected:
    void SetUp() override { form_.Make(application_.Handle()); }

    Application application_;
    TestForm form_;
};

TEST_F(ControlKit, NotificationsReachTheControlsCallbacksNotTheForm) {
    PushButton button;
    button.Create(form_.Handle(), 1, Place(8, 8, 80, 24), "OK", nullptr);
    Edit edit;
    edit.Create(form_.Handle(), 2, Place(8, 40, 120, 22), 0, nullptr);
    int clicks = 0, changes = 0;
    button.onClick = [&] { ++clicks; };
    edit.onChange = [&] { ++changes; };

    button.Send(BM_CLICK);
    edit.SetText("typed");
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(form_.commandsSeen, 0);
}

TEST_F(ControlKit, AnInPlaceEditEndsInTheListsCallbackWhichDecides) {
    ListView list;
    list.Create(form_.Handle(), 3, Place(8, 8, 300, 200), LVS_EDITLABELS, 0, nullptr);
    list.AddColumn("Title", 100);
    list.AddRow({"old"});
    std::optional<std::string> ended;
    list.onEndEdit = [&](int, const std::optional<std::string>& text) {
        ended = text;
        return true;
    };
    ShowWindow(form_.Handle(), SW_SHOW);
    SetFocus(list.Handle());
    const auto editor = reinterpret_cast<HWND>(list.Send(LVM_EDITLABELW, 0));
    ASSERT_NE(editor, nullptr);
    SetWindowTextW(editor, L"new");
    SendMessageW(editor, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(ended, "new");
    EXPECT_EQ(list.Text(0, 0), "new");
}

TEST_F(ControlKit, RunModalDisablesTheOwnerAndKeepsItsMessagesGoing) {
    TestForm owner;
    owner.Make(application_.Handle());
    TestForm dialog;
    dialog.Make(owner.Handle());
    bool ownerEnabledMeanwhile = true;
    bool ownerServed = false;
    owner.onApp = [&] { ownerServed = true; };
    dialog.onApp = [&] {
        ownerEnabledMeanwhile = IsWindowEnabled(owner.Handle()) != FALSE;
        dialog.EndModal();
    };
    PostMessageW(owner.Handle(), WM_APP, 0, 0);
    PostMessageW(dialog.Handle(), WM_APP, 0, 0);

    dialog.RunModal(owner.Handle());
    EXPECT_TRUE(ownerServed);
    EXPECT_FALSE(ownerEnabledMeanwhile);
    EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
    EXPECT_FALSE(IsWindowVisible(dialog.Handle()));
    EXPECT_FALSE(application_.Terminated());
}

}  // namespace
}  // namespace zr::widgets
