#include "widgets/label.h"

#include <oleacc.h>

#include "platform/win32/wide.h"
#include "widgets/accessible.h"

namespace zr::widgets {

void Label::Create(HWND parent, int id, const RECT& bounds, const std::string& text, HFONT font,
                   COLORREF colour) {
    text_ = platform::win32::Widen(text);
    font_ = font;
    colour_ = colour;
    CustomWindow::Create({.className = L"ZiRuriLabel",
                          .parent = parent,
                          .id = id,
                          .style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                          .bounds = bounds});
    SetText(text);
    SetAccessibleRole(hwnd_, ROLE_SYSTEM_STATICTEXT);
}

LRESULT Label::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (const auto kept = KeepFont(font_, message, wParam, lParam)) return *kept;
    return Layer::OnMessage(message, wParam, lParam);
}

void Label::SetCaption(const std::string& text) {
    text_ = platform::win32::Widen(text);
    SetText(text);
    Invalidate();
}

void Label::PaintAt(HDC dc, int x, int y) {
    Selection font(dc, font_);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour_);
    RECT place{x, y, x + Width(), y + Height()};
    DrawTextW(dc, text_.c_str(), static_cast<int>(text_.size()), &place,
              DT_LEFT | DT_TOP | DT_SINGLELINE | DT_EXPANDTABS | DT_NOPREFIX | DT_END_ELLIPSIS);
}

}  // namespace zr::widgets
