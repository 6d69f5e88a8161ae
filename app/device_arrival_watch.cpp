#include "app/device_arrival_watch.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "update/upgrade_state.h"

namespace {

// DEV_BROADCAST_DEVICEINTERFACE: size, device type and a reserved word of 32 bits each,
// the interface class GUID, then the name in UTF-16.
constexpr std::uint32_t kDeviceInterfaceType = 5;
constexpr std::size_t kTypeOffset = 4;
constexpr std::size_t kNameOffset = 28;
// The header and at least one code unit of name.
constexpr std::uint32_t kShortestNamedBroadcast = kNameOffset + 2;

std::uint32_t ReadU32(const std::uint8_t* at) {
  std::uint32_t value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

char16_t FoldCase(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

}  // namespace

std::optional<std::u16string> BroadcastInterfaceName(ui::WParam event, ui::LParam broadcast) {
  if ((event != kDbtDeviceArrival && event != kDbtDeviceRemoveComplete) || broadcast == 0) {
    return std::nullopt;
  }
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(broadcast);
  // Every broadcast starts with its size; shorter ones than a named device interface
  // end before the type would tell anything more.
  const std::uint32_t size = ReadU32(bytes);
  if (size < kShortestNamedBroadcast || ReadU32(bytes + kTypeOffset) != kDeviceInterfaceType) {
    return std::nullopt;
  }
  std::u16string name;
  for (std::size_t at = kNameOffset; at + 2 <= size; at += 2) {
    char16_t unit;
    std::memcpy(&unit, bytes + at, sizeof unit);
    if (unit == 0) break;
    name.push_back(unit);
  }
  return name;
}

bool NameContains(std::u16string_view name, std::u16string_view pattern) {
  return std::search(name.begin(), name.end(), pattern.begin(), pattern.end(),
                     [](char16_t a, char16_t b) { return FoldCase(a) == FoldCase(b); }) !=
         name.end();
}

ui::Result WatchDeviceArrival(ui::WParam event, ui::LParam broadcast) {
  const auto name = BroadcastInterfaceName(event, broadcast);
  if (!name) return 1;
  if (NameContains(*name, kMouseNamePattern) || NameContains(*name, kReceiverNamePattern)) {
    // The table no longer describes the devices; whoever ends the upgrade rescans.
    if (UpgradeState.busy) UpgradeState.deviceListChanged = 1;
    return 1;
  }
  if (event == kDbtDeviceArrival && NameContains(*name, kBootDeviceNamePattern)) {
    if (UpgradeState.awaitingBootDevice) UpgradeState.awaitingBootDevice = 0;
  }
  return 1;
}
