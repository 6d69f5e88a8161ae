// The second image of an 8K receiver of model 3 in its boot mode, over feature report 4:
// a start report, the image twice in data reports of up to 59 bytes, each answered by
// the device, then an end report.
#pragma once

#include <array>
#include <cstdint>
#include <span>

inline constexpr std::size_t kBootReportLength = 65;
inline constexpr std::size_t kBootAnswerLength = 64;
inline constexpr std::uint32_t kBootReportPayload = 59;
inline constexpr std::uint32_t kBootAnswerPauseMs = 5;

using BootAnswerBuffer = std::array<std::uint8_t, kBootAnswerLength>;

// Streams start report and both passes through UpgradeState's handle pair. The start
// report keeps bytes 3..64 of whatever the send buffer held. Returns false at the first
// write that fails or answer that refuses; a data report's answer that cannot be read
// counts as a refusal.
bool SendBootModeImage(std::span<const std::uint8_t> image, BootAnswerBuffer& answer);

// The end report, on a cleared buffer; true when it was written.
bool SendBootModeEndReport();
