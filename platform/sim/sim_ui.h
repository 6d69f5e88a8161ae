// The simulated machine's side of ui.h: windows with message queues, message boxes.
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
// showing thread waits until the test dismisses it.
void HoldMessageBoxes(bool hold);
std::vector<std::wstring> MessageBoxesShown();
bool WaitForHeldMessageBox(std::chrono::milliseconds timeout);
void DismissMessageBox();

// Forgets every window, queue and box, and stops holding boxes.
void ResetUi();

}  // namespace sim
