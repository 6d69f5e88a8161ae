// The two ways the build embeds a checked image set: a C++ source of byte arrays for
// the simulated machine, a resource script for the Windows executable.
#pragma once

#include <span>
#include <string>

#include "tools/firmware/image_set.h"

namespace firmware_tools {

// Defines sim::ProgramResources() over the images, type "BIN", language 0x0804.
std::string EmbeddedArraysSource(std::span<const ImageFile> images);

// One "BIN" resource per image, language 0x0804, naming each file by its absolute
// path. Empty when a path cannot be written in a resource script.
std::string ResourceScript(std::span<const ImageFile> images);

}  // namespace firmware_tools
