// What any thread may ask of the user interface: post to a window, show a message box.
#pragma once

#include <cstdint>
#include <string>

namespace ui {

// Opaque window identity: a native window on Windows, a headless window in the simulation.
struct WindowHandle {
  void* value = nullptr;
  friend bool operator==(WindowHandle, WindowHandle) = default;
};

// Queues a message for the window's thread and returns at once. A null window
// reaches nobody and yields false, as does a window that is gone.
bool PostToWindow(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                  std::intptr_t lParam);

// A modal box with the OK button and the exclamation icon, captioned with the
// program's name. Returns only once the user has dismissed it.
void ShowMessageBox(const std::wstring& text);

}  // namespace ui
