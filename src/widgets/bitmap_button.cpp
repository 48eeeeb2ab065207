#include "widgets/bitmap_button.h"

#include <oleacc.h>
#include <windowsx.h>

#include "platform/win32/wide.h"
#include "widgets/accessible.h"
#include "widgets/art.h"
#include "widgets/dpi.h"

namespace zr::widgets {

namespace {

constexpr UINT kCaptionFormat = DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX;

}  // namespace

void BitmapButton::Create(HWND parent, int id, const RECT& bounds, const Art& art,
                          const std::string& caption, HFONT font) {
    art_ = art;
    caption_ = platform::win32::Widen(caption);
    font_ = font;
    const SIZE design = ArtDesignSize(art.normal, ArtKind::Bmp);
    CustomWindow::Create({.className = L"ZiRuriBitmapButton",
                          .parent = parent,
                          .id = id,
                          .style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS,
                          .bounds = Place(bounds.left, bounds.top, design.cx, design.cy)});
    SetText(caption);
    // A window of our own class is only a pane to a screen reader unless told otherwise.
    SetAccessibleRole(hwnd_, ROLE_SYSTEM_PUSHBUTTON);
    if (!caption.empty()) SetAccessibleName(hwnd_, caption);
    Rescale(DpiOf(parent));
}

void BitmapButton::LoadBitmaps(int dpi) {
    const auto load = [dpi](int id) {
        return id ? MakeBitmap(ArtAt(id, ArtKind::Bmp, dpi)) : Bitmap();
    };
    bitmaps_ = {load(art_.normal), load(art_.hot), load(art_.disabled)};
    BITMAP info{};
    GetObjectW(bitmaps_.normal.get(), sizeof info, &info);
    size_ = {info.bmWidth, info.bmHeight};
}

void BitmapButton::Rescale(int dpi) {
    LoadBitmaps(dpi);
    const RECT place = ScaledRect(design_, dpi);
    SetBounds({place.left, place.top, place.left + size_.cx, place.top + size_.cy});
    Invalidate();
}

bool BitmapButton::PointerInside(LPARAM lParam) const {
    RECT client{};
    GetClientRect(hwnd_, &client);
    const POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    return PtInRect(&client, p) != FALSE;
}

void BitmapButton::SetHot(bool hot) {
    if (hot_ == hot) return;
    hot_ = hot;
    Invalidate();
}

void BitmapButton::SetPressedLook(bool pressed) {
    if (pressedLook_ == pressed) return;
    pressedLook_ = pressed;
    Invalidate();
}

void BitmapButton::Click() {
    // The handler may open a message box; let the button look released while it waits.
    UpdateWindow(hwnd_);
    if (onClick) onClick();
}

LRESULT BitmapButton::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (const auto kept = KeepFont(font_, message, wParam, lParam)) return *kept;
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd_, &ps);
            Paint(dc);
            EndPaint(hwnd_, &ps);
            return 0;
        }
        case WM_PRINTCLIENT:
            Paint(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_ERASEBKGND:
            return 1;

        case WM_MOUSEMOVE: {
            const bool inside = PointerInside(lParam);
            if (inside && !hot_ && !mouseDown_) {
                TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd_, 0};
                TrackMouseEvent(&track);
            }
            SetHot(inside);
            if (mouseDown_) SetPressedLook(inside);
            return 0;
        }
        case WM_MOUSELEAVE:
            if (!mouseDown_) SetHot(false);
            return 0;
        case WM_LBUTTONDOWN:
            SetFocus(hwnd_);
            SetCapture(hwnd_);
            mouseDown_ = true;
            SetPressedLook(true);
            return 0;
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_XBUTTONDOWN:
            SetFocus(hwnd_);
            return message == WM_XBUTTONDOWN ? TRUE : 0;
        case WM_LBUTTONUP:
            if (mouseDown_) {
                mouseDown_ = false;
                ReleaseCapture();
                SetPressedLook(false);
                const bool inside = PointerInside(lParam);
                SetHot(inside);
                if (inside) Click();
            }
            return 0;
        case WM_CAPTURECHANGED:
            if (mouseDown_) {
                mouseDown_ = false;
                SetPressedLook(spaceDown_);
            }
            return 0;

        case WM_GETDLGCODE: {
            // Enter clicks the focused button instead of going to the dialog keyboard handling.
            const auto* msg = reinterpret_cast<const MSG*>(lParam);
            if (msg && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN)
                return DLGC_WANTMESSAGE;
            return DLGC_BUTTON;
        }
        case WM_KEYDOWN:
            if (wParam == VK_RETURN) {
                Click();
            } else if (wParam == VK_SPACE && !(lParam & 0x40000000)) {
                spaceDown_ = true;
                SetPressedLook(true);
            }
            return 0;
        case WM_KEYUP:
            if (wParam == VK_SPACE && spaceDown_) {
                spaceDown_ = false;
                SetPressedLook(mouseDown_);
                Click();
            }
            return 0;
        case WM_SETFOCUS:
            Invalidate();
            return 0;
        case WM_KILLFOCUS:
            spaceDown_ = false;
            SetPressedLook(mouseDown_);
            Invalidate();
            return 0;
        case WM_ENABLE:
            if (!wParam) {
                hot_ = false;
                spaceDown_ = false;
                pressedLook_ = false;
            }
            Invalidate();
            return 0;

        case BM_CLICK:
            if (IsWindowEnabled(hwnd_)) Click();
            return 0;
    }
    return Default(message, wParam, lParam);
}

void BitmapButton::Paint(HDC dc) {
    RECT client{};
    GetClientRect(hwnd_, &client);
    Canvas canvas(dc, client.right, client.bottom);
    PaintParentBackground(canvas.Dc());

    const bool enabled = IsWindowEnabled(hwnd_) != FALSE;
    HBITMAP bitmap = bitmaps_.normal.get();
    if (!enabled) {
        if (bitmaps_.disabled) bitmap = bitmaps_.disabled.get();
    } else if (hot_ && !pressedLook_) {
        bitmap = bitmaps_.hot.get();
    }
    DrawBitmapBlended(canvas.Dc(), 0, 0, bitmap, size_.cx, size_.cy);

    if (!caption_.empty()) {
        DrawCaption(canvas.Dc(), client);
    } else if (GetFocus() == hwnd_) {
        // Without a caption to frame, the focus frames the picture.
        RECT focus = client;
        InflateRect(&focus, -2, -2);
        DrawFocus(canvas.Dc(), focus);
    }
    canvas.BlitTo(dc, 0, 0);
}

void BitmapButton::DrawFocus(HDC dc, const RECT& place) {
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    DrawFocusRect(dc, &place);
}

void BitmapButton::DrawCaption(HDC dc, const RECT& client) {
    Selection font(dc, font_);
    SetBkMode(dc, TRANSPARENT);
    RECT place = client;
    if (pressedLook_) OffsetRect(&place, 1, 1);
    const int length = static_cast<int>(caption_.size());
    if (IsWindowEnabled(hwnd_)) {
        SetTextColor(dc, RGB(255, 255, 255));
        DrawTextW(dc, caption_.c_str(), length, &place, kCaptionFormat);
    } else {
        RECT shadow = place;
        OffsetRect(&shadow, 1, 1);
        SetTextColor(dc, RGB(255, 255, 255));
        DrawTextW(dc, caption_.c_str(), length, &shadow, kCaptionFormat);
        SetTextColor(dc, RGB(128, 128, 128));
        DrawTextW(dc, caption_.c_str(), length, &place, kCaptionFormat);
    }
    if (GetFocus() == hwnd_) {
        RECT text{};
        DrawTextW(dc, caption_.c_str(), length, &text, kCaptionFormat | DT_CALCRECT);
        const int w = text.right - text.left;
        const int h = text.bottom - text.top;
        RECT focus{place.left + (place.right - place.left - w) / 2,
                   place.top + (place.bottom - place.top - h) / 2, 0, 0};
        focus.right = focus.left + w;
        focus.bottom = focus.top + h;
        InflateRect(&focus, 2, 1);
        DrawFocus(dc, focus);
    }
}

}  // namespace zr::widgets
