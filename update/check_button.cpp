#include "update/check_button.h"

#include <span>

#include "discovery/device_scan.h"
#include "discovery/device_table.h"
#include "platform/hid.h"
#include "update/boot_mode_stream.h"
#include "update/upgrade_state.h"
#include "update/upgrade_view.h"

void PressCheckButton(UpgradeView& view) {
  if (UpgradeState.busy) return;
  if (!ScanDevices(ScanMode::Check)) return;
  CloseHandlePair();
  // The first device with an OTA interface, whatever its product id.
  UpgradeState.currentDevicePath.clear();
  for (const DeviceRecord& record : DeviceTable.records) {
    if (record.inUse != 0 && !record.otaPath.empty()) {
      UpgradeState.currentDevicePath = record.otaPath;
      break;
    }
  }
  if (UpgradeState.currentDevicePath.empty()) return view.SetStatusText(L"8K接收器升级失败");
  const std::wstring& path = UpgradeState.currentDevicePath;
  OpenHandlePair(path);
  // Bytes 3 on keep what the last report left: zeros after the scan's identity queries.
  UpgradeState.sendBuffer[0] = 0x04;
  UpgradeState.sendBuffer[1] = 0x83;
  UpgradeState.sendBuffer[2] = 0x00;
  hid::SetFeature(UpgradeState.writeHandle,
                  std::span(UpgradeState.sendBuffer).first(kBootReportLength));
}
