// The second image of an 8K receiver of model 3, on the worker after the main image's
// reset: the receiver restarts into its boot mode, comes back under product id 0x9999,
// and takes image 278 over feature report 4.
#pragma once

#include <cstdint>

inline constexpr std::uint16_t kBootModeProductId = 0x9999;
inline constexpr std::uint32_t kBootSwitchSettleMs = 300;
inline constexpr std::uint32_t kBootDevicePollMs = 100;
// A restarted receiver is back within seconds; past this the wait ends as a failure.
inline constexpr std::uint32_t kBootDeviceWaitLimitMs = 60000;

// Posts the worker's final messages; the worker ends after it returns.
void RunBootModeStage();
