// Threads and time, as the portable code sees them.
#pragma once

#include <cstdint>

namespace os {

using ThreadEntry = void (*)(void* argument);

// Starts a detached thread running entry(argument), default stack size.
// Returns false when the thread could not be started.
bool StartThread(ThreadEntry entry, void* argument);

void Sleep(std::uint32_t milliseconds);

}  // namespace os
