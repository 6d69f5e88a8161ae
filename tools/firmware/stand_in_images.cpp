#include "tools/firmware/stand_in_images.h"

#include <algorithm>
#include <array>

namespace firmware_tools {
namespace {

constexpr std::uint32_t kStackTop = 0x20008000;
constexpr std::uint32_t kResetHandlerOffset = 0x200;
constexpr std::uint32_t kDefaultHandlerOffset = 0x240;
constexpr std::size_t kVectorCount = 48;  // 16 system exceptions, 32 interrupts
// Vector-table entries the Cortex-M architecture reserves, left zero.
constexpr std::array<std::size_t, 5> kReservedVectors = {7, 8, 9, 10, 13};
constexpr std::uint32_t kThumb = 1;

void PutWord(std::vector<std::uint8_t>& image, std::size_t index, std::uint32_t word) {
  for (std::size_t i = 0; i < 4; ++i) {
    image[index * 4 + i] = static_cast<std::uint8_t>(word >> (8 * i));
  }
}

// xorshift32, seeded by the id, so every image has bytes of its own.
void Fill(std::vector<std::uint8_t>& image, std::uint16_t id) {
  std::uint32_t x = 0x9E3779B9u ^ (static_cast<std::uint32_t>(id) * 0x85EBCA6Bu);
  for (auto& byte : image) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    byte = static_cast<std::uint8_t>(x >> 24);
  }
}

void PutVectorTable(std::vector<std::uint8_t>& image, std::uint32_t linkBase) {
  PutWord(image, 0, kStackTop);
  PutWord(image, 1, linkBase + kResetHandlerOffset + kThumb);
  for (std::size_t i = 2; i < kVectorCount; ++i) {
    const bool reserved = std::ranges::find(kReservedVectors, i) != kReservedVectors.end();
    PutWord(image, i, reserved ? 0 : linkBase + kDefaultHandlerOffset + kThumb);
  }
}

// JAL x0, offset: a plain jump; the offset is even and fits in 21 bits.
std::uint32_t RiscVJump(std::uint32_t offset) {
  return (offset >> 20 & 1) << 31 | (offset >> 1 & 0x3FF) << 21 | (offset >> 11 & 1) << 20 |
         (offset >> 12 & 0xFF) << 12 | kRiscVJalOpcode;
}

}  // namespace

std::vector<std::uint8_t> MakeStandInImage(const ImageSpec& spec) {
  std::vector<std::uint8_t> image(spec.size);
  Fill(image, spec.id);
  switch (spec.kind) {
    case ImageKind::cortexMFlash:
      PutVectorTable(image, kFlashBase);
      break;
    case ImageKind::cortexMZero: {
      PutVectorTable(image, 0);
      std::uint32_t sum = 0;
      for (std::size_t i = 0; i < 7; ++i) sum += Word(image, i);
      PutWord(image, 7, 0u - sum);
      break;
    }
    case ImageKind::riscV:
      PutWord(image, 0, RiscVJump(4 * (1 + kRiscVNopCount)));
      for (std::size_t i = 1; i <= kRiscVNopCount; ++i) PutWord(image, i, kRiscVNop);
      break;
  }
  std::ranges::copy(kStandInMarker, image.begin() + kStandInMarkerOffset);
  return image;
}

}  // namespace firmware_tools
