// The program's icon, drawn at any size: a blue badge holding a mouse and an upward
// arrow, edges smoothed by supersampling.
#pragma once

#include <cstdint>
#include <vector>

namespace resource_tools {

// size x size pixels, top row first, each as red, green, blue, alpha.
std::vector<std::uint8_t> DrawIcon(int size);

}  // namespace resource_tools
