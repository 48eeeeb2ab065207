// A form moved onto a monitor of another DPI. Wine gives every window the one DPI of its
// registry and never sends WM_DPICHANGED, so the test sends it as Windows does, in-process.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "widgets/controls.h"
#include "widgets/dpi.h"
#include "widgets/form.h"
#include "widgets/image_control.h"
#include "widgets/list_view.h"

namespace zr::widgets {
namespace {

std::string Describe(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " +
           std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
}

int FontHeight(const Window& control) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control.Handle(), WM_GETFONT, 0, 0)),
               sizeof font, &font);
    return font.lfHeight;
}

// Frameless, so that the client area is the window whatever Wine draws around a caption.
class LaidOutForm : public Form {
  public:
    LaidOutForm() {
        Create({.className = L"ZiRuriDpiTestForm", .style = WS_POPUP});
        SetClientSize(320, 240);
        HFONT font = FontFor("Tahoma", 12);
        button.Create(hwnd_, 1, Place(8, 8, 80, 24), "OK", font);
        combo.Create(hwnd_, 2, Place(8, 40, 120, 20), 12, font);
        list.Create(hwnd_, 3, Place(8, 70, 200, 100), 0, 0, font);
        list.AddColumn("Title", 100);
        image.Create(hwnd_, 4, Place(220, 8, 1, 1));
        image.SetPicture({10, 6, std::vector<uint32_t>(60, 0xFF336699)});
    }
    SIZE ScaledSize(int dpi) {
        SIZE size{};
        SendMessageW(hwnd_, 0x02E4 /* WM_GETDPISCALEDSIZE */, static_cast<WPARAM>(dpi),
                     reinterpret_cast<LPARAM>(&size));
        return size;
    }
    int dpiChanges = 0;

    PushButton button;
    ComboBox combo;
    ListView list;
    ImageControl image;

  protected:
    void OnDpiChanged(int) override { ++dpiChanges; }
};

TEST(DpiLayout, AFormOnAMonitorOfAnotherDpiTakesTheSuggestedPlaceAndScalesEverything) {
    LaidOutForm form;
    const int before = DpiOf(form.Handle());
    ASSERT_EQ(FontHeight(form.button), -Scaled(12, before));
    const int dpi = before == 192 ? 144 : 192;

    const SIZE size = form.ScaledSize(dpi);
    EXPECT_EQ(size.cx, Scaled(320, dpi));
    EXPECT_EQ(size.cy, Scaled(240, dpi));
    RECT suggested{100, 50, 100 + size.cx, 50 + size.cy};
    SendMessageW(form.Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                 reinterpret_cast<LPARAM>(&suggested));

    RECT frame{};
    GetWindowRect(form.Handle(), &frame);
    EXPECT_EQ(Describe(frame), Describe(suggested));
    EXPECT_EQ(Describe(form.button.Bounds()), Describe(ScaledRect(Place(8, 8, 80, 24), dpi)));
    EXPECT_EQ(Describe(form.combo.Bounds()), Describe(ScaledRect(Place(8, 40, 120, 20), dpi)));
    EXPECT_EQ(Describe(form.image.Bounds()), Describe(ScaledRect(Place(220, 8, 10, 6), dpi)));
    BITMAP picture{};
    GetObjectW(form.image.CurrentBitmap(), sizeof picture, &picture);
    EXPECT_EQ(picture.bmWidth, Scaled(10, dpi)) << "the picture was not drawn again";
    EXPECT_EQ(form.list.Send(LVM_GETCOLUMNWIDTH, 0), Scaled(100, dpi));
    for (const Window* control :
         {static_cast<const Window*>(&form.button), static_cast<const Window*>(&form.combo),
          static_cast<const Window*>(&form.list)}) {
        EXPECT_EQ(FontHeight(*control), -Scaled(12, dpi)) << GetDlgCtrlID(control->Handle());
    }
    EXPECT_EQ(form.dpiChanges, 1);
}

}  // namespace
}  // namespace zr::widgets
