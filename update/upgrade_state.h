// The one record of the upgrade in progress, shared by the window and the worker.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/hid.h"
#include "platform/ui/published_dialog.h"
#include "update/shared_flag.h"

inline constexpr std::size_t kReportBufferSize = 66;
using ReportBuffer = std::array<std::uint8_t, kReportBufferSize>;

// Which device the current (or last) upgrade is for.
enum : std::uint8_t {
  kTargetNone = 0,
  kTargetMouse = 1,
  kTargetReceiver1K = 2,
  kTargetReceiver8KOutput = 3,    // 8K receiver model 2: second image over output report 8
  kTargetReceiver8KBootMode = 4,  // 8K receiver model 3: second image over feature report 4
};

struct UpgradeStateRecord {
  std::uint8_t UpgradeTarget = kTargetNone;
  SharedFlag busy;
  SharedFlag deviceListChanged;
  SharedFlag awaitingBootDevice;
  hid::Handle readHandle = hid::kInvalidHandle;
  hid::Handle writeHandle = hid::kInvalidHandle;
  std::wstring currentDevicePath;
  std::uint32_t imageSize = 0;
  std::uint8_t objectCount = 0;
  std::uint8_t objectIndex = 0;
  std::uint16_t byteSum = 0;
  std::uint8_t sequenceNumber = 0;
  std::uint8_t commandCounter = 1;
  std::uint16_t packetSize = 0;
  std::uint16_t packetsPerBatch = 0;
  std::uint8_t packetDelayMs = 50;
  std::int32_t pollCount = 0;
  ui::PublishedDialog dialog;  // read once for every post, withdrawn before the window goes
  ReportBuffer sendBuffer{};
  ReportBuffer receiveBuffer{};
};

extern UpgradeStateRecord UpgradeState;

// The pair on one interface path: readHandle for reading, then writeHandle for writing.
// Whether the opens succeeded shows in the reports written through them.
void OpenHandlePair(const std::wstring& path);
// Closes both and leaves them invalid; closing an invalid one does nothing.
void CloseHandlePair();
