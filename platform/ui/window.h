// Window operations the dialog framework and the program's dialogs rely on, one per
// system call they stand for. Each backend implements them: the real one on Win32, the
// headless one on the simulated machine. Handles are opaque; a null handle is refused.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ui.h"
#include "platform/ui/messages.h"

namespace ui {

struct FontHandle {
  void* value = nullptr;
  friend bool operator==(FontHandle, FontHandle) = default;
};
struct IconHandle {
  void* value = nullptr;
  friend bool operator==(IconHandle, IconHandle) = default;
};
struct MenuHandle {
  void* value = nullptr;
  friend bool operator==(MenuHandle, MenuHandle) = default;
};
// One painting of a window, from BeginPainting to EndPainting.
struct PaintContext {
  void* deviceContext = nullptr;  // what drawing calls and WM_ICONERASEBKGND take
  void* session = nullptr;        // the backend's own record of the painting
  friend bool operator==(PaintContext, PaintContext) = default;
};
struct NotificationHandle {
  void* value = nullptr;
  friend bool operator==(NotificationHandle, NotificationHandle) = default;
};

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

struct Guid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::array<std::uint8_t, 8> data4{};
  friend bool operator==(const Guid&, const Guid&) = default;
};

// The arguments of a logical font, in the order the system takes them.
struct FontSpec {
  int height = 0;
  int width = 0;
  int escapement = 0;
  int orientation = 0;
  int weight = 0;
  std::uint8_t italic = 0;
  std::uint8_t underline = 0;
  std::uint8_t strikeOut = 0;
  std::uint8_t charSet = 0;
  std::uint8_t outPrecision = 0;
  std::uint8_t clipPrecision = 0;
  std::uint8_t quality = 0;
  std::uint8_t pitchAndFamily = 0;
  std::wstring face;
  friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

// Synchronous: the window's procedure has handled the message when this returns.
// Only the thread that owns the window may call it.
Result SendToWindow(WindowHandle window, Message message, WParam wParam, LParam lParam);

// The control with this id in a dialog, or the null handle.
WindowHandle ControlOf(WindowHandle dialog, int id);
// The same, for a control object that takes the control over for the dialog's life.
WindowHandle AttachControl(WindowHandle dialog, int id);

void SetText(WindowHandle window, std::wstring_view text);
std::wstring TextOf(WindowHandle window);
// Returns whether the window was disabled before.
bool EnableInput(WindowHandle window, bool enable);
bool InputEnabled(WindowHandle window);

bool IsMinimised(WindowHandle window);
Rect ClientRect(WindowHandle window);
int SystemMetric(int index);

PaintContext BeginPainting(WindowHandle window);
void EndPainting(WindowHandle window, PaintContext context);
bool DrawIconAt(PaintContext context, int x, int y, IconHandle icon);

// Null when the font cannot be made. A font must outlive every control that shows it.
FontHandle CreateFontObject(const FontSpec& spec);
void DeleteFontObject(FontHandle font);

// From the program's own resources; null or empty when absent.
IconHandle LoadIconResource(int id);
std::wstring LoadStringResource(int id);

// Null when the window has no system menu.
MenuHandle SystemMenuOf(WindowHandle window, bool revert);
bool AppendMenuSeparator(MenuHandle menu);
bool AppendMenuString(MenuHandle menu, unsigned commandId, std::wstring_view text);

// Asks for WM_DEVICECHANGE broadcasts about device interfaces of this class arriving and
// leaving, sent to the recipient until it is destroyed. Null when refused.
NotificationHandle RegisterDeviceInterfaceNotifications(WindowHandle recipient,
                                                        const Guid& interfaceClass);

// Registers the common control classes named by the bits of `classes`.
bool InitCommonControls(std::uint32_t structSize, std::uint32_t classes);

}  // namespace ui
