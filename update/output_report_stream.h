// The second image of an 8K receiver of model 2, over output report 8: a header with the
// size, data reports of up to 57 bytes, an end report. No pause, nothing read back.
#pragma once

#include <cstdint>
#include <span>

inline constexpr std::size_t kOutputReportLength = 65;
inline constexpr std::uint32_t kOutputReportPayload = 57;

// Byte 64 := sum of bytes 0..63 of the send buffer, modulo 256.
void SealOutputReport();

// Streams the image through UpgradeState.writeHandle, built in UpgradeState.sendBuffer.
// The header is not built on a cleared buffer: it relies on the zeros the last OTA
// report (the reset) left from byte 10 on. Returns false at the first write that fails.
bool SendOutputReportImage(std::span<const std::uint8_t> image);
