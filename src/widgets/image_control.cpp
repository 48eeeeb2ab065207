#include "widgets/image_control.h"

#include "imaging/resample.h"
#include "widgets/art.h"
#include "widgets/dpi.h"

namespace zr::widgets {

namespace {

constexpr UINT_PTR kAnimationTimer = 1;
// Frame changes are checked this often; the frames' own delays decide what shows.
constexpr UINT kAnimationTick = 15;

}  // namespace

LRESULT Layer::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd_, &ps);
            Canvas canvas(dc, Width(), Height());
            PaintParentBackground(canvas.Dc());
            PaintAt(canvas.Dc(), 0, 0);
            canvas.BlitTo(dc, 0, 0);
            EndPaint(hwnd_, &ps);
            return 0;
        }
        case WM_PRINTCLIENT:
            PaintParentBackground(reinterpret_cast<HDC>(wParam));
            PaintAt(reinterpret_cast<HDC>(wParam), 0, 0);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_XBUTTONDOWN:
            if (onMouseDown) onMouseDown();
            return message == WM_XBUTTONDOWN ? TRUE : 0;
    }
    return Default(message, wParam, lParam);
}

void ImageControl::Create(HWND parent, int id, const RECT& bounds) {
    CustomWindow::Create({.className = L"ZiRuriImage",
                          .parent = parent,
                          .id = id,
                          .style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                          .bounds = bounds});
}

void ImageControl::SetPicture(imaging::Picture picture) {
    imaging::Animation still{picture.width, picture.height, {}, 0};
    still.frames.push_back({std::move(picture), 0});
    SetAnimation(std::move(still));
}

void ImageControl::SetAnimation(imaging::Animation animation) {
    artId_ = 0;
    animation_ = std::move(animation);
    Show(DpiOf(GetParent(hwnd_)));
}

void ImageControl::SetArt(int id) {
    const SIZE design = ArtDesignSize(id, ArtKind::Jpeg);
    animation_ = {design.cx, design.cy, {}, 0};
    artId_ = id;
    Show(DpiOf(GetParent(hwnd_)));
}

void ImageControl::Rescale(int dpi) {
    Layer::Rescale(dpi);
    Show(dpi);
}

// The frames made again for dpi, and the control sized to them.
void ImageControl::Show(int dpi) {
    StopPlayback();
    width_ = Scaled(animation_.width, dpi);
    height_ = Scaled(animation_.height, dpi);
    std::vector<Bitmap> frames;
    if (artId_) {
        frames.push_back(MakeBitmap(ArtAt(artId_, ArtKind::Jpeg, dpi)));
    }
    for (const auto& frame : animation_.frames) {
        frames.push_back(MakeBitmap(imaging::Resample(frame.canvas, width_, height_)));
    }
    frames_ = std::move(frames);
    current_ = 0;
    design_.right = design_.left + animation_.width;
    design_.bottom = design_.top + animation_.height;
    SetSize(width_, height_);
    if (Visible()) StartPlayback();
    InvalidateRect(hwnd_, nullptr, FALSE);
}

HBITMAP ImageControl::CurrentBitmap() const {
    return frames_.empty() ? nullptr : frames_[current_].get();
}

void ImageControl::PaintAt(HDC dc, int x, int y) {
    if (frames_.empty()) return;
    DrawBitmapBlended(dc, x, y, frames_[current_].get(), width_, height_);
}

void ImageControl::StartPlayback() {
    if (frames_.size() < 2 || playing_) return;
    playing_ = true;
    startedAt_ = GetTickCount64();
    current_ = 0;
    SetTimer(hwnd_, kAnimationTimer, kAnimationTick, nullptr);
}

void ImageControl::StopPlayback() {
    if (!playing_) return;
    playing_ = false;
    KillTimer(hwnd_, kAnimationTimer);
}

void ImageControl::Advance() {
    const auto elapsed = static_cast<int64_t>(GetTickCount64() - startedAt_);
    const size_t next = imaging::FrameAt(animation_, elapsed);
    if (next != current_ && next < frames_.size()) {
        current_ = next;
        InvalidateRect(hwnd_, nullptr, FALSE);
    }
}

LRESULT ImageControl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SHOWWINDOW:
            // The animation plays only while it can be seen, from its first frame each time.
            if (wParam) {
                StartPlayback();
            } else {
                StopPlayback();
            }
            break;
        case WM_TIMER:
            if (wParam == kAnimationTimer) {
                Advance();
                return 0;
            }
            break;
    }
    return Layer::OnMessage(message, wParam, lParam);
}

}  // namespace zr::widgets
