// The resource file the build compiles from the program's resource script, embedded
// whole so the headless dialogs use the very templates, strings and icons of the
// Windows executable.
#pragma once

#include <cstdint>
#include <span>

namespace sim {

// Defined by the source the build generates from the compiled resources.
std::span<const std::uint8_t> UiResourceFile();

}  // namespace sim
