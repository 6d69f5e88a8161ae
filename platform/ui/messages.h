// The window messages, notification codes and command ids the framework and the
// program exchange, with the values the system gives them.
#pragma once

#include <cstdint>

namespace ui {

using Message = std::uint32_t;
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using Result = std::intptr_t;

inline constexpr Message kWmCreate = 0x0001;
inline constexpr Message kWmDestroy = 0x0002;
inline constexpr Message kWmSetText = 0x000C;
inline constexpr Message kWmPaint = 0x000F;
inline constexpr Message kWmClose = 0x0010;
inline constexpr Message kWmQueryDragIcon = 0x0037;
inline constexpr Message kWmSetFont = 0x0030;
inline constexpr Message kWmGetFont = 0x0031;
inline constexpr Message kWmIconEraseBkgnd = 0x0027;
inline constexpr Message kWmSetIcon = 0x0080;
inline constexpr Message kWmInitDialog = 0x0110;
inline constexpr Message kWmCommand = 0x0111;
inline constexpr Message kWmSysCommand = 0x0112;
inline constexpr Message kWmDeviceChange = 0x0219;
inline constexpr Message kWmUser = 0x0400;

// Progress bar messages.
inline constexpr Message kPbmSetRange = kWmUser + 1;
inline constexpr Message kPbmSetPos = kWmUser + 2;
inline constexpr Message kPbmGetRange = kWmUser + 7;
inline constexpr Message kPbmGetPos = kWmUser + 8;

// Command ids the system itself uses in dialogs.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

// WM_COMMAND: low word the control id, high word the notification code.
inline constexpr std::uint16_t kBnClicked = 0;

// WM_SYSCOMMAND ids of the system menu; the low four bits are the system's own.
inline constexpr WParam kScClose = 0xF060;
inline constexpr WParam kSystemCommandMask = 0xFFF0;

// WM_SETICON: which of the window's two icons.
inline constexpr WParam kIconSmall = 0;
inline constexpr WParam kIconBig = 1;

// GetSystemMetrics indexes.
inline constexpr int kSmCxIcon = 11;
inline constexpr int kSmCyIcon = 12;

constexpr std::uint16_t LowWord(std::uintptr_t value) {
  return static_cast<std::uint16_t>(value & 0xFFFF);
}
constexpr std::uint16_t HighWord(std::uintptr_t value) {
  return static_cast<std::uint16_t>((value >> 16) & 0xFFFF);
}
constexpr WParam CommandWParam(int id, std::uint16_t code) {
  return (static_cast<WParam>(code) << 16) | static_cast<std::uint16_t>(id);
}

}  // namespace ui
