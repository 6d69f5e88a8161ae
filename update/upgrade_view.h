// What the upgrade starts, the output-report stage and the check button ask of the main
// dialog: its three upgrade buttons and its status box.
#pragma once

#include <string>

class UpgradeView {
 public:
  // Buttons 1000, 1002 and 1004, in this order.
  virtual void EnableUpgradeButtons(bool enable) = 0;
  virtual void SetStatusText(const std::wstring& text) = 0;

 protected:
  ~UpgradeView() = default;
};
