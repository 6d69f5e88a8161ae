#include "update/output_report_stream.h"

#include <algorithm>

#include "platform/hid.h"
#include "update/upgrade_state.h"

namespace {

constexpr std::uint8_t kOutputReportId = 8;

bool WriteOutputReport() {
  SealOutputReport();
  return hid::SetOutputReport(UpgradeState.writeHandle,
                              std::span(UpgradeState.sendBuffer).first(kOutputReportLength));
}

void StartOutputReport(std::uint8_t kind) {
  auto& report = UpgradeState.sendBuffer;
  report.fill(0);
  report[0] = kOutputReportId;
  report[2] = kind;
}

}  // namespace

void SealOutputReport() {
  std::uint8_t sum = 0;
  for (std::size_t i = 0; i < 64; ++i)
    sum = static_cast<std::uint8_t>(sum + UpgradeState.sendBuffer[i]);
  UpgradeState.sendBuffer[64] = sum;
}

bool SendOutputReportImage(std::span<const std::uint8_t> image) {
  auto& report = UpgradeState.sendBuffer;
  const auto size = static_cast<std::uint32_t>(image.size());
  report[0] = kOutputReportId;
  const std::uint8_t header[9] = {0x00,
                                  0x50,
                                  0x00,
                                  0x00,
                                  0x04,
                                  static_cast<std::uint8_t>(size),
                                  static_cast<std::uint8_t>(size >> 8),
                                  static_cast<std::uint8_t>(size >> 16),
                                  static_cast<std::uint8_t>(size >> 24)};
  std::copy(std::begin(header), std::end(header), report.begin() + 1);
  if (!WriteOutputReport()) return false;

  std::uint32_t offset = 0;
  for (;;) {
    StartOutputReport(0x51);
    const std::uint32_t n = std::min(kOutputReportPayload, size - offset);
    report[5] = static_cast<std::uint8_t>(n);
    std::copy_n(image.begin() + offset, n, report.begin() + 6);
    offset += n;
    if (!WriteOutputReport()) return false;
    if (n != kOutputReportPayload) break;
  }

  StartOutputReport(0x52);
  return WriteOutputReport();
}
