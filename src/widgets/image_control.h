#pragma once

// Controls painted in layers on their parent's surface, a picture (still or animated) here and
// a transparent label in label.h. Each draws what lies beneath it first, so the layers show
// through.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "imaging/picture.h"
#include "widgets/gdi.h"
#include "widgets/window.h"

namespace zr::widgets {

// A control that draws itself at a place in a DC; its parent uses this to paint the layers
// beneath another control.
class Layer : public CustomWindow {
  public:
    virtual void PaintAt(HDC dc, int x, int y) = 0;

    // A press of any mouse button on the control.
    std::function<void()> onMouseDown;

  protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// Shows a picture at its natural size, a pixel of it taken as a 96-DPI unit; an animation plays
// while the control is visible. At another DPI the control shows the picture resampled, or, for
// the program's own art, as drawn for that DPI.
class ImageControl : public Layer {
  public:
    // bounds is the size until a picture comes.
    void Create(HWND parent, int id, const RECT& bounds);

    // Each replaces what is shown and sizes the control to the picture.
    void SetPicture(imaging::Picture picture);
    void SetAnimation(imaging::Animation animation);
    // A JPEG of the program's own art (art.h).
    void SetArt(int id);

    void Rescale(int dpi) override;

    bool Empty() const { return frames_.empty(); }
    // The still picture's bitmap (or the first frame's); null when empty.
    HBITMAP CurrentBitmap() const;

    void PaintAt(HDC dc, int x, int y) override;

  protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    void Show(int dpi);
    void StartPlayback();
    void StopPlayback();
    void Advance();

    // What is shown, in 96-DPI units: a still picture is one frame. With art, the frame is
    // drawn for each DPI instead.
    imaging::Animation animation_;
    int artId_ = 0;
    std::vector<Bitmap> frames_;  // at the DPI the control is shown at
    int width_ = 0;
    int height_ = 0;
    size_t current_ = 0;
    uint64_t startedAt_ = 0;
    bool playing_ = false;
};

}  // namespace zr::widgets
