// The icon file format: a directory of images, each a 32-bit bitmap with its mask.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace resource_tools {

struct IconImage {
  int size = 0;                    // width and height, at most 256
  std::vector<std::uint8_t> rgba;  // size x size, top row first
};

std::vector<std::uint8_t> IcoFile(std::span<const IconImage> images);

}  // namespace resource_tools
