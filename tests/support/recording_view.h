// An UpgradeView that records what the upgrade code asked of the dialog.
#pragma once

#include <string>
#include <vector>

#include "update/upgrade_view.h"

namespace testing_support {

class RecordingView : public UpgradeView {
 public:
  void EnableUpgradeButtons(bool enable) override {
    buttonsEnabled = enable;
    buttonChanges.push_back(enable);
  }
  void SetStatusText(const std::wstring& text) override {
    statusText = text;
    statusTexts.push_back(text);
  }

  bool buttonsEnabled = true;
  std::vector<bool> buttonChanges;
  std::wstring statusText;
  std::vector<std::wstring> statusTexts;
};

}  // namespace testing_support
