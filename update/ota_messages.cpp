#include "update/ota_messages.h"

#include "update/upgrade_state.h"

void PostToMainDialog(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  ui::Dialog* dialog = UpgradeState.dialog;
  ui::PostToWindow(dialog ? dialog->Window() : ui::WindowHandle{}, message, wParam, lParam);
}
