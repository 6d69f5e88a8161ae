// Tells whether an image fits its place in the catalogue: exact size and the outward
// form of its kind. The build runs it over whichever set it embeds.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tools/firmware/firmware_set.h"

namespace firmware_tools {

// One line per problem; none when the image fits.
std::vector<std::string> CheckImage(const ImageSpec& spec, std::span<const std::uint8_t> image);

}  // namespace firmware_tools
