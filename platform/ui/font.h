// A logical font owned by one object: made once, deleted with it.
#pragma once

#include "platform/ui/window.h"

namespace ui {

class Font {
 public:
  Font() = default;
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  // False when the system could not make it; an earlier font of this object is deleted.
  bool Create(const FontSpec& spec);
  FontHandle Handle() const { return handle_; }

 private:
  FontHandle handle_{};
};

}  // namespace ui
