// The application: one modal dialog is the whole program.
#pragma once

#include <cstdint>

#include "platform/ui/application.h"

// INITCOMMONCONTROLSEX: its size, and every class from list view to animate.
inline constexpr std::uint32_t kCommonControlsStructSize = 8;
inline constexpr std::uint32_t kCommonControlsClasses = 0xFF;

class CORVIKOTATOOLSApp : public ui::Application {
 public:
  void InitInstance() override;
};
