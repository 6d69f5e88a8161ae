#include "platform/ui/controls.h"

namespace ui {

void Control::Attach(WindowHandle dialog, int id) {
  window_ = AttachControl(dialog, id);
  id_ = id;
}

void Control::Enable(bool enable) {
  EnableInput(window_, enable);
}

bool Control::IsEnabled() const {
  return InputEnabled(window_);
}

void Control::SetText(std::wstring_view text) {
  ui::SetText(window_, text);
}

std::wstring Control::Text() const {
  return TextOf(window_);
}

void Control::SetFont(const Font& font, bool redraw) {
  SendToWindow(window_, kWmSetFont, reinterpret_cast<WParam>(font.Handle().value), redraw ? 1 : 0);
}

Result Control::Send(Message message, WParam wParam, LParam lParam) {
  return SendToWindow(window_, message, wParam, lParam);
}

void ProgressBar::SetRange(std::uint16_t lower, std::uint16_t upper) {
  // Lower bound in the low word, upper bound in the high word.
  Send(kPbmSetRange, 0, static_cast<LParam>((static_cast<std::uint32_t>(upper) << 16) | lower));
}

void ProgressBar::SetPos(int position) {
  Send(kPbmSetPos, static_cast<WParam>(position), 0);
}

}  // namespace ui
