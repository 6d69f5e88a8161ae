// The worker's progress on the bar of the running upgrade's target, and its result in
// the status box; the end of every upgrade on the user-interface side.
#include "app/orvik_ota_tools_dlg.h"
#include "discovery/device_scan.h"
#include "update/output_report_stage.h"
#include "update/upgrade_state.h"

ui::ProgressBar* CORVIKOTATOOLSDlg::ProgressBarOf(unsigned target) {
  switch (target) {
    case kTargetMouse:
      return &mouseProgress_;
    case kTargetReceiver1K:
      return &receiver1KProgress_;
    case kTargetReceiver8KOutput:
    case kTargetReceiver8KBootMode:
      return &receiver8KProgress_;
    default:
      return nullptr;
  }
}

// wParam 0: the range 0 .. the low 16 bits of lParam; 1: the position lParam.
ui::Result CORVIKOTATOOLSDlg::OnOtaProgress(ui::WParam kind, ui::LParam value) {
  ui::ProgressBar* bar = ProgressBarOf(UpgradeState.UpgradeTarget);
  if (bar == nullptr) return 1;
  if (kind == 0) {
    bar->SetRange(0, static_cast<std::uint16_t>(value & 0xFFFF));
  } else if (kind == 1) {
    bar->SetPos(static_cast<int>(value));
  }
  return 1;
}

// wParam 1: success; 0: failure, whatever the step code. Any other value changes nothing.
ui::Result CORVIKOTATOOLSDlg::OnOtaResult(ui::WParam outcome, ui::LParam) {
  if (outcome == 0) {
    UpgradeState.busy = 0;
    SetStatusText(kUpgradeFailedText);
    CloseHandlePair();
  } else if (outcome == 1) {
    UpgradeState.busy = 0;
    SetStatusText(kUpgradeSucceededText);
    if (UpgradeState.UpgradeTarget == kTargetReceiver8KOutput) RunOutputReportStage(*this);
  } else {
    return 1;
  }
  EnableUpgradeButtons(true);
  // Devices came or went during the upgrade: the next click must find the rebuilt table.
  if (UpgradeState.deviceListChanged) {
    UpgradeState.deviceListChanged = 0;
    ScanDevices(ScanMode::Normal);
  }
  return 1;
}
