#include "platform/sim/ota_device.h"

#include <algorithm>

namespace sim {
namespace {

constexpr std::uint8_t kInitNew = 0x27;
constexpr std::uint8_t kInitNewCheck = 0x42;
constexpr std::uint8_t kObjectCreate = 0x25;
constexpr std::uint8_t kObjectWrite = 0x40;
constexpr std::uint8_t kObjectVerify = 0x41;
constexpr std::uint8_t kUpgrade = 0x18;
constexpr std::uint8_t kMcuReset = 0x22;
constexpr std::uint32_t kObjectSize = 4096;
constexpr std::uint32_t kMaxPayload = 55;

std::uint32_t Read32(std::span<const std::uint8_t> report, std::size_t at) {
  return report[at] | (report[at + 1] << 8) | (report[at + 2] << 16) |
         (std::uint32_t{report[at + 3]} << 24);
}

std::uint16_t Read16(std::span<const std::uint8_t> report, std::size_t at) {
  return static_cast<std::uint16_t>(report[at] | (report[at + 1] << 8));
}

bool ZeroFrom(std::span<const std::uint8_t> report, std::size_t from) {
  return std::all_of(report.begin() + static_cast<std::ptrdiff_t>(from), report.end(),
                     [](std::uint8_t b) { return b == 0; });
}

std::string Hex2(unsigned value) {
  static constexpr char kHex[] = "0123456789abcdef";
  return std::string("0x") + kHex[(value >> 4) & 0xF] + kHex[value & 0xF];
}

}  // namespace

OtaDevice::OtaDevice(OtaDeviceOptions options) : options_(std::move(options)) {}

void OtaDevice::Fault(std::string what) {
  faults_.push_back(std::move(what));
}

std::uint32_t OtaDevice::ObjectLength(std::uint32_t object) const {
  const std::uint32_t offset = object * kObjectSize;
  return std::min(kObjectSize, imageSize_ - std::min(offset, imageSize_));
}

bool OtaDevice::SetFeature(std::span<const std::uint8_t> report) {
  std::lock_guard lock(mutex_);
  if (report.size() != 64 || report[0] != 0x03) return false;
  // A device that has found a fault takes reports but no longer acts on them.
  if (faults_.empty()) Accept(report);
  return true;
}

// The reset report once more, bytes 1 and 2 overwritten with 0x50 and no new checksum.
bool OtaDevice::IsBootSwitch(std::span<const std::uint8_t> report) const {
  if (phase_ != Phase::reset || report[1] != 0x50 || report[2] != 0x50) return false;
  return std::equal(report.begin() + 3, report.end(), lastReset_.begin() + 3);
}

void OtaDevice::Accept(std::span<const std::uint8_t> report) {
  if (IsBootSwitch(report)) {
    bootSwitch_ = true;
    if (options_.onBootSwitch) options_.onBootSwitch();
    return;
  }
  std::uint8_t sum = 0;
  for (std::size_t i = 2; i < 64; ++i) sum = static_cast<std::uint8_t>(sum + report[i]);
  if (report[1] != sum) return Fault("checksum " + Hex2(report[1]) + ", expected " + Hex2(sum));
  if (report[2] != 0x65 || report[3] != 0x3A || report[5] != 0x00) return Fault("header");
  if (report[6] == kObjectWrite) return AcceptData(report);
  AcceptNumbered(report);
}

void OtaDevice::AcceptNumbered(std::span<const std::uint8_t> report) {
  const std::uint8_t command = report[6];
  if (report[9] != command) return Fault("command code repeated wrongly in byte 9");

  if (command == kInitNew) {
    if (report[4] != 0 || report[7] != 1 || report[8] != 6 || !ZeroFrom(report, 14)) {
      return Fault("CMD_FW_OTA_INIT_NEW layout");
    }
    imageSize_ = Read32(report, 10);
    if (imageSize_ == 0) return Fault("CMD_FW_OTA_INIT_NEW announces an empty image");
    phase_ = Phase::started;
    nextSequence_ = 1;
    image_.assign(imageSize_, 0);
    objectsCreated_ = objectReceived_ = batchReports_ = 0;
    byteSum_ = 0;
    packetSize_ = options_.announce ? options_.packetSize : 25;
    packetsPerBatch_ = options_.announce ? options_.packetsPerBatch : 40;
    PrepareAnswer(0, command, ++commandCounts_[command]);
    return;
  }

  const std::uint8_t sequence = report[4];
  if (sequence != nextSequence_ || report[7] != static_cast<std::uint8_t>(nextSequence_ + 1)) {
    return Fault("numbering: sequence " + Hex2(sequence) + " counter " + Hex2(report[7]) +
                 ", expected " + Hex2(nextSequence_));
  }
  switch (command) {
    case kInitNewCheck:
      if (phase_ != Phase::started || report[8] != 2 || !ZeroFrom(report, 10)) {
        return Fault("CMD_FW_INIT_NEW_CHECK out of place or malformed");
      }
      phase_ = Phase::confirmed;
      break;
    case kObjectCreate:
      if (!CheckCreate(report)) return;
      break;
    case kObjectVerify:
      if (!CheckVerify(report)) return;
      break;
    case kUpgrade:
      if (!CheckUpgrade(report)) return;
      phase_ = Phase::upgraded;
      break;
    case kMcuReset:
      if (phase_ != Phase::upgraded || report[8] != 2 || !ZeroFrom(report, 10)) {
        return Fault("CMD_FW_MCU_RESET out of place or malformed");
      }
      phase_ = Phase::reset;
      std::copy(report.begin(), report.end(), lastReset_.begin());
      break;
    default:
      return Fault("unknown command " + Hex2(command));
  }
  ++nextSequence_;
  PrepareAnswer(sequence, command, ++commandCounts_[command]);
  // An object is sent with the parameters in force when its create was answered.
  if (command == kObjectCreate) {
    objectPacketSize_ = packetSize_;
    objectPacketsPerBatch_ = packetsPerBatch_;
  }
}

bool OtaDevice::CheckCreate(std::span<const std::uint8_t> report) {
  if (phase_ != Phase::confirmed || report[8] != 9 || !ZeroFrom(report, 18)) {
    Fault("CMD_FW_OBJECT_CREATE out of place or malformed");
    return false;
  }
  if (objectsCreated_ > 0 &&
      (objectReceived_ != ObjectLength(objectsCreated_ - 1) || batchReports_ != 0)) {
    Fault("CMD_FW_OBJECT_CREATE before the previous object was complete and verified");
    return false;
  }
  const std::uint32_t offset = Read32(report, 10);
  if (offset != objectsCreated_ * kObjectSize || offset >= imageSize_ ||
      Read32(report, 14) != kObjectSize) {
    Fault("CMD_FW_OBJECT_CREATE offset " + std::to_string(offset) + " length " +
          std::to_string(Read32(report, 14)));
    return false;
  }
  ++objectsCreated_;
  objectReceived_ = 0;
  batchReports_ = 0;
  return true;
}

void OtaDevice::AcceptData(std::span<const std::uint8_t> report) {
  if (phase_ != Phase::confirmed || objectsCreated_ == 0) return Fault("data report out of place");
  if (report[4] != 0 || report[7] != static_cast<std::uint8_t>(nextSequence_ + 1)) {
    return Fault("data report numbering");
  }
  const std::uint32_t n = report[8];
  const std::uint32_t object = objectsCreated_ - 1;
  const std::uint32_t length = ObjectLength(object);
  const bool lastOfObject = objectReceived_ + n == length;
  if (n == 0 || n > kMaxPayload || n > objectPacketSize_ ||
      (n < objectPacketSize_ && !lastOfObject) || objectReceived_ + n > length) {
    return Fault("data report of " + std::to_string(n) + " bytes at " +
                 std::to_string(objectReceived_) + " of object " + std::to_string(object));
  }
  if (batchReports_ >= objectPacketsPerBatch_) return Fault("batch longer than announced");
  if (!ZeroFrom(report, 9 + n)) return Fault("data report padding");
  const std::uint32_t at = object * kObjectSize + objectReceived_;
  for (std::uint32_t i = 0; i < n; ++i) {
    image_[at + i] = report[9 + i];
    byteSum_ = static_cast<std::uint16_t>(byteSum_ + report[9 + i]);
  }
  objectReceived_ += n;
  ++batchReports_;
  ++dataReports_;
}

bool OtaDevice::CheckVerify(std::span<const std::uint8_t> report) {
  if (phase_ != Phase::confirmed || objectsCreated_ == 0 || report[8] != 3 ||
      !ZeroFrom(report, 12)) {
    Fault("CMD_FW_OBJECT_VERIFY out of place or malformed");
    return false;
  }
  const bool objectDone = objectReceived_ == ObjectLength(objectsCreated_ - 1);
  if (batchReports_ == 0 || (batchReports_ != objectPacketsPerBatch_ && !objectDone)) {
    Fault("CMD_FW_OBJECT_VERIFY after a batch of " + std::to_string(batchReports_) + " reports");
    return false;
  }
  if (Read16(report, 10) != byteSum_) {
    Fault("CMD_FW_OBJECT_VERIFY byte sum " + std::to_string(Read16(report, 10)) + ", expected " +
          std::to_string(byteSum_));
    return false;
  }
  batchReports_ = 0;
  return true;
}

bool OtaDevice::CheckUpgrade(std::span<const std::uint8_t> report) {
  const std::uint32_t objects = (imageSize_ + kObjectSize - 1) / kObjectSize;
  static constexpr std::uint8_t kTail[5] = {0x00, 0x2E, 0x00, 0x2E, 0x00};
  if (phase_ != Phase::confirmed || report[8] != 0x0C || objectsCreated_ != objects ||
      objectReceived_ != ObjectLength(objects - 1) || batchReports_ != 0 ||
      !std::equal(std::begin(kTail), std::end(kTail), report.begin() + 16) ||
      !ZeroFrom(report, 21)) {
    Fault("CMD_FW_UPGRADE before the image was complete, or malformed");
    return false;
  }
  if (Read32(report, 10) != imageSize_ || Read16(report, 14) != byteSum_) {
    Fault("CMD_FW_UPGRADE size or byte sum");
    return false;
  }
  return true;
}

void OtaDevice::PrepareAnswer(std::uint8_t sequence, std::uint8_t command, int occurrence) {
  previousAnswer_ = answer_;
  answer_.fill(0);
  answer_[0] = 0x03;
  answer_[1] = 0x65;
  answer_[3] = 0x25;
  answer_[4] = sequence;
  answer_[7] = 0x02;
  answer_[8] = command;

  auto announce = [&](std::uint16_t packetSize, std::uint16_t packetsPerBatch) {
    answer_[5] = 0x00;
    answer_[6] = 0x0E;
    answer_[7] = 0x10;
    answer_[8] = kInitNew;
    answer_[9] = 0x00;
    answer_[19] = static_cast<std::uint8_t>(packetSize);
    answer_[20] = static_cast<std::uint8_t>(packetSize >> 8);
    answer_[21] = static_cast<std::uint8_t>(packetsPerBatch);
    answer_[22] = static_cast<std::uint8_t>(packetsPerBatch >> 8);
    packetSize_ = packetSize;
    packetsPerBatch_ = packetsPerBatch;
  };
  if (command == kInitNew) {
    if (options_.announce) {
      announce(options_.packetSize, options_.packetsPerBatch);
    } else {
      answer_[6] = 0x0E;
    }
  }
  for (const auto& again : options_.reannouncements) {
    if (again.command == command && again.occurrence == occurrence) {
      announce(again.packetSize, again.packetsPerBatch);
    }
  }

  answerReady_ = true;
  readsSinceCommand_ = 0;
  pendingFault_ = nullptr;
  for (const auto& fault : options_.answerFaults) {
    if (fault.command == command && (fault.occurrence == 0 || fault.occurrence == occurrence)) {
      pendingFault_ = &fault;
    }
  }
}

bool OtaDevice::GetFeature(std::span<std::uint8_t> report) {
  std::lock_guard lock(mutex_);
  if (report.size() != 64 || report[0] != 0x03) return false;
  const auto noAnswerYet = [&] {
    std::fill(report.begin() + 1, report.end(), std::uint8_t{0});
    return true;
  };
  if (!faults_.empty() || !answerReady_) return noAnswerYet();
  ++readsSinceCommand_;
  if (pendingFault_ != nullptr) {
    switch (pendingFault_->kind) {
      case AnswerFault::Kind::never:
        return noAnswerYet();
      case AnswerFault::Kind::late:
        if (readsSinceCommand_ < pendingFault_->reads) return noAnswerYet();
        break;
      case AnswerFault::Kind::stale:
        if (readsSinceCommand_ == 1) {
          if (previousAnswer_[0] != 0x03) return noAnswerYet();
          std::copy(previousAnswer_.begin(), previousAnswer_.end(), report.begin());
          return true;
        }
        break;
    }
  }
  std::copy(answer_.begin(), answer_.end(), report.begin());
  return true;
}

bool OtaDevice::BootSwitchReceived() const {
  std::lock_guard lock(mutex_);
  return bootSwitch_;
}

std::vector<std::string> OtaDevice::Faults() const {
  std::lock_guard lock(mutex_);
  return faults_;
}

std::vector<std::uint8_t> OtaDevice::Image() const {
  std::lock_guard lock(mutex_);
  return image_;
}

bool OtaDevice::UpgradeComplete() const {
  std::lock_guard lock(mutex_);
  return faults_.empty() && phase_ == Phase::reset;
}

int OtaDevice::CommandsReceived(std::uint8_t command) const {
  std::lock_guard lock(mutex_);
  return commandCounts_[command];
}

int OtaDevice::DataReportsReceived() const {
  std::lock_guard lock(mutex_);
  return dataReports_;
}

}  // namespace sim
