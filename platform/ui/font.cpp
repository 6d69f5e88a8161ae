#include "platform/ui/font.h"

namespace ui {

Font::~Font() {
  if (handle_.value != nullptr) DeleteFontObject(handle_);
}

bool Font::Create(const FontSpec& spec) {
  if (handle_.value != nullptr) DeleteFontObject(handle_);
  handle_ = CreateFontObject(spec);
  return handle_.value != nullptr;
}

}  // namespace ui
