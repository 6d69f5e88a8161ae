// Time of the simulated machine. On the virtual clock a sleep advances time at once;
// on the real clock it really waits, optionally sped up.
#pragma once

#include <cstdint>

namespace sim {

void UseVirtualClock();
// speed > 1 shortens every real pause by that factor; the reported time stays in
// device milliseconds.
void UseRealClock(double speed = 1.0);
bool ClockIsVirtual();

// Milliseconds since the clock was last chosen or reset.
std::uint64_t NowMs();
void ResetClock();

// What os::Sleep does on the simulated machine.
void SleepOnClock(std::uint32_t milliseconds);

}  // namespace sim
