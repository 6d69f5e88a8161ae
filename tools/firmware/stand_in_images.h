// Deterministic stand-ins for the nine images: the catalogue's sizes and outward form,
// filler bytes behind it. They carry no firmware and must never reach a device.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "tools/firmware/firmware_set.h"

namespace firmware_tools {

// Readable in any dump of a stand-in, right behind its leading words.
inline constexpr std::string_view kStandInMarker =
    "ORVIK-OTA-TOOLS stand-in image: no firmware, never install it on a device";
inline constexpr std::size_t kStandInMarkerOffset = 0xC0;

std::vector<std::uint8_t> MakeStandInImage(const ImageSpec& spec);

}  // namespace firmware_tools
