// The two dialog templates as the program's window is meant to show them: every control
// with its id, class, text, place, size and styles, in template (and tab) order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace app_testing {

inline constexpr std::uint32_t kWsPopup = 0x80000000;
inline constexpr std::uint32_t kWsChild = 0x40000000;
inline constexpr std::uint32_t kWsVisible = 0x10000000;
inline constexpr std::uint32_t kWsCaption = 0x00C00000;
inline constexpr std::uint32_t kWsBorder = 0x00800000;
inline constexpr std::uint32_t kWsSysMenu = 0x00080000;
inline constexpr std::uint32_t kWsThickFrame = 0x00040000;
inline constexpr std::uint32_t kWsGroup = 0x00020000;
inline constexpr std::uint32_t kWsTabStop = 0x00010000;
inline constexpr std::uint32_t kDsModalFrame = 0x80;
inline constexpr std::uint32_t kDsSetFont = 0x40;
inline constexpr std::uint32_t kDsFixedSys = 0x08;
inline constexpr std::uint32_t kWsExAppWindow = 0x00040000;
inline constexpr std::uint32_t kWsExRight = 0x00001000;
inline constexpr std::uint32_t kEsCenter = 0x0001;
inline constexpr std::uint32_t kEsAutoHScroll = 0x0080;
inline constexpr std::uint32_t kEsReadOnly = 0x0800;
inline constexpr std::uint32_t kBsDefPushButton = 0x0001;
inline constexpr std::uint32_t kSsIcon = 0x0003;
inline constexpr std::uint32_t kSsNoPrefix = 0x0080;

struct ControlRow {
  int id;
  std::wstring className;
  std::wstring text;  // for an icon static: empty, the icon id in iconId
  int x, y, cx, cy;
  std::uint32_t style;  // WS_CHILD and WS_VISIBLE included
  std::uint32_t exStyle;
  int iconId = 0;
};

struct DialogRow {
  std::wstring caption;
  int cx, cy;
  std::uint32_t style;
  std::uint32_t exStyle;
  std::vector<ControlRow> controls;
};

inline const DialogRow& MainWindowTable() {
  constexpr std::uint32_t kBase = kWsChild | kWsVisible;
  constexpr std::uint32_t kPush = kBase | kWsTabStop;
  constexpr std::uint32_t kBar = kBase | kWsBorder;
  constexpr std::uint32_t kBox =
      kBase | kWsBorder | kWsTabStop | kEsReadOnly | kEsAutoHScroll | kEsCenter;
  static const DialogRow table{
      L"Talvex-Varno系列鼠标升级包(1.3.8.3.6.3)-kx5107",
      409,
      224,
      kWsPopup | kWsVisible | kWsCaption | kWsSysMenu | kWsThickFrame | kDsSetFont | kDsFixedSys,
      kWsExAppWindow,
      {
          {2, L"Button", L"取消", 132, 204, 96, 18, kPush, 0},
          {1000, L"Button", L"鼠标升级", 6, 6, 60, 24, kPush, 0},
          {1001, L"msctls_progress32", L"", 79, 12, 294, 14, kBar, 0},
          {1002, L"Button", L"1K接收器升级", 6, 48, 60, 24, kPush, 0},
          {1003, L"msctls_progress32", L"", 79, 54, 294, 14, kBar, 0},
          {1004, L"Button", L"8K接收器升级", 6, 90, 60, 24, kPush, 0},
          {1005, L"msctls_progress32", L"", 79, 96, 266, 14, kBar, 0},
          {1007, L"Edit", L"", 24, 114, 366, 42, kBox, kWsExRight},
          {1008, L"Edit", L"", 6, 162, 396, 36, kBox, 0},
          {1009, L"Button", L"check", 352, 96, 50, 14, kPush, 0},
      }};
  return table;
}

inline const DialogRow& AboutBoxTable() {
  constexpr std::uint32_t kBase = kWsChild | kWsVisible;
  static const DialogRow table{
      L"关于 ORVIK-OTA-TOOLS",
      170,
      62,
      kWsPopup | kWsCaption | kWsSysMenu | kDsModalFrame | kDsSetFont | kDsFixedSys,
      0,
      {
          {-1, L"Static", L"", 14, 14, 21, 20, kBase | kSsIcon, 0, 128},
          {-1, L"Static", L"ORVIK-OTA-TOOLS，1.0 版", 42, 14, 114, 8,
           kBase | kSsNoPrefix | kWsGroup, 0},
          {-1, L"Static", L"Copyright (C) 2026", 42, 26, 114, 8, kBase | kWsGroup, 0},
          {1, L"Button", L"确定", 113, 41, 50, 14, kBase | kBsDefPushButton | kWsGroup | kWsTabStop,
           0},
      }};
  return table;
}

inline const std::wstring kNoticeText =
    L"升级过程中请不要拔出当前升级的鼠标/接收器，直到升级成功。";

// Class names compare without regard to letter case, as the system compares them.
inline std::wstring FoldedClass(const std::wstring& name) {
  std::wstring out;
  for (wchar_t c : name)
    out.push_back(c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c);
  return out;
}

}  // namespace app_testing
