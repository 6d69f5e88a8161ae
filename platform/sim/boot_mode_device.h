// The OTA interface of an 8K receiver in its boot mode: it takes the second image over
// feature report 4 (start report, two passes of data reports, end report), answers each
// report but the end report, checks every offset and rebuilds the image of each pass.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/sim/hid_bus.h"

namespace sim {

struct BootModeDeviceOptions {
  // Reports are counted from 1 in the order written (the start report is number 1).
  int refuseReport = 0;    // its answer carries a refusal in byte 2
  int failAnswerRead = 0;  // the read of its answer fails
  int vanishAtReport = 0;  // from this report on every call fails, as after an unplug
};

class BootModeDevice : public HidInterfaceModel {
 public:
  explicit BootModeDevice(BootModeDeviceOptions options = {});

  bool SetFeature(std::span<const std::uint8_t> report) override;
  bool GetFeature(std::span<std::uint8_t> report) override;

  std::vector<std::string> Faults() const;
  // The image as each pass carried it (pass 1 or 2).
  std::vector<std::uint8_t> PassImage(int pass) const;
  // Both passes ended and agree, and the end report came.
  bool TransferComplete() const;
  int EndReports() const;
  int ReportsReceived() const;
  // The bytes of the start report as written, for tests of what it carried.
  std::vector<std::uint8_t> StartReport() const;

 private:
  void Fault(std::string what);
  void Accept(std::span<const std::uint8_t> report);
  bool Gone() const;

  const BootModeDeviceOptions options_;
  mutable std::mutex mutex_;
  std::vector<std::string> faults_;
  std::vector<std::uint8_t> startReport_;
  std::array<std::vector<std::uint8_t>, 2> passes_;
  int pass_ = 0;  // 0 before the first data report, then 1 or 2
  std::array<bool, 2> passEnded_{};
  int endReports_ = 0;
  int reports_ = 0;
  bool answerPending_ = false;
  bool refusing_ = false;
};

}  // namespace sim
