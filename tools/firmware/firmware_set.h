// What the build knows of each of the nine embedded images: id, exact size, and the
// kind of image, which fixes the outward form its first words must have.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "update/firmware_catalogue.h"

namespace firmware_tools {

enum class ImageKind {
  cortexMFlash,  // vector table first, reset vector in the 0x1000xxxx flash
  cortexMZero,   // vector table first, linked at 0, words 0 to 7 sum to 0
  riscV,         // a JAL, then twelve addi x0, x0, 0
};

struct ImageSpec {
  std::uint16_t id = 0;
  std::uint32_t size = 0;
  ImageKind kind = ImageKind::cortexMFlash;
};

inline constexpr std::array<ImageSpec, 9> kFirmwareSet = {{
    {kImageReceiver8KModel3, 64016, ImageKind::cortexMFlash},
    {kImageReceiver8KModel2, 63576, ImageKind::cortexMFlash},
    {kImageReceiver1K, 71836, ImageKind::cortexMFlash},
    {kImageReceiver8KModel2Second, 29068, ImageKind::cortexMZero},
    {kImageReceiver8KModel3Second, 18620, ImageKind::riscV},
    {kImageMouseT81Sensor3395, 101704, ImageKind::cortexMFlash},
    {kImageMouseT81Sensor3950, 103484, ImageKind::cortexMFlash},
    {kImageMouseT82Sensor3395, 101708, ImageKind::cortexMFlash},
    {kImageMouseT82Sensor3950, 103484, ImageKind::cortexMFlash},
}};

inline constexpr std::uint32_t kFlashBase = 0x10000000;
inline constexpr std::uint32_t kRiscVNop = 0x00000013;  // addi x0, x0, 0
inline constexpr std::uint32_t kRiscVJalOpcode = 0x6F;
inline constexpr std::size_t kRiscVNopCount = 12;

// Word `index` of the image, little-endian; the image must hold it.
inline std::uint32_t Word(std::span<const std::uint8_t> image, std::size_t index) {
  const std::size_t at = index * 4;
  return static_cast<std::uint32_t>(image[at]) | static_cast<std::uint32_t>(image[at + 1]) << 8 |
         static_cast<std::uint32_t>(image[at + 2]) << 16 |
         static_cast<std::uint32_t>(image[at + 3]) << 24;
}

}  // namespace firmware_tools
