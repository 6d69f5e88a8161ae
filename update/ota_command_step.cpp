#include "update/ota_command_step.h"

#include <span>

#include "platform/hid.h"
#include "platform/os.h"
#include "platform/ui.h"
#include "update/ota_messages.h"
#include "update/ota_reports.h"
#include "update/upgrade_state.h"
#include "update/worker_exit.h"

void FailUpgradeStep(const std::wstring& errorText, int resultCode) {
  ui::ShowMessageBox(errorText);
  PostToMainDialog(WM_OTA_RESULT, 0, resultCode);
  throw WorkerExit{};
}

void RunCommandStep(const std::wstring& errorText, std::uint32_t settleMs, int resultCode,
                    std::uint32_t pollMs) {
  hid::SetFeature(UpgradeState.writeHandle,
                  std::span(UpgradeState.sendBuffer).first(kOtaReportLength));
  os::Sleep(settleMs);
  UpgradeState.receiveBuffer.fill(0);
  UpgradeState.receiveBuffer[0] = kOtaReportId;
  UpgradeState.pollCount = 1;
  for (;;) {
    hid::GetFeature(UpgradeState.readHandle,
                    std::span(UpgradeState.receiveBuffer).first(kOtaReportLength));
    switch (CheckAnswer()) {
      case AnswerVerdict::accepted:
        return;
      case AnswerVerdict::unservable:
        FailUpgradeStep(errorText, resultCode);
      case AnswerVerdict::rejected:
        break;
    }
    if (++UpgradeState.pollCount > kMaxAnswerReads) FailUpgradeStep(errorText, resultCode);
    os::Sleep(pollMs);
  }
}
