#include "platform/sim/identity_device.h"

#include <algorithm>

namespace sim {
namespace {

constexpr std::uint8_t kReportId = 0x09;
constexpr std::uint8_t kIdentityCommand = 0x8F;
constexpr std::size_t kReportLength = 9;

}  // namespace

IdentityAnswer MouseIdentityAnswer(std::uint8_t model, std::uint8_t sensorByte) {
  return {kReportId, kIdentityCommand, 0x01, model, 0x00, sensorByte, 0x00, 0x00, 0x00};
}

IdentityAnswer ReceiverIdentityAnswer(std::uint8_t receiverClass, std::uint8_t subCode) {
  return {kReportId, kIdentityCommand, 0x01, 0x00, receiverClass, subCode, 0x00, 0x00, 0x00};
}

IdentityDevice::IdentityDevice(IdentityDeviceOptions options) : options_(options) {}

bool IdentityDevice::SetFeature(std::span<const std::uint8_t> report) {
  std::lock_guard lock(mutex_);
  if (options_.refuseRequest) return false;
  if (report.size() != kReportLength || report[0] != kReportId) {
    faults_.push_back("request of length " + std::to_string(report.size()) + " or wrong id");
    return false;
  }
  if (report[1] != kIdentityCommand ||
      !std::all_of(report.begin() + 2, report.end(), [](std::uint8_t b) { return b == 0; })) {
    faults_.push_back("request is not the bare identity command");
    return false;
  }
  ++requests_;
  asked_ = true;
  return true;
}

bool IdentityDevice::GetFeature(std::span<std::uint8_t> report) {
  std::lock_guard lock(mutex_);
  if (options_.failAnswerRead) return false;
  if (report.size() != kReportLength || report[0] != kReportId) {
    faults_.push_back("read of length " + std::to_string(report.size()) + " or wrong id");
    return false;
  }
  // Unasked, the device has nothing to say but its report id.
  if (!asked_) {
    std::fill(report.begin() + 1, report.end(), std::uint8_t{0});
    return true;
  }
  std::copy(options_.answer.begin(), options_.answer.end(), report.begin());
  ++answers_;
  return true;
}

std::vector<std::string> IdentityDevice::Faults() const {
  std::lock_guard lock(mutex_);
  return faults_;
}

int IdentityDevice::RequestsTaken() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

int IdentityDevice::AnswersGiven() const {
  std::lock_guard lock(mutex_);
  return answers_;
}

}  // namespace sim
