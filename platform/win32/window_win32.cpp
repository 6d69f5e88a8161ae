// The framework's window operations on Win32, one system call each.
#include <windows.h>

// Both need the types of windows.h.
#include <commctrl.h>
#include <dbt.h>

#include <string>

#include "platform/ui/window.h"

namespace {

HWND Native(ui::WindowHandle window) {
  return static_cast<HWND>(window.value);
}

HINSTANCE Module() {
  return GetModuleHandleW(nullptr);
}

}  // namespace

namespace ui {

Result SendToWindow(WindowHandle window, Message message, WParam wParam, LParam lParam) {
  return SendMessageW(Native(window), message, static_cast<WPARAM>(wParam),
                      static_cast<LPARAM>(lParam));
}

WindowHandle ControlOf(WindowHandle dialog, int id) {
  return {GetDlgItem(Native(dialog), id)};
}

WindowHandle AttachControl(WindowHandle dialog, int id) {
  return ControlOf(dialog, id);
}

void SetText(WindowHandle window, std::wstring_view text) {
  SetWindowTextW(Native(window), std::wstring(text).c_str());
}

std::wstring TextOf(WindowHandle window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(Native(window))) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      GetWindowTextW(Native(window), text.data(), static_cast<int>(text.size()))));
  return text;
}

bool EnableInput(WindowHandle window, bool enable) {
  return EnableWindow(Native(window), enable ? TRUE : FALSE) != FALSE;
}

bool InputEnabled(WindowHandle window) {
  return IsWindowEnabled(Native(window)) != FALSE;
}

bool IsMinimised(WindowHandle window) {
  return IsIconic(Native(window)) != FALSE;
}

Rect ClientRect(WindowHandle window) {
  RECT rect{};
  GetClientRect(Native(window), &rect);
  return {rect.left, rect.top, rect.right, rect.bottom};
}

int SystemMetric(int index) {
  return GetSystemMetrics(index);
}

PaintContext BeginPainting(WindowHandle window) {
  auto* paint = new PAINTSTRUCT{};
  const HDC context = BeginPaint(Native(window), paint);
  return {context, paint};
}

void EndPainting(WindowHandle window, PaintContext context) {
  auto* paint = static_cast<PAINTSTRUCT*>(context.session);
  if (paint == nullptr) return;
  EndPaint(Native(window), paint);
  delete paint;
}

bool DrawIconAt(PaintContext context, int x, int y, IconHandle icon) {
  return DrawIcon(static_cast<HDC>(context.deviceContext), x, y, static_cast<HICON>(icon.value)) !=
         FALSE;
}

FontHandle CreateFontObject(const FontSpec& spec) {
  return {CreateFontW(spec.height, spec.width, spec.escapement, spec.orientation, spec.weight,
                      spec.italic, spec.underline, spec.strikeOut, spec.charSet, spec.outPrecision,
                      spec.clipPrecision, spec.quality, spec.pitchAndFamily, spec.face.c_str())};
}

void DeleteFontObject(FontHandle font) {
  DeleteObject(static_cast<HGDIOBJ>(font.value));
}

IconHandle LoadIconResource(int id) {
  return {LoadIconW(Module(), MAKEINTRESOURCEW(id))};
}

std::wstring LoadStringResource(int id) {
  // With no buffer the call hands out the resource's own read-only text and its length.
  const wchar_t* text = nullptr;
  const int length =
      LoadStringW(Module(), static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&text), 0);
  return length > 0 && text != nullptr ? std::wstring(text, static_cast<std::size_t>(length))
                                       : std::wstring{};
}

MenuHandle SystemMenuOf(WindowHandle window, bool revert) {
  return {GetSystemMenu(Native(window), revert ? TRUE : FALSE)};
}

bool AppendMenuSeparator(MenuHandle menu) {
  return AppendMenuW(static_cast<HMENU>(menu.value), MF_SEPARATOR, 0, nullptr) != FALSE;
}

bool AppendMenuString(MenuHandle menu, unsigned commandId, std::wstring_view text) {
  return AppendMenuW(static_cast<HMENU>(menu.value), MF_STRING, commandId,
                     std::wstring(text).c_str()) != FALSE;
}

NotificationHandle RegisterDeviceInterfaceNotifications(WindowHandle recipient,
                                                        const Guid& interfaceClass) {
  DEV_BROADCAST_DEVICEINTERFACE_W filter{};
  filter.dbcc_size = sizeof(filter);
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid.Data1 = interfaceClass.data1;
  filter.dbcc_classguid.Data2 = interfaceClass.data2;
  filter.dbcc_classguid.Data3 = interfaceClass.data3;
  for (std::size_t i = 0; i < interfaceClass.data4.size(); ++i) {
    filter.dbcc_classguid.Data4[i] = interfaceClass.data4[i];
  }
  return {RegisterDeviceNotificationW(Native(recipient), &filter, DEVICE_NOTIFY_WINDOW_HANDLE)};
}

bool InitCommonControls(std::uint32_t structSize, std::uint32_t classes) {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = structSize;
  controls.dwICC = classes;
  return InitCommonControlsEx(&controls) != FALSE;
}

}  // namespace ui
