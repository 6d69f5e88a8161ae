// Time of the simulated machine. On the virtual clock a sleep advances time at once;
// on the real clock it really waits, optionally sped up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace sim {

void UseVirtualClock();
// speed > 1 shortens every real pause by that factor; the reported time stays in
// device milliseconds.
void UseRealClock(double speed = 1.0);
bool ClockIsVirtual();

// Milliseconds since the clock was last chosen or reset; a reset drops pending actions.
std::uint64_t NowMs();
void ResetClock();

// What os::Sleep does on the simulated machine. Actions that fall due meanwhile run on
// the sleeping thread, in order of their time, before it returns.
void SleepOnClock(std::uint32_t milliseconds);

// Runs `action` once the clock has passed `delayMs` from now: how a device model acts
// later (a receiver restarting, a device coming back) without holding any lock.
void Schedule(std::uint32_t delayMs, std::function<void()> action);
// Runs the actions that are due now; returns how many ran.
std::size_t RunDueActions();
// Drops every pending action.
void CancelScheduledActions();

}  // namespace sim
