// The worker thread that carries one image into one device over feature report 3.
#pragma once

#include <cstdint>

inline constexpr std::uint32_t kMaxImageSize = 255 * 4096;  // objectCount is 8 bits
inline constexpr std::uint32_t kVerifyPauseMs = 80;

// Thread entry; image points at UpgradeState.imageSize bytes. Its results are the
// messages it posts to the main dialog.
void UpgradeWorker(void* image);
