#include "update/boot_mode_stage.h"

#include <optional>
#include <span>

#include "discovery/device_scan.h"
#include "discovery/device_table.h"
#include "platform/hid.h"
#include "platform/os.h"
#include "update/boot_mode_stream.h"
#include "update/firmware_catalogue.h"
#include "update/ota_messages.h"
#include "update/ota_reports.h"
#include "update/upgrade_state.h"

namespace {

void SendBootSwitch() {
  UpgradeState.sendBuffer[1] = 0x50;
  UpgradeState.sendBuffer[2] = 0x50;
  hid::SetFeature(UpgradeState.writeHandle,
                  std::span(UpgradeState.sendBuffer).first(kOtaReportLength));
}

// True once the arrival watch has seen the boot device; false when it never came.
bool WaitForBootDevice() {
  os::Sleep(kBootSwitchSettleMs);
  std::uint32_t waited = kBootSwitchSettleMs;
  while (UpgradeState.awaitingBootDevice) {
    if (waited >= kBootDeviceWaitLimitMs) return false;
    os::Sleep(kBootDevicePollMs);
    waited += kBootDevicePollMs;
  }
  return true;
}

// The boot device's OTA interface. Slot 0 alone could be a mouse plugged in beside
// the receiver, which has no OTA interface after a Check scan.
std::wstring BootDevicePath() {
  for (const DeviceRecord& record : DeviceTable.records) {
    if (record.inUse != 0 && record.productId == kBootModeProductId && !record.otaPath.empty()) {
      return record.otaPath;
    }
  }
  return {};
}

// The end report goes out before the result, so the window never closes a handle or
// rebuilds the send buffer under the worker.
void Fail() {
  const bool endReportWritten = SendBootModeEndReport();
  PostToMainDialog(WM_OTA_RESULT, 0, kResultSecondStage);
  if (!endReportWritten) PostToMainDialog(WM_OTA_RESULT, 0, kResultSecondStage);
}

}  // namespace

void RunBootModeStage() {
  UpgradeState.awaitingBootDevice = 1;
  SendBootSwitch();
  if (!WaitForBootDevice()) {
    UpgradeState.awaitingBootDevice = 0;
    CloseHandlePair();
    PostToMainDialog(WM_OTA_RESULT, 0, kResultSecondStage);
    return;
  }
  UpgradeState.deviceListChanged = 0;
  ScanDevices(ScanMode::Check);
  CloseHandlePair();
  UpgradeState.currentDevicePath = BootDevicePath();
  if (UpgradeState.currentDevicePath.empty()) return Fail();
  OpenHandlePair(UpgradeState.currentDevicePath);
  const std::optional<FirmwareImage> image = LoadFirmwareImage(kImageReceiver8KModel3Second);
  if (!image || image->size == 0) return Fail();

  BootAnswerBuffer answer{};
  if (!SendBootModeImage({image->data, image->size}, answer)) return Fail();
  SendBootModeEndReport();
  PostToMainDialog(WM_OTA_PROGRESS, 1, std::intptr_t{UpgradeState.objectCount} * 6);
  PostToMainDialog(WM_OTA_RESULT, 1, 0);
}
