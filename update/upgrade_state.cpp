#include "update/upgrade_state.h"

UpgradeStateRecord UpgradeState;

void OpenHandlePair(const std::wstring& path) {
  UpgradeState.readHandle = hid::Open(path, hid::Access::read);
  UpgradeState.writeHandle = hid::Open(path, hid::Access::write);
}

void CloseHandlePair() {
  hid::Close(UpgradeState.readHandle);
  hid::Close(UpgradeState.writeHandle);
}
