#include "platform/sim/sim_ui.h"

#include <algorithm>

#include "platform/sim/headless_state.h"
#include "platform/sim/transcript.h"

namespace sim {
namespace headless {

State& TheState() {
  static State state;
  return state;
}

void* NewHandle(State& state) {
  state.nextHandle += 0x10;
  return reinterpret_cast<void*>(state.nextHandle);
}

Window* FindDialog(State& state, ui::WindowHandle window) {
  const auto found = state.dialogs.find(window.value);
  return found == state.dialogs.end() ? nullptr : &found->second;
}

bool ThreadRunsDialogs(State& state) {
  const auto self = std::this_thread::get_id();
  for (const auto& [handle, window] : state.dialogs) {
    if (window.thread == self) return true;
  }
  return false;
}

bool WindowExists(State& state, ui::WindowHandle window) {
  return window.value != nullptr &&
         (state.rawWindows.count(window.value) != 0 || state.dialogs.count(window.value) != 0);
}

}  // namespace headless

namespace {

using headless::TheState;

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
  auto& state = TheState();
  std::lock_guard lock(state.mutex);
  state.rawWindows.insert(window.value);
}

void CloseWindow(ui::WindowHandle window) {
  auto& state = TheState();
  std::lock_guard lock(state.mutex);
  state.rawWindows.erase(window.value);
  std::erase_if(state.events, [&](const headless::Event& e) { return e.window == window; });
}

std::optional<PostedMessage> TakePostedMessage(ui::WindowHandle window) {
  return WaitForPostedMessage(window, std::chrono::milliseconds(0));
}

std::optional<PostedMessage> WaitForPostedMessage(ui::WindowHandle window,
                                                  std::chrono::milliseconds timeout) {
  auto& state = TheState();
  std::unique_lock lock(state.mutex);
  auto first = [&] {
    return std::find_if(state.events.begin(), state.events.end(), [&](const headless::Event& e) {
      return e.window == window && e.kind == headless::EventKind::posted;
    });
  };
  if (!state.changed.wait_for(lock, timeout, [&] { return first() != state.events.end(); })) {
    return std::nullopt;
  }
  const auto found = first();
  PostedMessage message{found->window, found->message, found->wParam, found->lParam};
  state.events.erase(found);
  return message;
}

void HoldMessageBoxes(bool hold) {
  auto& state = TheState();
  std::lock_guard lock(state.mutex);
  state.holdBoxes = hold;
  state.changed.notify_all();
}

std::vector<std::wstring> MessageBoxesShown() {
  auto& state = TheState();
  std::lock_guard lock(state.mutex);
  return state.boxesShown;
}

bool WaitForHeldMessageBox(std::chrono::milliseconds timeout) {
  auto& state = TheState();
  std::unique_lock lock(state.mutex);
  return state.changed.wait_for(lock, timeout, [&] { return state.boxesHeld > 0; });
}

void DismissMessageBox() {
  auto& state = TheState();
  std::lock_guard lock(state.mutex);
  if (state.boxesHeld == 0) return;
  --state.boxesHeld;
  ++state.dismissals;
  state.changed.notify_all();
}

void ResetUi() {
  auto& state = TheState();
  std::lock_guard lock(state.mutex);
  state.rawWindows.clear();
  state.dialogs.clear();
  state.controls.clear();
  state.menus.clear();
  state.paintContexts.clear();
  state.fonts.clear();
  state.events.clear();
  state.boxesShown.clear();
  state.holdBoxes = false;
  state.boxesHeld = 0;
  state.modalSteps.clear();
  state.dialogsShown.clear();
  state.stringOverrides.clear();
  state.commonControls.clear();
  state.statusControl = 0;
  state.changed.notify_all();
}

}  // namespace sim

namespace ui {

bool PostToWindow(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                  std::intptr_t lParam) {
  auto& state = sim::TheState();
  bool delivered = false;
  {
    std::lock_guard lock(state.mutex);
    // Recorded under the lock so the transcript keeps the queue's order.
    sim::Record("post", {{"msg", sim::MessageName(message)},
                         {"wparam", static_cast<std::int64_t>(wParam)},
                         {"lparam", static_cast<std::int64_t>(lParam)}});
    if (sim::headless::WindowExists(state, window)) {
      sim::headless::Event event;
      event.window = window;
      event.message = message;
      event.wParam = wParam;
      event.lParam = lParam;
      state.events.push_back(std::move(event));
      delivered = true;
    }
  }
  state.changed.notify_all();
  return delivered;
}

void ShowMessageBox(const std::wstring& text) {
  sim::Record("message_box", {{"text", sim::Utf8(text)}});
  auto& state = sim::TheState();
  std::unique_lock lock(state.mutex);
  state.boxesShown.push_back(text);
  if (sim::headless::ThreadRunsDialogs(state)) {
    sim::headless::RunMessageBoxLoop(lock);
    return;
  }
  if (!state.holdBoxes) return;
  ++state.boxesHeld;
  const std::size_t awaited = state.dismissals + state.boxesHeld;
  state.changed.notify_all();
  state.changed.wait(lock, [&] { return state.dismissals >= awaited || !state.holdBoxes; });
}

}  // namespace ui
