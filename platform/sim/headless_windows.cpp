// The window operations of the dialog framework on the simulated machine: controls as
// records in memory, with the behaviour of the system's own controls where the program
// relies on it.
#include "platform/sim/headless_state.h"
#include "platform/sim/transcript.h"
#include "platform/ui/window.h"

namespace sim {
namespace headless {
namespace {

constexpr int kSystemIconSize = 32;

struct ControlAt {
  Window* window = nullptr;
  Control* control = nullptr;
};

ControlAt FindControlHandle(State& state, ui::WindowHandle handle) {
  const auto found = state.controls.find(handle.value);
  if (found == state.controls.end()) return {};
  Window* window = FindDialog(state, ui::WindowHandle{found->second.first});
  if (window == nullptr) return {};
  return {window, window->FindControl(found->second.second)};
}

// As the progress bar keeps it: within its range.
void CoercePosition(Control& bar) {
  if (bar.position < bar.rangeLow) bar.position = bar.rangeLow;
  if (bar.position > bar.rangeHigh) bar.position = bar.rangeHigh;
}

ui::Result SendToControl(Control& control, ui::Message message, ui::WParam wParam,
                         ui::LParam lParam) {
  switch (message) {
    case ui::kWmSetFont:
      control.font = reinterpret_cast<void*>(wParam);
      return 0;
    case ui::kWmGetFont:
      return reinterpret_cast<ui::Result>(control.font);
    case ui::kPbmSetRange: {
      const auto previous =
          static_cast<ui::Result>((static_cast<std::uint32_t>(control.rangeHigh & 0xFFFF) << 16) |
                                  (control.rangeLow & 0xFFFF));
      control.rangeLow = ui::LowWord(static_cast<std::uintptr_t>(lParam));
      control.rangeHigh = ui::HighWord(static_cast<std::uintptr_t>(lParam));
      CoercePosition(control);
      return previous;
    }
    case ui::kPbmSetPos: {
      const int previous = control.position;
      control.position = static_cast<int>(wParam);
      CoercePosition(control);
      return previous;
    }
    case ui::kPbmGetPos:
      return control.position;
    case ui::kPbmGetRange:
      return wParam != 0 ? control.rangeLow : control.rangeHigh;
    default:
      return 0;
  }
}

ControlView View(State& state, const Control& control) {
  ControlView view;
  view.handle = control.handle;
  view.id = control.id;
  view.className = control.className;
  view.text = control.text;
  view.textOrdinal = control.textOrdinal;
  view.style = control.style;
  view.exStyle = control.exStyle;
  view.x = control.x;
  view.y = control.y;
  view.cx = control.cx;
  view.cy = control.cy;
  view.enabled = control.enabled;
  view.rangeLow = control.rangeLow;
  view.rangeHigh = control.rangeHigh;
  view.position = control.position;
  view.fontHandle = {control.font};
  if (const auto font = state.fonts.find(control.font); font != state.fonts.end()) {
    view.font = font->second;
  }
  return view;
}

}  // namespace
}  // namespace headless

using headless::TheState;

std::optional<WindowView> ViewWindow(ui::WindowHandle window) {
  auto& state = TheState();
  std::lock_guard lock(state.mutex);
  const auto* record = headless::FindDialog(state, window);
  if (record == nullptr) return std::nullopt;
  WindowView view;
  view.handle = window;
  view.templateId = record->templateId;
  view.caption = record->caption;
  view.style = record->style;
  view.exStyle = record->exStyle;
  view.client = record->client;
  for (const auto& control : record->controls)
    view.controls.push_back(headless::View(state, control));
  view.focus = record->focus;
  view.enabled = record->enabled;
  view.minimised = record->minimised;
  view.bigIcon = {record->bigIcon};
  view.smallIcon = {record->smallIcon};
  view.hasSystemMenu = record->systemMenu != nullptr;
  view.systemMenu = record->systemMenuItems;
  view.boundControls = record->bound;
  view.deviceNotifications = record->notifications;
  view.iconDraws = record->iconDraws;
  view.iconErasures = record->iconErasures;
  view.defaultPaints = record->defaultPaints;
  return view;
}

std::optional<ControlView> ViewControl(ui::WindowHandle window, int id) {
  auto& state = TheState();
  std::lock_guard lock(state.mutex);
  auto* record = headless::FindDialog(state, window);
  auto* control = record != nullptr ? record->FindControl(id) : nullptr;
  if (control == nullptr) return std::nullopt;
  return headless::View(state, *control);
}

std::vector<CommonControlsCall> CommonControlsInitialisations() {
  auto& state = TheState();
  std::lock_guard lock(state.mutex);
  return state.commonControls;
}

void OverrideString(int id, std::wstring text) {
  auto& state = TheState();
  std::lock_guard lock(state.mutex);
  state.stringOverrides[id] = std::move(text);
}

void TranscribeStatusControl(int id) {
  auto& state = TheState();
  std::lock_guard lock(state.mutex);
  state.statusControl = id;
}

}  // namespace sim

namespace ui {

using sim::headless::TheState;

Result SendToWindow(WindowHandle window, Message message, WParam wParam, LParam lParam) {
  auto& state = TheState();
  std::unique_lock lock(state.mutex);
  if (auto* dialog = sim::headless::FindDialog(state, window)) {
    Dialog* target = dialog->dialog;
    lock.unlock();
    return target->Dispatch(message, wParam, lParam);
  }
  const auto at = sim::headless::FindControlHandle(state, window);
  if (at.control == nullptr) return 0;
  return sim::headless::SendToControl(*at.control, message, wParam, lParam);
}

WindowHandle ControlOf(WindowHandle dialog, int id) {
  auto& state = TheState();
  std::lock_guard lock(state.mutex);
  auto* window = sim::headless::FindDialog(state, dialog);
  auto* control = window != nullptr ? window->FindControl(id) : nullptr;
  return control != nullptr ? control->handle : WindowHandle{};
}

WindowHandle AttachControl(WindowHandle dialog, int id) {
  auto& state = TheState();
  std::lock_guard lock(state.mutex);
  auto* window = sim::headless::FindDialog(state, dialog);
  if (window == nullptr) return {};
  window->bound.push_back(id);
  auto* control = window->FindControl(id);
  return control != nullptr ? control->handle : WindowHandle{};
}

void SetText(WindowHandle window, std::wstring_view text) {
  auto& state = TheState();
  std::lock_guard lock(state.mutex);
  if (auto* dialog = sim::headless::FindDialog(state, window)) {
    dialog->caption = text;
    return;
  }
  const auto at = sim::headless::FindControlHandle(state, window);
  if (at.control == nullptr) return;
  at.control->text = text;
  if (state.statusControl != 0 && at.control->id == state.statusControl) {
    sim::Record("status", {{"text", sim::Utf8(text)}});
  }
}

std::wstring TextOf(WindowHandle window) {
  auto& state = TheState();
  std::lock_guard lock(state.mutex);
  if (auto* dialog = sim::headless::FindDialog(state, window)) return dialog->caption;
  const auto at = sim::headless::FindControlHandle(state, window);
  return at.control != nullptr ? at.control->text : std::wstring{};
}

bool EnableInput(WindowHandle window, bool enable) {
  auto& state = TheState();
  std::lock_guard lock(state.mutex);
  if (auto* dialog = sim::headless::FindDialog(state, window)) {
    const bool wasDisabled = !dialog->enabled;
    dialog->enabled = enable;
    return wasDisabled;
  }
  const auto at = sim::headless::FindControlHandle(state, window);
  if (at.control == nullptr) return false;
  const bool wasDisabled = !at.control->enabled;
  at.control->enabled = enable;
  // A control that is disabled loses the focus.
  if (!enable && at.window->focus == at.control->id) at.window->focus = 0;
  return wasDisabled;
}

bool InputEnabled(WindowHandle window) {
  auto& state = TheState();
  std::lock_guard lock(state.mutex);
  if (auto* dialog = sim::headless::FindDialog(state, window)) return dialog->enabled;
  const auto at = sim::headless::FindControlHandle(state, window);
  return at.control != nullptr && at.control->enabled;
}

bool IsMinimised(WindowHandle window) {
  auto& state = TheState();
  std::lock_guard lock(state.mutex);
  const auto* dialog = sim::headless::FindDialog(state, window);
  return dialog != nullptr && dialog->minimised;
}

Rect ClientRect(WindowHandle window) {
  auto& state = TheState();
  std::lock_guard lock(state.mutex);
  const auto* dialog = sim::headless::FindDialog(state, window);
  return dialog != nullptr ? dialog->client : Rect{};
}

int SystemMetric(int index) {
  return index == kSmCxIcon || index == kSmCyIcon ? sim::headless::kSystemIconSize : 0;
}

PaintContext BeginPainting(WindowHandle window) {
  auto& state = TheState();
  std::lock_guard lock(state.mutex);
  if (sim::headless::FindDialog(state, window) == nullptr) return {};
  void* context = sim::headless::NewHandle(state);
  state.paintContexts[context] = window.value;
  return {context, nullptr};
}

void EndPainting(WindowHandle, PaintContext context) {
  auto& state = TheState();
  std::lock_guard lock(state.mutex);
  state.paintContexts.erase(context.deviceContext);
}

bool DrawIconAt(PaintContext context, int x, int y, IconHandle icon) {
  auto& state = TheState();
  std::lock_guard lock(state.mutex);
  const auto found = state.paintContexts.find(context.deviceContext);
  if (found == state.paintContexts.end() || icon.value == nullptr) return false;
  auto* dialog = sim::headless::FindDialog(state, WindowHandle{found->second});
  if (dialog == nullptr) return false;
  dialog->iconDraws.push_back({x, y, icon});
  return true;
}

FontHandle CreateFontObject(const FontSpec& spec) {
  auto& state = TheState();
  std::lock_guard lock(state.mutex);
  void* font = sim::headless::NewHandle(state);
  state.fonts[font] = spec;
  return {font};
}

void DeleteFontObject(FontHandle font) {
  auto& state = TheState();
  std::lock_guard lock(state.mutex);
  state.fonts.erase(font.value);
}

IconHandle LoadIconResource(int id) {
  auto& state = TheState();
  std::lock_guard lock(state.mutex);
  if (sim::headless::FindUiResource(sim::kRtGroupIcon, static_cast<std::uint16_t>(id)) == nullptr) {
    return {};
  }
  void*& icon = state.icons[id];
  if (icon == nullptr) icon = sim::headless::NewHandle(state);
  return {icon};
}

std::wstring LoadStringResource(int id) {
  auto& state = TheState();
  std::lock_guard lock(state.mutex);
  if (const auto found = state.stringOverrides.find(id); found != state.stringOverrides.end()) {
    return found->second;
  }
  const auto block = static_cast<std::uint16_t>((id >> 4) + 1);
  const auto* resource = sim::headless::FindUiResource(sim::kRtString, block);
  return resource != nullptr ? sim::StringFromBlock(resource->data, id) : std::wstring{};
}

MenuHandle SystemMenuOf(WindowHandle window, bool) {
  auto& state = TheState();
  std::lock_guard lock(state.mutex);
  const auto* dialog = sim::headless::FindDialog(state, window);
  return dialog != nullptr ? MenuHandle{dialog->systemMenu} : MenuHandle{};
}

namespace {

bool AppendToMenu(MenuHandle menu, sim::MenuItemView item) {
  auto& state = TheState();
  std::lock_guard lock(state.mutex);
  const auto found = state.menus.find(menu.value);
  if (found == state.menus.end()) return false;
  auto* dialog = sim::headless::FindDialog(state, WindowHandle{found->second});
  if (dialog == nullptr) return false;
  dialog->systemMenuItems.push_back(std::move(item));
  return true;
}

}  // namespace

bool AppendMenuSeparator(MenuHandle menu) {
  return AppendToMenu(menu, {true, 0, {}});
}

bool AppendMenuString(MenuHandle menu, unsigned commandId, std::wstring_view text) {
  return AppendToMenu(menu, {false, commandId, std::wstring(text)});
}

NotificationHandle RegisterDeviceInterfaceNotifications(WindowHandle recipient,
                                                        const Guid& interfaceClass) {
  auto& state = TheState();
  std::lock_guard lock(state.mutex);
  auto* dialog = sim::headless::FindDialog(state, recipient);
  if (dialog == nullptr) return {};
  dialog->notifications.push_back(interfaceClass);
  return {sim::headless::NewHandle(state)};
}

bool InitCommonControls(std::uint32_t structSize, std::uint32_t classes) {
  auto& state = TheState();
  std::lock_guard lock(state.mutex);
  state.commonControls.push_back({structSize, classes});
  return true;
}

}  // namespace ui
