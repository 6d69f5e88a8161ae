// Dialogs of the framework as real Win32 dialogs made from the executable's templates.
// The window is subclassed at WM_INITDIALOG so that the message map sees each message
// first, and what it leaves goes on to the system's dialog procedure.
#include <windows.h>

#include "platform/ui/dialog.h"

namespace {

constexpr wchar_t kSystemProcedure[] = L"OrvikSystemDialogProcedure";

ui::Dialog* DialogOf(HWND window) {
  return reinterpret_cast<ui::Dialog*>(GetWindowLongPtrW(window, DWLP_USER));
}

WNDPROC SystemProcedure(HWND window) {
  return reinterpret_cast<WNDPROC>(GetPropW(window, kSystemProcedure));
}

LRESULT CALLBACK MappedProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  ui::Dialog* dialog = DialogOf(window);
  const WNDPROC system = SystemProcedure(window);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(system));
    RemovePropW(window, kSystemProcedure);
    SetWindowLongPtrW(window, DWLP_USER, 0);
    if (dialog != nullptr) dialog->AttachWindow({});
    return CallWindowProcW(system, window, message, wParam, lParam);
  }
  if (dialog == nullptr) return CallWindowProcW(system, window, message, wParam, lParam);
  return dialog->Dispatch(message, static_cast<ui::WParam>(wParam),
                          static_cast<ui::LParam>(lParam));
}

INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_INITDIALOG) return FALSE;
  auto* dialog = reinterpret_cast<ui::Dialog*>(lParam);
  SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(dialog));
  const auto system =
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MappedProcedure));
  SetPropW(window, kSystemProcedure, reinterpret_cast<HANDLE>(system));
  dialog->AttachWindow({window});
  return dialog->Dispatch(ui::kWmInitDialog, static_cast<ui::WParam>(wParam), 0) != 0;
}

}  // namespace

namespace ui {

std::intptr_t Dialog::DoModal() {
  // Owned by the thread's active window, as the framework's modal dialogs are: it takes
  // no input until this one ends.
  return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_),
                         GetActiveWindow(), DialogProcedure, reinterpret_cast<LPARAM>(this));
}

void Dialog::EndDialog(int result) {
  ::EndDialog(static_cast<HWND>(window_.value), result);
}

Result Dialog::Default(Message message, WParam wParam, LParam lParam) {
  const auto window = static_cast<HWND>(window_.value);
  return CallWindowProcW(SystemProcedure(window), window, message, static_cast<WPARAM>(wParam),
                         static_cast<LPARAM>(lParam));
}

}  // namespace ui
