// WM_DEVICECHANGE of the main dialog: USB device interfaces arriving and leaving only
// set and clear flags of UpgradeState, for the result display and the worker to act on.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/ui/messages.h"

inline constexpr ui::WParam kDbtDeviceArrival = 0x8000;
inline constexpr ui::WParam kDbtDeviceRemoveComplete = 0x8004;

inline constexpr std::u16string_view kMouseNamePattern = u"VID_093a&PID_622c";
inline constexpr std::u16string_view kReceiverNamePattern = u"VID_093a&PID_522c";
inline constexpr std::u16string_view kBootDeviceNamePattern = u"VID_093a&PID_9999";

// The device-interface name of an arrival or removal broadcast, read only within the
// size the broadcast gives; nullopt for every other event and every other broadcast.
std::optional<std::u16string> BroadcastInterfaceName(ui::WParam event, ui::LParam broadcast);

// Whether the pattern stands anywhere in the name, letter case ignored.
bool NameContains(std::u16string_view name, std::u16string_view pattern);

// Answers every notification with 1.
ui::Result WatchDeviceArrival(ui::WParam event, ui::LParam broadcast);
