// The dialog framework's modal side on the simulated machine: windows made from the
// built templates, the event loop, the system's handling of keys, the close box and
// modal boxes.
#include "platform/sim/headless_dialogs.h"

#include <algorithm>
#include <cwctype>

#include "platform/sim/headless_state.h"
#include "platform/sim/transcript.h"

namespace sim {
namespace headless {
namespace {

constexpr std::uint32_t kWsTabStop = 0x00010000;
constexpr std::uint32_t kWsVisible = 0x10000000;
constexpr std::uint32_t kWsDisabled = 0x08000000;
constexpr std::uint32_t kWsSysMenu = 0x00080000;
constexpr std::uint32_t kBsTypeMask = 0x0F;
constexpr std::uint32_t kBsDefPushButton = 0x01;

// A hang guard for loops that wait on other threads.
constexpr auto kFarAway = std::chrono::hours(24);
// A guard against a window that never pumps, not a pacing: a sender waits no longer.
constexpr auto kSentBroadcastGuard = std::chrono::seconds(10);

bool IsDispatchable(State& state, const Event& event) {
  const Window* window = FindDialog(state, event.window);
  return window != nullptr && window->thread == std::this_thread::get_id() && !window->endResult;
}

struct Command {
  int id = 0;
  ui::WindowHandle control;
};

// What the system makes of a key or click, or nullopt when the window takes no input.
std::optional<Command> ResolveInput(Window& window, const Event& event) {
  if (!window.TakesInput()) return std::nullopt;
  switch (event.kind) {
    case EventKind::click: {
      Control* control = window.FindControl(event.controlId);
      if (control == nullptr || !control->enabled) return std::nullopt;
      if (control->IsPushButton()) window.focus = control->id;
      return Command{control->id, control->handle};
    }
    case EventKind::enter: {
      // A push button with the focus is pressed; elsewhere the default button, or OK.
      Control* focused = window.FindControl(window.focus);
      Control* target = focused != nullptr && focused->IsPushButton() ? focused : nullptr;
      for (auto& control : window.controls) {
        if (target == nullptr && control.IsPushButton() &&
            (control.style & kBsTypeMask) == kBsDefPushButton) {
          target = &control;
        }
      }
      if (target == nullptr) target = window.FindControl(ui::kIdOk);
      if (target == nullptr) return Command{ui::kIdOk, {}};
      if (!target->enabled) return std::nullopt;
      return Command{target->id, target->handle};
    }
    case EventKind::escape: {
      Control* cancel = window.FindControl(ui::kIdCancel);
      if (cancel != nullptr && !cancel->enabled) return std::nullopt;
      return Command{ui::kIdCancel, cancel != nullptr ? cancel->handle : ui::WindowHandle{}};
    }
    default:
      return std::nullopt;
  }
}

void DispatchEvent(const Event& event) {
  auto& state = TheState();
  std::unique_lock lock(state.mutex);
  Window* window = FindDialog(state, event.window);
  if (window == nullptr) return;
  ui::Dialog* dialog = window->dialog;
  switch (event.kind) {
    case EventKind::posted:
      lock.unlock();
      dialog->Dispatch(event.message, event.wParam, event.lParam);
      return;
    case EventKind::focus: {
      Control* control = window->FindControl(event.controlId);
      if (window->TakesInput() && control != nullptr && control->enabled)
        window->focus = control->id;
      return;
    }
    case EventKind::closeBox:
      if (!window->TakesInput()) return;
      lock.unlock();
      dialog->Dispatch(ui::kWmSysCommand, ui::kScClose, 0);
      return;
    case EventKind::deviceChange: {
      lock.unlock();
      Record("device_change");
      const auto lParam = event.broadcastIsNull
                              ? ui::LParam{0}
                              : reinterpret_cast<ui::LParam>(event.broadcast.data());
      dialog->Dispatch(ui::kWmDeviceChange, event.wParam, lParam);
      return;
    }
    case EventKind::click:
    case EventKind::enter:
    case EventKind::escape: {
      const auto command = ResolveInput(*window, event);
      if (!command) return;
      lock.unlock();
      dialog->Dispatch(ui::kWmCommand, ui::CommandWParam(command->id, ui::kBnClicked),
                       reinterpret_cast<ui::LParam>(command->control.value));
      return;
    }
  }
}

std::optional<std::function<void()>> TakeModalStep(State& state) {
  if (state.modalSteps.empty()) return std::nullopt;
  auto step = std::move(state.modalSteps.front());
  state.modalSteps.pop_front();
  return step;
}

bool Ended(State& state, ui::WindowHandle window) {
  const Window* record = FindDialog(state, window);
  return record == nullptr || record->endResult.has_value();
}

}  // namespace

void QueueInput(ui::WindowHandle window, EventKind kind, int controlId) {
  auto& state = TheState();
  {
    std::lock_guard lock(state.mutex);
    Event event;
    event.window = window;
    event.kind = kind;
    event.controlId = controlId;
    state.events.push_back(std::move(event));
  }
  state.changed.notify_all();
}

std::size_t PumpIdle(const PumpStop& stop) {
  return Pump(stop, false, std::chrono::steady_clock::now()).value_or(0);
}

void RunDialogLoop(ui::Dialog& dialog) {
  auto& state = TheState();
  const ui::WindowHandle window = dialog.Window();
  const PumpStop ended = [window](State& s, const Event*) { return Ended(s, window); };
  std::optional<std::function<void()>> step;
  {
    std::lock_guard lock(state.mutex);
    step = TakeModalStep(state);
  }
  PumpIdle(ended);
  if (step) {
    (*step)();
    PumpIdle(ended);
  }
  std::unique_lock lock(state.mutex);
  if (Ended(state, window)) return;
  lock.unlock();
  QueueInput(window, EventKind::escape);
  PumpIdle(ended);
  lock.lock();
  // A dialog that refuses Cancel still has to let the test go on.
  if (Window* record = FindDialog(state, window); record != nullptr && !record->endResult) {
    record->endResult = ui::kIdCancel;
  }
}

void HoldBackInput(State& state, int change, ui::WindowHandle except) {
  const auto self = std::this_thread::get_id();
  for (auto& [handle, window] : state.dialogs) {
    if (window.thread == self && handle != except.value) window.modalsAbove += change;
  }
}

bool Control::IsPushButton() const {
  std::wstring lower;
  for (wchar_t c : className) lower.push_back(static_cast<wchar_t>(std::towlower(c)));
  const std::uint32_t type = style & kBsTypeMask;
  return lower == L"button" && (type == 0 || type == kBsDefPushButton);
}

Control* Window::FindControl(int id) {
  for (auto& control : controls) {
    if (control.id == id) return &control;
  }
  return nullptr;
}

std::optional<std::size_t> Pump(const PumpStop& stop, bool wait,
                                std::chrono::steady_clock::time_point deadline) {
  auto& state = TheState();
  std::size_t dispatched = 0;
  std::unique_lock lock(state.mutex);
  const Event* last = nullptr;
  Event current;
  for (;;) {
    if (stop && stop(state, last)) return dispatched;
    last = nullptr;
    const auto next = std::find_if(state.events.begin(), state.events.end(),
                                   [&](const Event& e) { return IsDispatchable(state, e); });
    if (next == state.events.end()) {
      if (!wait) return dispatched;
      if (state.changed.wait_until(lock, deadline) == std::cv_status::timeout) {
        return std::nullopt;
      }
      continue;
    }
    current = std::move(*next);
    state.events.erase(next);
    lock.unlock();
    DispatchEvent(current);
    ++dispatched;
    lock.lock();
    if (current.sentId != 0) {
      state.sentPending.erase(current.sentId);
      state.changed.notify_all();
    }
    last = &current;
  }
}

void RunMessageBoxLoop(std::unique_lock<std::mutex>& lock) {
  auto& state = TheState();
  HoldBackInput(state, +1);
  auto step = TakeModalStep(state);
  if (step) {
    lock.unlock();
    PumpIdle({});
    (*step)();
    PumpIdle({});
    lock.lock();
  } else if (state.holdBoxes) {
    ++state.boxesHeld;
    const std::size_t awaited = state.dismissals + state.boxesHeld;
    state.changed.notify_all();
    lock.unlock();
    Pump([awaited](State& s, const Event*) { return s.dismissals >= awaited || !s.holdBoxes; },
         true, std::chrono::steady_clock::now() + kFarAway);
    lock.lock();
  }
  HoldBackInput(state, -1);
}

}  // namespace headless

using headless::EventKind;
using headless::TheState;

bool OpenDialog(ui::Dialog& dialog) {
  auto& state = TheState();
  std::unique_lock lock(state.mutex);
  const auto* resource =
      headless::FindUiResource(kRtDialog, static_cast<std::uint16_t>(dialog.TemplateId()));
  const auto parsed = resource ? ParseDialogTemplate(resource->data) : std::nullopt;
  if (!parsed) return false;
  const ui::WindowHandle handle{headless::NewHandle(state)};
  headless::Window window;
  window.dialog = &dialog;
  window.opened = ++state.openings;
  window.thread = std::this_thread::get_id();
  window.templateId = dialog.TemplateId();
  window.caption = parsed->title;
  window.style = parsed->style;
  window.exStyle = parsed->exStyle;
  // Dialog units at the base units of a 9-point dialog font.
  window.client = {0, 0, parsed->cx * 7 / 4, parsed->cy * 15 / 8};
  if (parsed->style & headless::kWsSysMenu) {
    window.systemMenu = headless::NewHandle(state);
    state.menus[window.systemMenu] = handle.value;
  }
  for (const auto& item : parsed->items) {
    headless::Control control;
    control.handle = {headless::NewHandle(state)};
    control.id = static_cast<std::int16_t>(item.id);
    control.className = item.ClassName();
    control.text = item.title.text;
    control.textOrdinal = item.title.ordinal;
    control.style = item.style;
    control.exStyle = item.exStyle;
    control.x = item.x;
    control.y = item.y;
    control.cx = item.cx;
    control.cy = item.cy;
    control.enabled = (item.style & headless::kWsDisabled) == 0;
    state.controls[control.handle.value] = {handle.value, control.id};
    window.controls.push_back(std::move(control));
  }
  state.dialogs[handle.value] = std::move(window);
  lock.unlock();

  dialog.AttachWindow(handle);
  const bool defaultFocus = dialog.Dispatch(ui::kWmInitDialog, 0, 0) != 0;
  lock.lock();
  if (auto* opened = headless::FindDialog(state, handle); opened != nullptr && defaultFocus) {
    for (const auto& control : opened->controls) {
      if ((control.style & headless::kWsTabStop) && (control.style & headless::kWsVisible) &&
          control.enabled) {
        opened->focus = control.id;
        break;
      }
    }
  }
  return true;
}

void CloseDialog(ui::Dialog& dialog) {
  const ui::WindowHandle handle = dialog.Window();
  auto& state = TheState();
  {
    std::lock_guard lock(state.mutex);
    if (headless::FindDialog(state, handle) == nullptr) return;
  }
  dialog.Dispatch(ui::kWmDestroy, 0, 0);
  std::lock_guard lock(state.mutex);
  if (auto* window = headless::FindDialog(state, handle)) {
    for (const auto& control : window->controls) state.controls.erase(control.handle.value);
    state.menus.erase(window->systemMenu);
    state.dialogs.erase(handle.value);
  }
  std::erase_if(state.events, [&](const headless::Event& e) { return e.window == handle; });
  dialog.AttachWindow({});
}

std::optional<std::intptr_t> DialogResult(ui::WindowHandle window) {
  auto& state = TheState();
  std::lock_guard lock(state.mutex);
  const auto* record = headless::FindDialog(state, window);
  return record != nullptr ? record->endResult : std::nullopt;
}

void ClickButton(ui::WindowHandle window, int id) {
  headless::QueueInput(window, EventKind::click, id);
}

void PressEnter(ui::WindowHandle window) {
  headless::QueueInput(window, EventKind::enter);
}

void PressEscape(ui::WindowHandle window) {
  headless::QueueInput(window, EventKind::escape);
}

void ClickCloseBox(ui::WindowHandle window) {
  headless::QueueInput(window, EventKind::closeBox);
}

void FocusControl(ui::WindowHandle window, int id) {
  headless::QueueInput(window, EventKind::focus, id);
}

std::optional<ui::Result> DeliverDeviceChange(
    ui::WindowHandle window, ui::WParam event,
    std::optional<std::span<const std::uint8_t>> broadcast) {
  auto& state = TheState();
  std::unique_lock lock(state.mutex);
  auto* record = headless::FindDialog(state, window);
  if (record == nullptr) return std::nullopt;
  if (record->thread == std::this_thread::get_id()) {
    ui::Dialog* dialog = record->dialog;
    lock.unlock();
    Record("device_change");
    const auto lParam = broadcast ? reinterpret_cast<ui::LParam>(broadcast->data()) : 0;
    return dialog->Dispatch(ui::kWmDeviceChange, event, lParam);
  }
  headless::Event queued;
  queued.window = window;
  queued.kind = EventKind::deviceChange;
  queued.wParam = event;
  queued.broadcastIsNull = !broadcast.has_value();
  if (broadcast) queued.broadcast.assign(broadcast->begin(), broadcast->end());
  // The system sends a broadcast and waits for the answer, so a device that comes back
  // is seen by the window before the thread that caused it goes on.
  const std::uint64_t id = state.nextSentId++;
  queued.sentId = id;
  state.sentPending.insert(id);
  state.events.push_back(std::move(queued));
  state.changed.notify_all();
  state.changed.wait_for(lock, headless::kSentBroadcastGuard, [&] {
    return state.sentPending.count(id) == 0 || headless::FindDialog(state, window) == nullptr;
  });
  state.sentPending.erase(id);
  return std::nullopt;
}

void SetMinimised(ui::WindowHandle window, bool minimised) {
  auto& state = TheState();
  std::lock_guard lock(state.mutex);
  if (auto* record = headless::FindDialog(state, window)) record->minimised = minimised;
}

std::size_t PumpUntilIdle() {
  return headless::PumpIdle({});
}

bool PumpUntilMessage(ui::WindowHandle window, ui::Message message,
                      std::chrono::milliseconds timeout) {
  bool seen = false;
  const auto stop = [&](headless::State&, const headless::Event* last) {
    if (last != nullptr && last->window == window && last->kind == EventKind::posted &&
        last->message == message) {
      seen = true;
    }
    return seen;
  };
  return headless::Pump(stop, true, std::chrono::steady_clock::now() + timeout).has_value() && seen;
}

void AnswerNextModal(std::function<void()> whileOpen) {
  auto& state = TheState();
  std::lock_guard lock(state.mutex);
  state.modalSteps.push_back(std::move(whileOpen));
}

std::vector<int> DialogsShown() {
  auto& state = TheState();
  std::lock_guard lock(state.mutex);
  return state.dialogsShown;
}

ui::WindowHandle TopDialog() {
  auto& state = TheState();
  std::lock_guard lock(state.mutex);
  ui::WindowHandle top;
  std::uint64_t latest = 0;
  for (const auto& [handle, window] : state.dialogs) {
    if (window.thread == std::this_thread::get_id() && window.opened > latest) {
      latest = window.opened;
      top = ui::WindowHandle{handle};
    }
  }
  return top;
}

}  // namespace sim

namespace ui {

std::intptr_t Dialog::DoModal() {
  {
    auto& state = sim::TheState();
    std::lock_guard lock(state.mutex);
    state.dialogsShown.push_back(templateId_);
  }
  if (!sim::OpenDialog(*this)) return -1;
  const WindowHandle window = window_;
  {
    auto& state = sim::TheState();
    std::lock_guard lock(state.mutex);
    sim::headless::HoldBackInput(state, +1, window);
  }
  sim::headless::RunDialogLoop(*this);
  const auto result = sim::DialogResult(window).value_or(kIdCancel);
  {
    auto& state = sim::TheState();
    std::lock_guard lock(state.mutex);
    sim::headless::HoldBackInput(state, -1, window);
  }
  sim::CloseDialog(*this);
  return result;
}

void Dialog::EndDialog(int result) {
  auto& state = sim::TheState();
  std::lock_guard lock(state.mutex);
  if (auto* window = sim::headless::FindDialog(state, window_);
      window != nullptr && !window->endResult) {
    window->endResult = result;
  }
  state.changed.notify_all();
}

Result Dialog::Default(Message message, WParam wParam, LParam lParam) {
  auto& state = sim::TheState();
  std::unique_lock lock(state.mutex);
  auto* window = sim::headless::FindDialog(state, window_);
  if (window == nullptr) return 0;
  switch (message) {
    case kWmSysCommand:
      if ((wParam & kSystemCommandMask) == kScClose) {
        lock.unlock();
        Dispatch(kWmClose, 0, 0);
      }
      return 0;
    case kWmClose: {
      // As the system does: Cancel is posted, from the Cancel button if there is one.
      const auto* cancel = window->FindControl(kIdCancel);
      sim::headless::Event event;
      event.window = window_;
      event.message = kWmCommand;
      event.wParam = CommandWParam(kIdCancel, kBnClicked);
      event.lParam = cancel ? reinterpret_cast<LParam>(cancel->handle.value) : 0;
      state.events.push_back(std::move(event));
      state.changed.notify_all();
      return 0;
    }
    case kWmSetIcon: {
      void*& slot = wParam == kIconBig ? window->bigIcon : window->smallIcon;
      void* previous = slot;
      slot = reinterpret_cast<void*>(lParam);
      return reinterpret_cast<Result>(previous);
    }
    case kWmPaint:
      ++window->defaultPaints;
      return 0;
    case kWmIconEraseBkgnd:
      ++window->iconErasures;
      return 1;
    default:
      return 0;
  }
}

}  // namespace ui
