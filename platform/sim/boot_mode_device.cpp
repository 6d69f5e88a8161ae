#include "platform/sim/boot_mode_device.h"

#include <algorithm>

namespace sim {
namespace {

constexpr std::size_t kReportLength = 65;
constexpr std::size_t kAnswerLength = 64;
constexpr std::uint32_t kMaxPayload = 59;

}  // namespace

BootModeDevice::BootModeDevice(BootModeDeviceOptions options) : options_(options) {}

void BootModeDevice::Fault(std::string what) {
  faults_.push_back(std::move(what));
}

bool BootModeDevice::Gone() const {
  return options_.vanishAtReport != 0 && reports_ >= options_.vanishAtReport;
}

bool BootModeDevice::SetFeature(std::span<const std::uint8_t> report) {
  std::lock_guard lock(mutex_);
  if (report.size() != kReportLength || report[0] != 0x04) return false;
  ++reports_;
  if (Gone()) return false;
  refusing_ = reports_ == options_.refuseReport;
  answerPending_ = true;
  if (faults_.empty()) Accept(report);
  return true;
}

void BootModeDevice::Accept(std::span<const std::uint8_t> report) {
  const std::uint8_t kind = report[1];
  if (kind == 0x81 && report[2] == 0x00) {
    // Bytes 3 on carry whatever the tool's buffer held; the device ignores them.
    if (reports_ != 1 && pass_ != 0) return Fault("start report in the middle of a transfer");
    startReport_.assign(report.begin(), report.end());
    return;
  }
  if (kind == 0x83 && report[2] == 0x00) {
    ++endReports_;
    answerPending_ = false;  // the end report is not answered
    return;
  }
  if (kind != 0x80 && kind != 0x82) return Fault("unknown report kind");
  const int pass = kind == 0x80 ? 1 : 2;
  if (startReport_.empty()) return Fault("data report before the start report");
  if (pass == 2 && !passEnded_[0]) return Fault("second pass before the first ended");
  if (pass == 1 && pass_ == 2) return Fault("first-pass report in the second pass");
  if (passEnded_[pass - 1]) return Fault("data report after its pass ended");
  pass_ = pass;

  auto& image = passes_[pass - 1];
  const std::uint32_t n = report[2];
  const std::uint32_t end = static_cast<std::uint32_t>(image.size()) + n;
  const std::uint32_t carried = report[3] | (report[4] << 8);
  if (n > kMaxPayload || carried != (end & 0xFFFF) ||
      !std::all_of(report.begin() + 5 + n, report.end(), [](std::uint8_t b) { return b == 0; })) {
    return Fault("data report " + std::to_string(reports_) + " of pass " + std::to_string(pass));
  }
  image.insert(image.end(), report.begin() + 5, report.begin() + 5 + n);
  if (n < kMaxPayload) passEnded_[pass - 1] = true;
}

bool BootModeDevice::GetFeature(std::span<std::uint8_t> report) {
  std::lock_guard lock(mutex_);
  if (report.size() != kAnswerLength || report[0] != 0x04 || Gone()) return false;
  if (reports_ == options_.failAnswerRead) return false;
  std::fill(report.begin() + 1, report.end(), std::uint8_t{0});
  // A report that found a fault is refused too, so the tool stops at once.
  if (refusing_ || !faults_.empty() || !answerPending_) report[2] = 0x01;
  answerPending_ = false;
  return true;
}

std::vector<std::string> BootModeDevice::Faults() const {
  std::lock_guard lock(mutex_);
  return faults_;
}

std::vector<std::uint8_t> BootModeDevice::PassImage(int pass) const {
  std::lock_guard lock(mutex_);
  return passes_.at(static_cast<std::size_t>(pass - 1));
}

bool BootModeDevice::TransferComplete() const {
  std::lock_guard lock(mutex_);
  return faults_.empty() && passEnded_[0] && passEnded_[1] && passes_[0] == passes_[1] &&
         endReports_ > 0;
}

int BootModeDevice::EndReports() const {
  std::lock_guard lock(mutex_);
  return endReports_;
}

int BootModeDevice::ReportsReceived() const {
  std::lock_guard lock(mutex_);
  return reports_;
}

std::vector<std::uint8_t> BootModeDevice::StartReport() const {
  std::lock_guard lock(mutex_);
  return startReport_;
}

}  // namespace sim
