#include "app/orvik_ota_tools_dlg.h"

#include "app/about_dlg.h"
#include "app/device_arrival_watch.h"
#include "discovery/device_scan.h"
#include "discovery/device_table.h"
#include "discovery/identity_query.h"
#include "update/check_button.h"
#include "update/ota_messages.h"
#include "update/upgrade_start.h"
#include "update/upgrade_state.h"

namespace {

inline constexpr std::uint16_t kVendorId = 0x093A;
inline constexpr std::uint16_t kMouseProductId = 0x622C;
inline constexpr std::uint16_t kReceiverProductId = 0x522C;

// Light Arial, default character set, Swiss family with default pitch.
ui::FontSpec TextFont(int height) {
  ui::FontSpec spec;
  spec.height = height;
  spec.weight = 300;
  spec.charSet = 1;
  spec.pitchAndFamily = 0x20;
  spec.face = L"Arial";
  return spec;
}

}  // namespace

CORVIKOTATOOLSDlg::CORVIKOTATOOLSDlg() : ui::Dialog(IDD_ORVIKOTATOOLS_DIALOG) {
  icon_ = ui::LoadIconResource(IDR_MAINFRAME);
  DeviceTable.wantedVendorId = kVendorId;
  DeviceTable.wantedMouseProductId = kMouseProductId;
  DeviceTable.wantedReceiverProductId = kReceiverProductId;
  identityReadHandle = hid::kInvalidHandle;
  identityWriteHandle = hid::kInvalidHandle;

  MapMessage(ui::kWmSysCommand, &CORVIKOTATOOLSDlg::OnSysCommand);
  MapMessage(ui::kWmPaint, &CORVIKOTATOOLSDlg::OnPaint);
  MapMessage(ui::kWmQueryDragIcon, &CORVIKOTATOOLSDlg::OnQueryDragIcon);
  MapMessage(ui::kWmDeviceChange, &CORVIKOTATOOLSDlg::OnDeviceChange);
  MapClicked(IDC_MOUSE_UPGRADE, &CORVIKOTATOOLSDlg::OnMouseUpgrade);
  MapClicked(IDC_RECEIVER_1K_UPGRADE, &CORVIKOTATOOLSDlg::OnReceiver1KUpgrade);
  MapClicked(IDC_RECEIVER_8K_UPGRADE, &CORVIKOTATOOLSDlg::OnReceiver8KUpgrade);
  MapMessage(WM_OTA_PROGRESS, &CORVIKOTATOOLSDlg::OnOtaProgress);
  MapMessage(WM_OTA_RESULT, &CORVIKOTATOOLSDlg::OnOtaResult);
  MapClicked(IDC_CHECK, &CORVIKOTATOOLSDlg::OnCheck);
  MapMessage(ui::kWmDestroy, &CORVIKOTATOOLSDlg::OnDestroy);
}

CORVIKOTATOOLSDlg::~CORVIKOTATOOLSDlg() = default;

void CORVIKOTATOOLSDlg::DoDataExchange(ui::DataExchange& exchange) {
  exchange.Bind(IDC_MOUSE_UPGRADE, mouseButton_);
  exchange.Bind(IDC_MOUSE_PROGRESS, mouseProgress_);
  exchange.Bind(IDC_RECEIVER_1K_UPGRADE, receiver1KButton_);
  exchange.Bind(IDC_RECEIVER_1K_PROGRESS, receiver1KProgress_);
  exchange.Bind(IDC_RECEIVER_8K_UPGRADE, receiver8KButton_);
  exchange.Bind(IDC_RECEIVER_8K_PROGRESS, receiver8KProgress_);
  exchange.Bind(IDC_STATUS, status_);
  exchange.Bind(IDC_NOTICE, notice_);
}

bool CORVIKOTATOOLSDlg::OnInitDialog() {
  ui::Dialog::OnInitDialog();

  if (const ui::MenuHandle menu = ui::SystemMenuOf(Window(), false); menu.value != nullptr) {
    const std::wstring about = ui::LoadStringResource(IDS_ABOUTBOX);
    if (!about.empty()) {
      ui::AppendMenuSeparator(menu);
      ui::AppendMenuString(menu, kAboutBoxCommand, about);
    }
  }
  SetIcon(icon_, true);
  SetIcon(icon_, false);

  statusFont_.Create(TextFont(60));
  status_.SetFont(statusFont_, true);
  noticeFont_.Create(TextFont(30));
  notice_.SetFont(noticeFont_, true);
  notice_.SetText(kNoticeText);

  // Kept for the life of the window, which ends the registration with it.
  deviceNotification_ =
      ui::RegisterDeviceInterfaceNotifications(Window(), kUsbDeviceInterfaceClass);
  ScanDevices(ScanMode::Normal);
  // Only now may the worker post here; the first scan needs no window.
  UpgradeState.dialog = this;
  return true;
}

void CORVIKOTATOOLSDlg::SetStatusText(const std::wstring& text) {
  status_.SetText(text);
}

void CORVIKOTATOOLSDlg::EnableUpgradeButtons(bool enable) {
  mouseButton_.Enable(enable);
  receiver1KButton_.Enable(enable);
  receiver8KButton_.Enable(enable);
}

ui::Result CORVIKOTATOOLSDlg::OnSysCommand(ui::WParam command, ui::LParam lParam) {
  if ((command & ui::kSystemCommandMask) == kAboutBoxCommand) {
    CAboutDlg about;
    about.DoModal();
    return 0;
  }
  return Default(ui::kWmSysCommand, command, lParam);
}

// The window has no minimise box; this draws the icon when it is minimised by other means.
ui::Result CORVIKOTATOOLSDlg::OnPaint(ui::WParam wParam, ui::LParam lParam) {
  if (!ui::IsMinimised(Window())) return Default(ui::kWmPaint, wParam, lParam);
  const ui::PaintContext paint = ui::BeginPainting(Window());
  ui::SendToWindow(Window(), ui::kWmIconEraseBkgnd,
                   reinterpret_cast<ui::WParam>(paint.deviceContext), 0);
  const int iconWidth = ui::SystemMetric(ui::kSmCxIcon);
  const int iconHeight = ui::SystemMetric(ui::kSmCyIcon);
  const ui::Rect client = ui::ClientRect(Window());
  const int x = (client.Width() - iconWidth + 1) / 2;
  const int y = (client.Height() - iconHeight + 1) / 2;
  ui::DrawIconAt(paint, x, y, icon_);
  ui::EndPainting(Window(), paint);
  return 0;
}

ui::Result CORVIKOTATOOLSDlg::OnQueryDragIcon(ui::WParam, ui::LParam) {
  return reinterpret_cast<ui::Result>(icon_.value);
}

ui::Result CORVIKOTATOOLSDlg::OnDeviceChange(ui::WParam event, ui::LParam broadcast) {
  return WatchDeviceArrival(event, broadcast);
}

void CORVIKOTATOOLSDlg::OnMouseUpgrade() {
  StartMouseUpgrade(*this);
}

void CORVIKOTATOOLSDlg::OnReceiver1KUpgrade() {
  StartReceiver1KUpgrade(*this);
}

void CORVIKOTATOOLSDlg::OnReceiver8KUpgrade() {
  StartReceiver8KUpgrade(*this);
}

void CORVIKOTATOOLSDlg::OnCheck() {
  PressCheckButton(*this);
}

// Before the window goes: from here on the worker's posts reach nobody.
ui::Result CORVIKOTATOOLSDlg::OnDestroy(ui::WParam wParam, ui::LParam lParam) {
  if (UpgradeState.dialog.Get() == this) UpgradeState.dialog.Withdraw();
  return Default(ui::kWmDestroy, wParam, lParam);
}
