#include "platform/ui/published_dialog.h"

#include <thread>

namespace ui {

void PublishedDialog::Withdraw() {
  dialog_.store(nullptr);
  // A post that counted itself in before the clear may still hold the old pointer; one
  // that counts itself in after it reads null. Both atomics are sequentially consistent.
  while (postsUnderWay_.load() != 0) std::this_thread::yield();
}

bool PublishedDialog::Post(Message message, WParam wParam, LParam lParam) const {
  postsUnderWay_.fetch_add(1);
  Dialog* dialog = dialog_.load();
  const bool delivered =
      PostToWindow(dialog != nullptr ? dialog->Window() : WindowHandle{}, message, wParam, lParam);
  postsUnderWay_.fetch_sub(1);
  return delivered;
}

}  // namespace ui
