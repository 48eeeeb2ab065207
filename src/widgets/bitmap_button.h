#pragma once

// A button drawn from bitmaps: normal, hot (pointer over it) and disabled, with olive
// (128, 128, 0) as the transparent colour, and an optional caption drawn over it. The bitmaps
// are the program's own art (art.h), drawn for the DPI the button is shown at.

#include <functional>
#include <string>

#include "widgets/gdi.h"
#include "widgets/window.h"

namespace zr::widgets {

class BitmapButton : public CustomWindow {
  public:
    // Resource ids of the 100 % drawings (ArtKind::Bmp).
    struct Art {
        int normal = 0;
        int hot = 0;
        int disabled = 0;  // may be 0: the normal bitmap then stands in
    };

    // The button lies at bounds' top left corner and takes the size of its normal bitmap.
    void Create(HWND parent, int id, const RECT& bounds, const Art& art, const std::string& caption,
                HFONT font);
    void Rescale(int dpi) override;

    std::function<void()> onClick;

  protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    struct Bitmaps {
        Bitmap normal;
        Bitmap hot;
        Bitmap disabled;
    };
    void LoadBitmaps(int dpi);
    void Paint(HDC dc);
    void DrawCaption(HDC dc, const RECT& client);
    static void DrawFocus(HDC dc, const RECT& place);
    void Click();
    bool PointerInside(LPARAM lParam) const;
    void SetHot(bool hot);
    void SetPressedLook(bool pressed);

    Art art_;
    Bitmaps bitmaps_;  // premultiplied, at the DPI the button is shown at
    SIZE size_{};
    std::wstring caption_;
    HFONT font_ = nullptr;
    bool hot_ = false;
    bool mouseDown_ = false;  // the left button went down on us and is still held
    bool spaceDown_ = false;  // the space bar went down while we had the focus
    bool pressedLook_ = false;
};

}  // namespace zr::widgets
