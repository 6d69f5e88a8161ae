#include "app/orvik_ota_tools_app.h"

#include "app/orvik_ota_tools_dlg.h"

void CORVIKOTATOOLSApp::InitInstance() {
  ui::InitCommonControls(kCommonControlsStructSize, kCommonControlsClasses);
  CORVIKOTATOOLSDlg dialog;
  // Closing the window in any way ends the program, also while an upgrade runs.
  dialog.DoModal();
}
