#include "platform/sim/sim_ui.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>

#include "platform/sim/transcript.h"

namespace sim {
namespace {

struct UiState {
  std::mutex mutex;
  std::condition_variable changed;
  std::map<void*, std::deque<PostedMessage>> queues;
  std::vector<std::wstring> boxesShown;
  bool holdBoxes = false;
  std::size_t boxesHeld = 0;
  std::size_t dismissals = 0;
};

UiState& Ui() {
  static UiState state;
  return state;
}

std::string MessageName(std::uint32_t message) {
  switch (message) {
    case 0x0C00:
      return "WM_OTA_PROGRESS";
    case 0x0C01:
      return "WM_OTA_RESULT";
    default:
      return "0x" + HexBytes({{static_cast<std::uint8_t>(message >> 8),
                               static_cast<std::uint8_t>(message)}});
  }
}

}  // namespace

void OpenWindow(ui::WindowHandle window) {
  auto& state = Ui();
  std::lock_guard lock(state.mutex);
  state.queues[window.value];
}

void CloseWindow(ui::WindowHandle window) {
  auto& state = Ui();
  std::lock_guard lock(state.mutex);
  state.queues.erase(window.value);
}

std::optional<PostedMessage> TakePostedMessage(ui::WindowHandle window) {
  return WaitForPostedMessage(window, std::chrono::milliseconds(0));
}

std::optional<PostedMessage> WaitForPostedMessage(ui::WindowHandle window,
                                                  std::chrono::milliseconds timeout) {
  auto& state = Ui();
  std::unique_lock lock(state.mutex);
  auto has = [&] {
    const auto queue = state.queues.find(window.value);
    return queue != state.queues.end() && !queue->second.empty();
  };
  if (!state.changed.wait_for(lock, timeout, has)) return std::nullopt;
  auto& queue = state.queues[window.value];
  PostedMessage message = queue.front();
  queue.pop_front();
  return message;
}

void HoldMessageBoxes(bool hold) {
  auto& state = Ui();
  std::lock_guard lock(state.mutex);
  state.holdBoxes = hold;
}

std::vector<std::wstring> MessageBoxesShown() {
  auto& state = Ui();
  std::lock_guard lock(state.mutex);
  return state.boxesShown;
}

bool WaitForHeldMessageBox(std::chrono::milliseconds timeout) {
  auto& state = Ui();
  std::unique_lock lock(state.mutex);
  return state.changed.wait_for(lock, timeout, [&] { return state.boxesHeld > 0; });
}

void DismissMessageBox() {
  auto& state = Ui();
  std::lock_guard lock(state.mutex);
  if (state.boxesHeld == 0) return;
  --state.boxesHeld;
  ++state.dismissals;
  state.changed.notify_all();
}

void ResetUi() {
  auto& state = Ui();
  std::lock_guard lock(state.mutex);
  state.queues.clear();
  state.boxesShown.clear();
  state.holdBoxes = false;
  state.boxesHeld = 0;
  state.changed.notify_all();
}

}  // namespace sim

namespace ui {

bool PostToWindow(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                  std::intptr_t lParam) {
  auto& state = sim::Ui();
  bool delivered = false;
  {
    std::lock_guard lock(state.mutex);
    // Recorded under the lock so the transcript keeps the queue's order.
    sim::Record("post", {{"msg", sim::MessageName(message)},
                         {"wparam", static_cast<std::int64_t>(wParam)},
                         {"lparam", static_cast<std::int64_t>(lParam)}});
    const auto queue = state.queues.find(window.value);
    if (window.value != nullptr && queue != state.queues.end()) {
      queue->second.push_back({window, message, wParam, lParam});
      delivered = true;
    }
  }
  state.changed.notify_all();
  return delivered;
}

void ShowMessageBox(const std::wstring& text) {
  sim::Record("message_box", {{"text", sim::Utf8(text)}});
  auto& state = sim::Ui();
  std::unique_lock lock(state.mutex);
  state.boxesShown.push_back(text);
  if (!state.holdBoxes) return;
  ++state.boxesHeld;
  const std::size_t awaited = state.dismissals + state.boxesHeld;
  state.changed.notify_all();
  state.changed.wait(lock, [&] { return state.dismissals >= awaited || !state.holdBoxes; });
}

}  // namespace ui
