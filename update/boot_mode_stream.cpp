#include "update/boot_mode_stream.h"

#include <algorithm>

#include "platform/hid.h"
#include "platform/os.h"
#include "update/upgrade_state.h"

namespace {

constexpr std::uint8_t kBootReportId = 4;

bool WriteBootReport() {
  return hid::SetFeature(UpgradeState.writeHandle,
                         std::span(UpgradeState.sendBuffer).first(kBootReportLength));
}

// Reads the answer to the report just written; true when it does not refuse.
bool ReadAnswer(BootAnswerBuffer& answer, bool failedReadRefuses) {
  answer[0] = kBootReportId;
  const bool read = hid::GetFeature(UpgradeState.readHandle, answer);
  if (!read && failedReadRefuses) return false;
  return answer[1] == 0 && answer[2] == 0;
}

bool SendPass(std::span<const std::uint8_t> image, std::uint8_t kind, BootAnswerBuffer& answer) {
  auto& report = UpgradeState.sendBuffer;
  const auto size = static_cast<std::uint32_t>(image.size());
  std::uint32_t offset = 0;
  for (;;) {
    report.fill(0);
    report[0] = kBootReportId;
    const std::uint32_t n = std::min(kBootReportPayload, size - offset);
    report[1] = kind;
    report[2] = static_cast<std::uint8_t>(n);
    std::copy_n(image.begin() + offset, n, report.begin() + 5);
    offset += n;
    report[3] = static_cast<std::uint8_t>(offset);
    report[4] = static_cast<std::uint8_t>(offset >> 8);
    if (!WriteBootReport()) return false;
    os::Sleep(kBootAnswerPauseMs);
    if (!ReadAnswer(answer, true)) return false;
    if (n != kBootReportPayload) return true;
  }
}

}  // namespace

bool SendBootModeImage(std::span<const std::uint8_t> image, BootAnswerBuffer& answer) {
  answer.fill(0);
  answer[0] = kBootReportId;
  auto& report = UpgradeState.sendBuffer;
  report[0] = kBootReportId;
  report[1] = 0x81;
  report[2] = 0x00;
  if (!WriteBootReport()) return false;
  // The start report's answer passes when its read fails: the buffer then holds zeros.
  if (!ReadAnswer(answer, false)) return false;
  return SendPass(image, 0x80, answer) && SendPass(image, 0x82, answer);
}

bool SendBootModeEndReport() {
  auto& report = UpgradeState.sendBuffer;
  report.fill(0);
  report[0] = kBootReportId;
  report[1] = 0x83;
  report[2] = 0x00;
  return WriteBootReport();
}
