// Driving the program's dialogs on the simulated machine as a user and the system
// would, and reading everything they show. The calling thread is the user-interface
// thread of the dialogs it opens: it alone dispatches their messages, when it pumps.
//
// Posted messages and input are queued and dispatched in order of arrival. Device-change
// broadcasts delivered by the thread that runs the dialog are handled at once; from any
// other thread they are queued, and the sender waits until the dialog has handled them. A message box or dialog that opens modally on this thread
// runs a nested loop that keeps dispatching the thread's queued messages while input to
// the dialogs beneath it is dropped. Unless a test answers it in advance (AnswerNextModal)
// or holds message boxes, it is dismissed as soon as that loop is idle.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/ui/dialog.h"
#include "platform/ui/window.h"

namespace sim {

// Makes the dialog's window from its template and has it handle WM_INITDIALOG, as the
// modal loop does before it starts. False when the template does not exist.
bool OpenDialog(ui::Dialog& dialog);
// Destroys the window (the dialog handles WM_DESTROY); queued messages for it are dropped.
void CloseDialog(ui::Dialog& dialog);
// The value the dialog was ended with, once it has been.
std::optional<std::intptr_t> DialogResult(ui::WindowHandle window);

// Input, queued.
void ClickButton(ui::WindowHandle window, int id);
void PressEnter(ui::WindowHandle window);
void PressEscape(ui::WindowHandle window);
void ClickCloseBox(ui::WindowHandle window);
void FocusControl(ui::WindowHandle window, int id);
// A broadcast of WM_DEVICECHANGE with this event and these bytes behind lParam (null
// when `broadcast` is nullopt). Returns the dialog's answer when handled at once.
std::optional<ui::Result> DeliverDeviceChange(
    ui::WindowHandle window, ui::WParam event,
    std::optional<std::span<const std::uint8_t>> broadcast);
// Minimised by other means than a minimise box, such as the taskbar.
void SetMinimised(ui::WindowHandle window, bool minimised);

// Dispatches queued messages until none is left; returns how many.
std::size_t PumpUntilIdle();
// Dispatches, waiting for other threads' posts, until a message with this id has been
// handled by the window. False after the timeout (a guard, not a pacing check).
bool PumpUntilMessage(ui::WindowHandle window, ui::Message message,
                      std::chrono::milliseconds timeout);

// The next modal message box or dialog that opens on a thread that runs dialogs calls
// `whileOpen` once its loop is idle, and is dismissed (OK, or Cancel for a dialog) when
// it returns and the queue is idle again. Answers are taken in order.
void AnswerNextModal(std::function<void()> whileOpen);
// Template ids of the dialogs run modally, in order.
std::vector<int> DialogsShown();
// The dialog window this thread opened last and has not closed, or the null handle.
ui::WindowHandle TopDialog();

struct ControlView {
  ui::WindowHandle handle;
  int id = 0;
  std::wstring className;
  std::wstring text;
  std::optional<std::uint16_t> textOrdinal;
  std::uint32_t style = 0;
  std::uint32_t exStyle = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  bool enabled = true;
  int rangeLow = 0;
  int rangeHigh = 100;
  int position = 0;
  ui::FontHandle fontHandle;
  std::optional<ui::FontSpec> font;  // nullopt without a font, or when it was deleted
};

struct MenuItemView {
  bool separator = false;
  unsigned id = 0;
  std::wstring text;
  friend bool operator==(const MenuItemView&, const MenuItemView&) = default;
};

struct IconDrawView {
  int x = 0;
  int y = 0;
  ui::IconHandle icon;
  friend bool operator==(const IconDrawView&, const IconDrawView&) = default;
};

struct WindowView {
  ui::WindowHandle handle;
  int templateId = 0;
  std::wstring caption;
  std::uint32_t style = 0;
  std::uint32_t exStyle = 0;
  ui::Rect client;
  std::vector<ControlView> controls;  // in template order
  int focus = 0;                      // id of the control with the focus, 0 for none
  bool enabled = true;
  bool minimised = false;
  ui::IconHandle bigIcon;
  ui::IconHandle smallIcon;
  bool hasSystemMenu = false;
  std::vector<MenuItemView> systemMenu;  // the items the program appended
  std::vector<int> boundControls;        // ids, in the order control objects took them
  std::vector<ui::Guid> deviceNotifications;
  std::vector<IconDrawView> iconDraws;
  int iconErasures = 0;
  int defaultPaints = 0;
};

// Nullopt when no such dialog window exists.
std::optional<WindowView> ViewWindow(ui::WindowHandle window);
std::optional<ControlView> ViewControl(ui::WindowHandle window, int id);

struct CommonControlsCall {
  std::uint32_t structSize = 0;
  std::uint32_t classes = 0;
  friend bool operator==(const CommonControlsCall&, const CommonControlsCall&) = default;
};
std::vector<CommonControlsCall> CommonControlsInitialisations();

// Serves this text for the string resource id in place of the built one.
void OverrideString(int id, std::wstring text);
// Text changes of controls with this id go into the transcript as "status" events.
void TranscribeStatusControl(int id);

}  // namespace sim
