#include "platform/ui.h"

#include <filesystem>

#include <windows.h>

namespace {

std::wstring ExecutablePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    // A length equal to the buffer size means the path was cut short.
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::wstring ProgramName() {
  return std::filesystem::path(ExecutablePath()).stem().wstring();
}

}  // namespace

namespace ui {

bool PostToWindow(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                  std::intptr_t lParam) {
  if (window.value == nullptr) {
    return false;
  }
  return PostMessageW(static_cast<HWND>(window.value), message, static_cast<WPARAM>(wParam),
                      static_cast<LPARAM>(lParam)) != FALSE;
}

void ShowMessageBox(const std::wstring& text) {
  // Owned by the calling thread's active window, which the box disables meanwhile; a
  // worker thread has none, and its box stands alone.
  MessageBoxW(GetActiveWindow(), text.c_str(), ProgramName().c_str(), MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace ui
