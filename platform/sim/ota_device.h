// The device side of the OTA protocol over feature report 3, as a mouse or receiver
// plays it: it checks every report it receives, answers each numbered command, and
// rebuilds the image from the data reports.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/sim/hid_bus.h"

namespace sim {

// How the device misbehaves when asked for the answer to one command.
struct AnswerFault {
  enum class Kind {
    never,  // keeps reporting "no answer yet"
    late,   // the answer comes with read number `reads` (1 = the first read)
    stale,  // the first read brings the answer to the previous command
  };
  std::uint8_t command = 0;
  int occurrence = 0;  // which time this command is sent, from 1; 0 = every time
  Kind kind = Kind::never;
  int reads = 1;
};

// An answer to a later command that carries the marks of the answer to
// CMD_FW_OTA_INIT_NEW, and so announces new packet parameters.
struct Reannouncement {
  std::uint8_t command = 0;
  int occurrence = 1;
  std::uint16_t packetSize = 0;
  std::uint16_t packetsPerBatch = 0;
};

struct OtaDeviceOptions {
  // What the answer to CMD_FW_OTA_INIT_NEW announces.
  std::uint16_t packetSize = 25;
  std::uint16_t packetsPerBatch = 40;
  // False: that answer lacks the length mark, so the tool keeps its defaults.
  bool announce = true;
  std::vector<AnswerFault> answerFaults;
  std::vector<Reannouncement> reannouncements;
  // Called when CMD_FW_BOOT_SWITCH arrives after an accepted reset. It runs under the
  // bus lock, so it must not call the bus: it schedules the restart (sim::Schedule).
  std::function<void()> onBootSwitch;
};

class OtaDevice : public HidInterfaceModel {
 public:
  explicit OtaDevice(OtaDeviceOptions options = {});

  bool SetFeature(std::span<const std::uint8_t> report) override;
  bool GetFeature(std::span<std::uint8_t> report) override;

  // What the device found wrong, in order; after the first fault it stops answering.
  std::vector<std::string> Faults() const;
  // The image as rebuilt from the data reports (its size from CMD_FW_OTA_INIT_NEW).
  std::vector<std::uint8_t> Image() const;
  // True once CMD_FW_MCU_RESET was accepted after a complete, consistent upgrade.
  bool UpgradeComplete() const;
  int CommandsReceived(std::uint8_t command) const;
  int DataReportsReceived() const;
  bool BootSwitchReceived() const;

 private:
  using Report = std::array<std::uint8_t, 64>;

  void Fault(std::string what);
  void Accept(std::span<const std::uint8_t> report);
  bool IsBootSwitch(std::span<const std::uint8_t> report) const;
  void AcceptNumbered(std::span<const std::uint8_t> report);
  void AcceptData(std::span<const std::uint8_t> report);
  bool CheckCreate(std::span<const std::uint8_t> report);
  bool CheckVerify(std::span<const std::uint8_t> report);
  bool CheckUpgrade(std::span<const std::uint8_t> report);
  void PrepareAnswer(std::uint8_t sequence, std::uint8_t command, int occurrence);
  std::uint32_t ObjectLength(std::uint32_t object) const;

  enum class Phase { idle, started, confirmed, upgraded, reset };

  const OtaDeviceOptions options_;
  mutable std::mutex mutex_;
  std::vector<std::string> faults_;
  Phase phase_ = Phase::idle;
  std::uint8_t nextSequence_ = 0;
  std::array<int, 256> commandCounts_{};
  int dataReports_ = 0;
  bool bootSwitch_ = false;
  Report lastReset_{};

  // Parameters as last announced, and as they hold for the current object.
  std::uint16_t packetSize_ = 25;
  std::uint16_t packetsPerBatch_ = 40;
  std::uint16_t objectPacketSize_ = 25;
  std::uint16_t objectPacketsPerBatch_ = 40;

  std::vector<std::uint8_t> image_;
  std::uint32_t imageSize_ = 0;
  std::uint32_t objectsCreated_ = 0;
  std::uint32_t objectReceived_ = 0;  // bytes of the current object
  std::uint32_t batchReports_ = 0;    // data reports since the last create or verify
  std::uint16_t byteSum_ = 0;

  Report answer_{};
  Report previousAnswer_{};
  bool answerReady_ = false;
  const AnswerFault* pendingFault_ = nullptr;
  int readsSinceCommand_ = 0;
};

}  // namespace sim
