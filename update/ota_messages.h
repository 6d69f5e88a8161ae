// The two messages the worker posts to the main dialog's window.
#pragma once

#include <cstdint>

inline constexpr std::uint32_t kWmUser = 0x0400;
inline constexpr std::uint32_t WM_OTA_PROGRESS = kWmUser + 0x800;  // wParam 0: range, 1: position
inline constexpr std::uint32_t WM_OTA_RESULT = kWmUser + 0x801;    // wParam 1: success, 0: failure

// lParam of a failed WM_OTA_RESULT: the step that failed.
enum OtaResultCode : std::intptr_t {
  kResultInitNew = 1,
  kResultInitNewCheck = 2,
  kResultObjectCreate = 3,
  kResultObjectVerify = 4,
  kResultUpgrade = 5,
  kResultMcuReset = 6,
  kResultSecondStage = 7,
};

// Posts to the window of UpgradeState.dialog, read anew for every post.
void PostToMainDialog(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
