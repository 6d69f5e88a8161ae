// The main dialog as other threads see it: a pointer they read once for every post, and
// that the dialog withdraws before its window goes, so no thread posts to a window that
// is gone or reads a dialog that is being destroyed.
#pragma once

#include <atomic>

#include "platform/ui.h"
#include "platform/ui/dialog.h"

namespace ui {

class PublishedDialog {
 public:
  PublishedDialog() = default;
  // Copies carry the pointer, as the record that holds this is copied whole.
  PublishedDialog(const PublishedDialog& other) : dialog_(other.Get()) {}
  PublishedDialog& operator=(const PublishedDialog& other) {
    dialog_.store(other.Get());
    return *this;
  }
  PublishedDialog& operator=(Dialog* dialog) {
    dialog_.store(dialog);
    return *this;
  }

  Dialog* Get() const { return dialog_.load(); }
  // Clears the pointer and returns once no post that read the old value is under way.
  void Withdraw();
  // Reads the pointer once and posts to its dialog's window, or to the null window
  // (which reaches nobody) while there is none.
  bool Post(Message message, WParam wParam, LParam lParam) const;

 private:
  std::atomic<Dialog*> dialog_{nullptr};
  mutable std::atomic<int> postsUnderWay_{0};
};

}  // namespace ui
