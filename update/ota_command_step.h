// One answered command of the OTA protocol: send, settle, poll for the answer.
#pragma once

#include <cstdint>
#include <string>

inline constexpr std::int32_t kMaxAnswerReads = 100;

// Sends the report in UpgradeState.sendBuffer and returns once the device's answer is
// accepted. Otherwise (no accepted answer in 100 reads, or an answer announcing packet
// parameters that cannot be served) it ends the upgrade: FailUpgradeStep.
void RunCommandStep(const std::wstring& errorText, std::uint32_t settleMs, int resultCode,
                    std::uint32_t pollMs);

// The worker's failure convention: message box, then WM_OTA_RESULT (0, resultCode),
// then the end of the worker thread (throws WorkerExit).
[[noreturn]] void FailUpgradeStep(const std::wstring& errorText, int resultCode);
