// Objects that stand for one control of a dialog, bound to it by id in the dialog's
// data exchange. Until bound they reach no window and every call does nothing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ui/font.h"
#include "platform/ui/window.h"

namespace ui {

class Control {
 public:
  WindowHandle Window() const { return window_; }
  int Id() const { return id_; }
  void Attach(WindowHandle dialog, int id);

  void Enable(bool enable);
  bool IsEnabled() const;
  void SetText(std::wstring_view text);
  std::wstring Text() const;
  // The font must outlive the control's window.
  void SetFont(const Font& font, bool redraw);
  Result Send(Message message, WParam wParam, LParam lParam);

 private:
  WindowHandle window_{};
  int id_ = 0;
};

class Button : public Control {};

class EditBox : public Control {};

// The control keeps its position within its range.
class ProgressBar : public Control {
 public:
  void SetRange(std::uint16_t lower, std::uint16_t upper);
  void SetPos(int position);
};

}  // namespace ui
