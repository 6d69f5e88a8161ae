#include "update/upgrade_worker.h"

#include <span>

#include "platform/hid.h"
#include "platform/os.h"
#include "update/boot_mode_stage.h"
#include "update/ota_command_step.h"
#include "update/ota_messages.h"
#include "update/ota_reports.h"
#include "update/upgrade_state.h"
#include "update/worker_exit.h"

namespace {

struct CommandStep {
  const wchar_t* errorText;
  std::uint32_t settleMs;
  int resultCode;
  std::uint32_t pollMs;
};

constexpr CommandStep kInitNewStep{L"CMD_FW_OTA_INIT_NEW Error", 10, kResultInitNew, 100};
constexpr CommandStep kInitNewCheckStep{L"CMD_FW_INIT_NEW_CHECK Error", 10, kResultInitNewCheck,
                                        120};
constexpr CommandStep kObjectCreateStep{L"CMD_FW_OBJECT_CREATE Error", 100, kResultObjectCreate,
                                        100};
constexpr CommandStep kObjectVerifyStep{L"检验失败", 10, kResultObjectVerify, 100};
constexpr CommandStep kUpgradeStep{L"CMD_FW_UPGRADE Error", 500, kResultUpgrade, 100};
constexpr CommandStep kMcuResetStep{L"CMD_FW_MCU_RESET Error", 10, kResultMcuReset, 100};

void Run(const CommandStep& step) {
  RunCommandStep(step.errorText, step.settleMs, step.resultCode, step.pollMs);
}

// Sends one data report of n bytes and accounts for it.
void SendDataReport(const std::uint8_t*& image, std::uint32_t n) {
  PostToMainDialog(WM_OTA_PROGRESS, 1, UpgradeState.commandCounter);
  BuildObjectWrite(image, n);
  os::Sleep(UpgradeState.packetDelayMs);
  hid::SetFeature(UpgradeState.writeHandle,
                  std::span(UpgradeState.sendBuffer).first(kOtaReportLength));
  for (std::uint32_t i = 0; i < n; ++i) UpgradeState.byteSum += image[i];
  image += n;
}

// One object: its create command, then its bytes in batches, a verify after each.
void SendObject(const std::uint8_t*& image, std::uint32_t& remaining) {
  BuildObjectCreate();
  Run(kObjectCreateStep);

  // The parameters hold for the whole object: a change announced later would leave
  // the batch count wrong and skip image bytes.
  const std::uint32_t packetSize = UpgradeState.packetSize;
  const std::uint32_t packetsPerBatch = UpgradeState.packetsPerBatch;
  const std::uint32_t n = remaining < kObjectSize ? remaining : kObjectSize;
  const std::uint32_t batchBytes = packetSize * packetsPerBatch;
  const std::uint32_t batches = n / batchBytes + (n % batchBytes != 0 ? 1 : 0);
  remaining -= n;
  std::int32_t bytesLeft = static_cast<std::int32_t>(n);

  for (std::uint32_t batch = 0; batch < batches; ++batch) {
    for (std::uint32_t k = 0; k < packetsPerBatch; ++k) {
      if (bytesLeft <= static_cast<std::int32_t>(packetSize)) {
        SendDataReport(image, static_cast<std::uint32_t>(bytesLeft));
        bytesLeft = 0;
        break;
      }
      SendDataReport(image, packetSize);
      bytesLeft -= static_cast<std::int32_t>(packetSize);
    }
    os::Sleep(kVerifyPauseMs);
    BuildObjectVerify();
    Run(kObjectVerifyStep);
  }
}

void RunUpgrade(const std::uint8_t* image) {
  UpgradeState.sequenceNumber = 0;
  UpgradeState.commandCounter = 1;
  UpgradeState.objectIndex = 0;
  UpgradeState.objectCount = static_cast<std::uint8_t>(
      UpgradeState.imageSize / kObjectSize + (UpgradeState.imageSize % kObjectSize != 0 ? 1 : 0));
  UpgradeState.packetSize = kDefaultPacketSize;
  UpgradeState.packetsPerBatch = kDefaultPacketsPerBatch;

  // An image the protocol cannot describe never reaches the wire.
  if (image == nullptr || UpgradeState.imageSize == 0 || UpgradeState.imageSize > kMaxImageSize) {
    FailUpgradeStep(kInitNewStep.errorText, kInitNewStep.resultCode);
  }

  BuildInitNew();
  Run(kInitNewStep);
  BuildInitNewCheck();
  Run(kInitNewCheckStep);

  std::uint32_t remaining = UpgradeState.imageSize;
  UpgradeState.byteSum = 0;
  const std::intptr_t range = std::intptr_t{UpgradeState.objectCount} * 6;
  PostToMainDialog(WM_OTA_PROGRESS, 0, range);

  for (unsigned i = 0; i < UpgradeState.objectCount; ++i) SendObject(image, remaining);

  BuildUpgrade();
  Run(kUpgradeStep);
  BuildMcuReset();
  Run(kMcuResetStep);

  if (UpgradeState.UpgradeTarget == kTargetReceiver8KBootMode) return RunBootModeStage();
  PostToMainDialog(WM_OTA_PROGRESS, 1, range);
  PostToMainDialog(WM_OTA_RESULT, 1, 0);
}

}  // namespace

void UpgradeWorker(void* image) {
  try {
    RunUpgrade(static_cast<const std::uint8_t*>(image));
  } catch (const WorkerExit&) {
  }
}
