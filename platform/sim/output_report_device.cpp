#include "platform/sim/output_report_device.h"

#include <algorithm>
#include <numeric>

namespace sim {
namespace {

constexpr std::size_t kReportLength = 65;
constexpr std::uint32_t kMaxPayload = 57;

bool ZeroBetween(std::span<const std::uint8_t> report, std::size_t from, std::size_t to) {
  return std::all_of(report.begin() + static_cast<std::ptrdiff_t>(from),
                     report.begin() + static_cast<std::ptrdiff_t>(to),
                     [](std::uint8_t b) { return b == 0; });
}

}  // namespace

OutputReportDevice::OutputReportDevice(OutputReportDeviceOptions options) : options_(options) {}

void OutputReportDevice::Fault(std::string what) {
  faults_.push_back(std::move(what));
}

bool OutputReportDevice::SetOutputReport(std::span<const std::uint8_t> report) {
  std::lock_guard lock(mutex_);
  if (report.size() != kReportLength || report[0] != 0x08) return false;
  ++reports_;
  if (reports_ == options_.refuseReport) return false;
  if (!faults_.empty()) return true;

  const auto sum = std::accumulate(report.begin(), report.begin() + 64, 0u);
  if (report[64] != static_cast<std::uint8_t>(sum)) {
    Fault("checksum of report " + std::to_string(reports_));
    return true;
  }
  if (report[1] != 0x00 || report[3] != 0x00 || report[4] != 0x00) {
    Fault("header bytes of report " + std::to_string(reports_));
    return true;
  }
  if (complete_) {
    Fault("report after the end report");
    return true;
  }
  switch (report[2]) {
    case 0x50:
      if (headerSeen_ || report[5] != 0x04 || !ZeroBetween(report, 10, 64)) {
        Fault("header report out of place or malformed");
        break;
      }
      announcedSize_ =
          report[6] | (report[7] << 8) | (report[8] << 16) | (std::uint32_t{report[9]} << 24);
      headerSeen_ = true;
      break;
    case 0x51: {
      const std::uint32_t n = report[5];
      if (!headerSeen_ || shortReportSeen_ || n > kMaxPayload || !ZeroBetween(report, 6 + n, 64) ||
          image_.size() + n > announcedSize_) {
        Fault("data report " + std::to_string(reports_) + " of " + std::to_string(n) + " bytes");
        break;
      }
      image_.insert(image_.end(), report.begin() + 6, report.begin() + 6 + n);
      // Only the last data report may be short; it may also be empty.
      shortReportSeen_ = n < kMaxPayload;
      break;
    }
    case 0x52:
      if (!headerSeen_ || !shortReportSeen_ || image_.size() != announcedSize_ ||
          !ZeroBetween(report, 3, 64)) {
        Fault("end report before the image was complete, or malformed");
        break;
      }
      complete_ = true;
      break;
    default:
      Fault("unknown output report kind");
  }
  return true;
}

std::vector<std::string> OutputReportDevice::Faults() const {
  std::lock_guard lock(mutex_);
  return faults_;
}

std::vector<std::uint8_t> OutputReportDevice::Image() const {
  std::lock_guard lock(mutex_);
  return image_;
}

std::uint32_t OutputReportDevice::AnnouncedSize() const {
  std::lock_guard lock(mutex_);
  return announcedSize_;
}

bool OutputReportDevice::TransferComplete() const {
  std::lock_guard lock(mutex_);
  return complete_ && faults_.empty();
}

int OutputReportDevice::ReportsReceived() const {
  std::lock_guard lock(mutex_);
  return reports_;
}

}  // namespace sim
