#include "update/ota_messages.h"

#include "update/upgrade_state.h"

void PostToMainDialog(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  UpgradeState.dialog.Post(message, wParam, lParam);
}
