#include "platform/sim/virtual_clock.h"

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>

namespace sim {
namespace {

using Steady = std::chrono::steady_clock;

struct ClockState {
  std::atomic<bool> isVirtual{true};
  std::atomic<std::uint64_t> virtualMs{0};
  std::mutex realMutex;
  Steady::time_point realStart = Steady::now();
  double speed = 1.0;
  std::mutex actionsMutex;
  std::multimap<std::uint64_t, std::function<void()>> actions;
};

ClockState& Clock() {
  static ClockState clock;
  return clock;
}

}  // namespace

void UseVirtualClock() {
  Clock().isVirtual = true;
  ResetClock();
}

void UseRealClock(double speed) {
  auto& clock = Clock();
  {
    std::lock_guard lock(clock.realMutex);
    clock.speed = speed > 0 ? speed : 1.0;
  }
  clock.isVirtual = false;
  ResetClock();
}

bool ClockIsVirtual() {
  return Clock().isVirtual;
}

void ResetClock() {
  CancelScheduledActions();
  auto& clock = Clock();
  clock.virtualMs = 0;
  std::lock_guard lock(clock.realMutex);
  clock.realStart = Steady::now();
}

std::uint64_t NowMs() {
  auto& clock = Clock();
  if (clock.isVirtual) return clock.virtualMs;
  std::lock_guard lock(clock.realMutex);
  const std::chrono::duration<double, std::milli> elapsed = Steady::now() - clock.realStart;
  return static_cast<std::uint64_t>(elapsed.count() * clock.speed);
}

void SleepOnClock(std::uint32_t milliseconds) {
  auto& clock = Clock();
  if (clock.isVirtual) {
    clock.virtualMs += milliseconds;
    RunDueActions();
    return;
  }
  double speed;
  {
    std::lock_guard lock(clock.realMutex);
    speed = clock.speed;
  }
  std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(milliseconds / speed));
  RunDueActions();
}

void Schedule(std::uint32_t delayMs, std::function<void()> action) {
  auto& clock = Clock();
  const std::uint64_t due = NowMs() + delayMs;
  std::lock_guard lock(clock.actionsMutex);
  clock.actions.emplace(due, std::move(action));
}

std::size_t RunDueActions() {
  auto& clock = Clock();
  std::size_t ran = 0;
  for (;;) {
    std::function<void()> action;
    {
      std::lock_guard lock(clock.actionsMutex);
      const auto next = clock.actions.begin();
      if (next == clock.actions.end() || next->first > NowMs()) return ran;
      action = std::move(next->second);
      clock.actions.erase(next);
    }
    action();
    ++ran;
  }
}

void CancelScheduledActions() {
  auto& clock = Clock();
  std::lock_guard lock(clock.actionsMutex);
  clock.actions.clear();
}

}  // namespace sim
