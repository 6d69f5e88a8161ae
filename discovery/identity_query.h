// Asking a device what it is, over feature report 9 with the identity command 0x8F, on
// a handle pair of its own. The request is built in UpgradeState.sendBuffer and the
// answer read into UpgradeState.receiveBuffer; both are cleared first.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/hid.h"

inline constexpr std::size_t kIdentityReportLength = 9;

// Invalid whenever no query runs.
extern hid::Handle identityReadHandle;
extern hid::Handle identityWriteHandle;

// Closes what the identity handles hold, the read handle first.
void CloseIdentityHandles();

// True when the device gave a valid answer with a model of 1 to 5. A valid answer also
// writes sensor (0 to 3), whatever the model; nothing else writes an output.
bool QueryMouseIdentity(std::wstring path, std::uint8_t& model, std::uint8_t& sensor);
// True when the device gave a valid answer naming receiver model 1, 2 or 3, written to model.
bool QueryReceiverIdentity(std::wstring path, std::uint8_t& model);

// The decoding of an answer (report id first), as the queries apply it.
bool DecodeMouseIdentity(std::span<const std::uint8_t, kIdentityReportLength> answer,
                         std::uint8_t& model, std::uint8_t& sensor);
bool DecodeReceiverIdentity(std::span<const std::uint8_t, kIdentityReportLength> answer,
                            std::uint8_t& model);
