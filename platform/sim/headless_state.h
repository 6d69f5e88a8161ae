// Inside the headless user interface: the windows, controls, fonts and event queue that
// sim_ui.cpp, headless_windows.cpp and headless_dialogs.cpp share. One mutex guards it
// all; no lock is held while a dialog handles a message.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "platform/sim/headless_dialogs.h"
#include "platform/sim/resource_formats.h"
#include "platform/ui/dialog.h"

namespace sim::headless {

struct Control {
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
  void* font = nullptr;

  bool IsPushButton() const;
};

struct Window {
  ui::Dialog* dialog = nullptr;
  std::uint64_t opened = 0;  // order of opening
  std::thread::id thread;
  int templateId = 0;
  std::wstring caption;
  std::uint32_t style = 0;
  std::uint32_t exStyle = 0;
  ui::Rect client;
  std::vector<Control> controls;
  int focus = 0;
  bool enabled = true;
  int modalsAbove = 0;  // a modal box or dialog above it takes its input
  bool minimised = false;
  void* bigIcon = nullptr;
  void* smallIcon = nullptr;
  void* systemMenu = nullptr;
  std::vector<MenuItemView> systemMenuItems;
  std::vector<int> bound;
  std::vector<ui::Guid> notifications;
  std::vector<IconDrawView> iconDraws;
  int iconErasures = 0;
  int defaultPaints = 0;
  std::optional<std::intptr_t> endResult;

  Control* FindControl(int id);
  bool TakesInput() const { return enabled && modalsAbove == 0 && !endResult; }
};

enum class EventKind { posted, click, enter, escape, closeBox, focus, deviceChange };

struct Event {
  ui::WindowHandle window;
  EventKind kind = EventKind::posted;
  ui::Message message = 0;
  ui::WParam wParam = 0;
  ui::LParam lParam = 0;
  int controlId = 0;
  std::vector<std::uint8_t> broadcast;
  bool broadcastIsNull = false;
  // Non-zero for a broadcast whose sender waits until it has been handled.
  std::uint64_t sentId = 0;
};

struct State {
  std::mutex mutex;
  std::condition_variable changed;

  std::set<void*> rawWindows;
  std::map<void*, Window> dialogs;
  std::map<void*, std::pair<void*, int>> controls;  // control -> (dialog, id)
  std::map<void*, void*> menus;                     // system menu -> dialog
  std::map<void*, void*> paintContexts;             // context -> dialog
  std::map<void*, ui::FontSpec> fonts;
  std::map<int, void*> icons;
  std::deque<Event> events;
  std::uint64_t nextSentId = 1;
  std::set<std::uint64_t> sentPending;
  std::uintptr_t nextHandle = 0x10000;
  std::uint64_t openings = 0;

  std::vector<std::wstring> boxesShown;
  bool holdBoxes = false;
  std::size_t boxesHeld = 0;
  std::size_t dismissals = 0;
  std::deque<std::function<void()>> modalSteps;
  std::vector<int> dialogsShown;
  std::map<int, std::wstring> stringOverrides;
  std::vector<CommonControlsCall> commonControls;
  int statusControl = 0;
};

State& TheState();
// Under the lock.
void* NewHandle(State& state);
Window* FindDialog(State& state, ui::WindowHandle window);
bool ThreadRunsDialogs(State& state);
bool WindowExists(State& state, ui::WindowHandle window);

// Dispatches the calling thread's events, one at a time and in order of arrival, until
// `stop` (asked under the lock, before each event and after it with the event) says so.
// When none is queued: returns at once unless `wait`, which waits for other threads' events
// until the deadline. Returns the number of events dispatched, or nullopt past the deadline.
using PumpStop = std::function<bool(State&, const Event*)>;
std::optional<std::size_t> Pump(const PumpStop& stop, bool wait,
                                std::chrono::steady_clock::time_point deadline);

// Input to every dialog of this thread but `except` is held back while a modal box or
// dialog is open.
void HoldBackInput(State& state, int change, ui::WindowHandle except = {});
// The modal loop of a dialog opened on this thread, until it has been ended.
void RunDialogLoop(ui::Dialog& dialog);
std::size_t PumpIdle(const PumpStop& stop);
void QueueInput(ui::WindowHandle window, EventKind kind, int controlId = 0);

// What a modal message box shown on a thread that runs dialogs does until it is
// dismissed: a nested loop over the thread's events, input to its dialogs held back.
void RunMessageBoxLoop(std::unique_lock<std::mutex>& lock);

// The program's own resources as the resource compiler built them.
const ResourceRecord* FindUiResource(std::uint16_t type, std::uint16_t id);

}  // namespace sim::headless
