// The main window: the three upgrade buttons with their progress bars, the status and
// notice boxes, the "check" button. The only place where the user-interface thread and
// the worker meet: the worker posts its progress and result here.
#pragma once

#include <string>

#include "platform/ui/controls.h"
#include "platform/ui/dialog.h"
#include "platform/ui/font.h"
#include "platform/ui/window.h"
#include "res/resource.h"
#include "update/upgrade_view.h"

// The system-menu item that opens the About box.
inline constexpr unsigned kAboutBoxCommand = 0x0010;

inline constexpr wchar_t kNoticeText[] =
    L"升级过程中请不要拔出当前升级的鼠标/接收器，直到升级成功。";
inline constexpr wchar_t kUpgradeSucceededText[] = L"升级成功";
inline constexpr wchar_t kUpgradeFailedText[] = L"升级失败";

// GUID_DEVINTERFACE_USB_DEVICE: one broadcast per USB device arriving or leaving.
inline constexpr ui::Guid kUsbDeviceInterfaceClass{
    0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};

class CORVIKOTATOOLSDlg : public ui::Dialog, public UpgradeView {
 public:
  CORVIKOTATOOLSDlg();
  ~CORVIKOTATOOLSDlg() override;

  // What the upgrade handlers ask of the window, on the user-interface thread.
  void SetStatusText(const std::wstring& text) override;
  // Buttons 1000, 1002 and 1004, in this order.
  void EnableUpgradeButtons(bool enable) override;

 protected:
  void DoDataExchange(ui::DataExchange& exchange) override;
  bool OnInitDialog() override;

 private:
  ui::Result OnSysCommand(ui::WParam command, ui::LParam lParam);
  ui::Result OnPaint(ui::WParam wParam, ui::LParam lParam);
  ui::Result OnQueryDragIcon(ui::WParam wParam, ui::LParam lParam);
  ui::Result OnDeviceChange(ui::WParam event, ui::LParam broadcast);
  void OnMouseUpgrade();
  void OnReceiver1KUpgrade();
  void OnReceiver8KUpgrade();
  ui::Result OnOtaProgress(ui::WParam kind, ui::LParam value);
  ui::Result OnOtaResult(ui::WParam outcome, ui::LParam stepCode);
  void OnCheck();
  ui::Result OnDestroy(ui::WParam wParam, ui::LParam lParam);

  // The bar of the running upgrade's target, or null for a target without one.
  ui::ProgressBar* ProgressBarOf(unsigned target);

  ui::IconHandle icon_;
  ui::Button mouseButton_;
  ui::ProgressBar mouseProgress_;
  ui::Button receiver1KButton_;
  ui::ProgressBar receiver1KProgress_;
  ui::Button receiver8KButton_;
  ui::ProgressBar receiver8KProgress_;
  ui::EditBox status_;
  ui::EditBox notice_;
  ui::Font statusFont_;
  ui::Font noticeFont_;
  ui::NotificationHandle deviceNotification_;
};
