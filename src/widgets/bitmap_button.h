#pragma once

// A button drawn from bitmaps: normal, hot (pointer over it) and disabled, with olive
// (128, 128, 0) as the transparent colour, and an optional caption drawn over it.

#include <functional>
#include <string>

#include "widgets/gdi.h"
#include "widgets/window.h"

namespace zr::widgets {

class BitmapButton : public CustomWindow {
  public:
    struct Bitmaps {
        Bitmap normal;
        Bitmap hot;
        Bitmap disabled;  // may be empty: the normal bitmap then stands in
    };

    // The button lies at bounds' top left corner and takes the size of its normal bitmap.
    void Create(HWND parent, int id, const RECT& bounds, Bitmaps bitmaps,
                const std::string& caption, HFONT font);

    std::function<void()> onClick;

    static constexpr COLORREF kTransparent = RGB(128, 128, 0);

  protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    void Paint(HDC dc);
    void DrawCaption(HDC dc, const RECT& client);
    void Click();
    bool PointerInside(LPARAM lParam) const;
    void SetHot(bool hot);
    void SetPressedLook(bool pressed);

    Bitmaps bitmaps_;
    std::wstring caption_;
    HFONT font_ = nullptr;
    bool hot_ = false;
    bool mouseDown_ = false;  // the left button went down on us and is still held
    bool spaceDown_ = false;  // the space bar went down while we had the focus
    bool pressedLook_ = false;
};

}  // namespace zr::widgets
