// The About box: template 100, closed by its OK button through the framework.
#pragma once

#include "platform/ui/dialog.h"
#include "res/resource.h"

class CAboutDlg : public ui::Dialog {
 public:
  CAboutDlg() : ui::Dialog(IDD_ABOUTBOX) {}
};
