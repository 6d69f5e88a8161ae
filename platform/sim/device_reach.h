// Whether the program may take the simulated bus for real hardware.
#pragma once

namespace sim {

// A test turns this on to see what the program does on a machine with real devices.
void PretendDevicesAreReal(bool real);

}  // namespace sim
