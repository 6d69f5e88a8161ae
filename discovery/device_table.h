// The physical devices the last scan found, one record per device, keyed by the grouping
// id its interfaces share. The scan is the table's only writer.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

inline constexpr std::size_t kDeviceSlots = 30;
// Every text of a record holds at most this many code units (260 with the terminator).
inline constexpr std::size_t kMaxDeviceTextLength = 259;

enum : std::uint8_t {
  kFlagOtaOrOutput = 0x01,  // an OTA or output interface was recorded
  kFlagIdentity = 0x02,     // an identity interface was recorded
};

enum : std::uint8_t {
  kKindNone = 0,
  kKindMouse = 1,
  kKindReceiver = 2,
};

enum class InterfaceRole { ota, identity, output };

struct DeviceRecord {
  std::int32_t inUse = 0;
  std::uint8_t interfaceFlags = 0;
  std::wstring groupId;
  std::wstring otaPath;
  std::wstring identityPath;
  std::wstring outputPath;
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::uint8_t deviceKind = kKindNone;
  std::uint8_t model = 0;
  std::uint8_t sensor = 0;
  friend bool operator==(const DeviceRecord&, const DeviceRecord&) = default;
};

struct DeviceTableRecord {
  // Slots 0 to deviceCount - 1 are in use; the others are entirely zero.
  std::array<DeviceRecord, kDeviceSlots> records{};
  std::uint8_t deviceCount = 0;
  std::uint16_t wantedVendorId = 0;
  std::uint16_t wantedMouseProductId = 0;
  std::uint16_t wantedReceiverProductId = 0;
};

extern DeviceTableRecord DeviceTable;

// All slots free, deviceCount 0; the wanted ids stay.
void ClearDeviceTable();
void SetWantedIds(std::uint16_t vendorId, std::uint16_t mouseProductId,
                  std::uint16_t receiverProductId);
// The first slot in use whose groupId equals the text code unit by code unit.
std::optional<std::size_t> FindDeviceSlot(const std::wstring& groupId);
// Opens slot deviceCount for a device first seen through an interface of the role, and
// counts it. The caller makes sure a slot is free and the texts fit.
std::size_t OpenDeviceSlot(const std::wstring& groupId, InterfaceRole role,
                           const std::wstring& path, std::uint16_t vendorId,
                           std::uint16_t productId);
// Records a further interface of the device in the slot, replacing the role's path.
void AddInterfaceToSlot(std::size_t slot, InterfaceRole role, const std::wstring& path);
