// The identity interface of a mouse or receiver: it takes the identity command over
// feature report 9 and gives its answer, whatever that holds, on the next read.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/sim/hid_bus.h"

namespace sim {

using IdentityAnswer = std::array<std::uint8_t, 9>;

// Valid answers: a mouse's model code and sensor byte, a receiver's class and sub-code.
IdentityAnswer MouseIdentityAnswer(std::uint8_t model, std::uint8_t sensorByte);
IdentityAnswer ReceiverIdentityAnswer(std::uint8_t receiverClass, std::uint8_t subCode);

struct IdentityDeviceOptions {
  IdentityAnswer answer = MouseIdentityAnswer(2, 0xF0);
  bool refuseRequest = false;
  bool failAnswerRead = false;
};

class IdentityDevice : public HidInterfaceModel {
 public:
  explicit IdentityDevice(IdentityDeviceOptions options = {});

  bool SetFeature(std::span<const std::uint8_t> report) override;
  bool GetFeature(std::span<std::uint8_t> report) override;

  // What the device found wrong in the reports it was given.
  std::vector<std::string> Faults() const;
  int RequestsTaken() const;
  int AnswersGiven() const;

 private:
  const IdentityDeviceOptions options_;
  mutable std::mutex mutex_;
  std::vector<std::string> faults_;
  int requests_ = 0;
  int answers_ = 0;
  bool asked_ = false;
};

}  // namespace sim
