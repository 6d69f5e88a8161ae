// The output interface of an 8K receiver of model 2: it takes its second image over
// output report 8 (header, data reports, end report), checks every checksum, and
// rebuilds the image. Nothing is ever read back.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/sim/hid_bus.h"

namespace sim {

struct OutputReportDeviceOptions {
  // Refuses (the write fails) the report with this number, counted from 1; 0: none.
  int refuseReport = 0;
};

class OutputReportDevice : public HidInterfaceModel {
 public:
  explicit OutputReportDevice(OutputReportDeviceOptions options = {});

  bool SetOutputReport(std::span<const std::uint8_t> report) override;

  std::vector<std::string> Faults() const;
  // The image as the data reports carried it; complete once the end report came.
  std::vector<std::uint8_t> Image() const;
  std::uint32_t AnnouncedSize() const;
  bool TransferComplete() const;
  int ReportsReceived() const;

 private:
  void Fault(std::string what);

  const OutputReportDeviceOptions options_;
  mutable std::mutex mutex_;
  std::vector<std::string> faults_;
  std::vector<std::uint8_t> image_;
  std::uint32_t announcedSize_ = 0;
  bool headerSeen_ = false;
  bool shortReportSeen_ = false;
  bool complete_ = false;
  int reports_ = 0;
};

}  // namespace sim
