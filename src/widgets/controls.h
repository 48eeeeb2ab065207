#pragma once

// The system's standard controls, each created from one RECT, with texts in UTF-8 and events as
// callbacks (see Control).

#include <functional>
#include <string>

#include "widgets/window.h"

namespace zr::widgets {

class PushButton : public Control {
  public:
    void Create(HWND parent, int id, const RECT& bounds, const std::string& caption, HFONT font);

    // Clicked by the mouse, by the space bar and, when it has the focus, by Enter.
    std::function<void()> onClick;

  protected:
    void OnCommand(WORD code) override;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

class RadioButton : public Control {
  public:
    // The first button of a group starts it; the ones created after it join it.
    void Create(HWND parent, int id, const RECT& bounds, const std::string& caption,
                bool startsGroup, HFONT font);
    bool Checked() const;
    void SetChecked(bool checked);

    std::function<void()> onClick;

  protected:
    void OnCommand(WORD code) override;
};

// A one-line edit without a length limit but the system's own.
class Edit : public Control {
  public:
    // style adds ES_* bits (ES_READONLY, ...).
    void Create(HWND parent, int id, const RECT& bounds, DWORD style, HFONT font);

    std::function<void()> onChange;

  protected:
    void OnCommand(WORD code) override;
};

// One line of text on the parent's background. A face wider than the designed one clips the
// end of the text rather than wrapping whole characters out of sight.
class StaticText : public Control {
  public:
    void Create(HWND parent, int id, const RECT& bounds, const std::string& text, HFONT font);
};

// A frame with a caption around other controls, which are its siblings, not its children.
class GroupBox : public Control {
  public:
    void Create(HWND parent, int id, const RECT& bounds, const std::string& caption, HFONT font);
};

// A drop-down list without free text entry.
class ComboBox : public Control {
  public:
    // bounds is the closed control's; itemHeight that of the entries in the list.
    void Create(HWND parent, int id, const RECT& bounds, int itemHeight, HFONT font);
    void Rescale(int dpi) override;

    void Clear();
    void Add(const std::string& item);
    int Count() const;
    int SelectedIndex() const;  // -1: none
    void Select(int index);
    std::string Item(int index) const;
    std::string SelectedText() const;  // empty when nothing is selected

    // The user chose another entry.
    std::function<void()> onChange;

  protected:
    void OnCommand(WORD code) override;

  private:
    int itemHeight_ = 0;  // 96-DPI units, as the closed height in Design()
};

}  // namespace zr::widgets
