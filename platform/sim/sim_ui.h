// The simulated machine's side of ui.h: bare windows with message queues, message boxes.
// Dialogs are driven through headless_dialogs.h.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui.h"

namespace sim {

struct PostedMessage {
  ui::WindowHandle window;
  std::uint32_t message = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
  friend bool operator==(const PostedMessage&, const PostedMessage&) = default;
};

// A window exists from Open until Close; posts to any other handle fail.
void OpenWindow(ui::WindowHandle window);
void CloseWindow(ui::WindowHandle window);

std::optional<PostedMessage> TakePostedMessage(ui::WindowHandle window);
// Waits on the real clock: a guard against a hung worker, not a pacing check.
std::optional<PostedMessage> WaitForPostedMessage(ui::WindowHandle window,
                                                  std::chrono::milliseconds timeout);

// By default a message box is dismissed the moment it is shown. When held, the
// showing thread waits until the test dismisses it. A box shown by a thread that runs
// dialogs goes through their nested modal loop instead (headless_dialogs.h).
void HoldMessageBoxes(bool hold);
std::vector<std::wstring> MessageBoxesShown();
bool WaitForHeldMessageBox(std::chrono::milliseconds timeout);
void DismissMessageBox();

// Forgets every window, dialog, queue, font and box, every scripted answer and
// override, and stops holding boxes.
void ResetUi();

}  // namespace sim
