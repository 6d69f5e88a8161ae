// Test controls of the simulated machine's threads.
#pragma once

#include <cstddef>

namespace sim {

// The next `count` thread starts fail, as when the system is out of resources.
void FailThreadStarts(std::size_t count);
// Waits until every thread the program started has ended.
void JoinWorkers();
std::size_t WorkersStarted();

}  // namespace sim
