#include "platform/os.h"

#include <process.h>
#include <windows.h>

namespace os {

bool StartThread(ThreadEntry entry, void* argument) {
  // The C runtime's thread start sets up its per-thread state; CreateThread would not.
  return _beginthread(entry, 0, argument) != static_cast<std::uintptr_t>(-1);
}

void Sleep(std::uint32_t milliseconds) {
  ::Sleep(milliseconds);
}

}  // namespace os
