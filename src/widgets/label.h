#pragma once

// A layer (see image_control.h) that shows one line of text over whatever lies beneath it.

#include <string>

#include "widgets/image_control.h"

namespace zr::widgets {

// One line of text without a background of its own; one too long for it ends in "...".
class Label : public Layer {
  public:
    void Create(HWND parent, int id, const RECT& bounds, const std::string& text, HFONT font,
                COLORREF colour);

    // Replaces the text (the window's too, which screen readers read) and shows it.
    void SetCaption(const std::string& text);

    void PaintAt(HDC dc, int x, int y) override;

  protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    std::wstring text_;
    HFONT font_ = nullptr;
    COLORREF colour_ = 0;
};

}  // namespace zr::widgets
