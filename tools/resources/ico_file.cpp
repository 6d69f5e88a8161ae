#include "tools/resources/ico_file.h"

namespace resource_tools {
namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

// A bitmap as icon resources hold it: the header gives twice the height (image and mask),
// rows bottom up, blue-green-red-alpha, then the 1-bit mask with rows padded to 32 bits.
std::vector<std::uint8_t> IconBitmap(const IconImage& image) {
  const auto size = static_cast<std::uint32_t>(image.size);
  const std::uint32_t maskRow = (size + 31) / 32 * 4;
  std::vector<std::uint8_t> out;
  Put32(out, 40);
  Put32(out, size);
  Put32(out, size * 2);
  Put16(out, 1);
  Put16(out, 32);
  Put32(out, 0);
  Put32(out, size * size * 4 + maskRow * size);
  for (int i = 0; i < 4; ++i) Put32(out, 0);
  for (std::uint32_t row = size; row-- > 0;) {
    for (std::uint32_t column = 0; column < size; ++column) {
      const auto* p = &image.rgba[(row * size + column) * 4];
      out.insert(out.end(), {p[2], p[1], p[0], p[3]});
    }
  }
  // Mask bit set where the image is fully transparent.
  for (std::uint32_t row = size; row-- > 0;) {
    std::vector<std::uint8_t> bits(maskRow, 0);
    for (std::uint32_t column = 0; column < size; ++column) {
      if (image.rgba[(row * size + column) * 4 + 3] == 0) {
        bits[column / 8] |= static_cast<std::uint8_t>(0x80 >> (column % 8));
      }
    }
    out.insert(out.end(), bits.begin(), bits.end());
  }
  return out;
}

}  // namespace

std::vector<std::uint8_t> IcoFile(std::span<const IconImage> images) {
  std::vector<std::vector<std::uint8_t>> bitmaps;
  for (const auto& image : images) bitmaps.push_back(IconBitmap(image));
  std::vector<std::uint8_t> out;
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, static_cast<std::uint32_t>(images.size()));
  auto offset = static_cast<std::uint32_t>(6 + 16 * images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    const auto side = static_cast<std::uint8_t>(images[i].size >= 256 ? 0 : images[i].size);
    out.insert(out.end(), {side, side, 0, 0});
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, static_cast<std::uint32_t>(bitmaps[i].size()));
    Put32(out, offset);
    offset += static_cast<std::uint32_t>(bitmaps[i].size());
  }
  for (const auto& bitmap : bitmaps) out.insert(out.end(), bitmap.begin(), bitmap.end());
  return out;
}

}  // namespace resource_tools
