#include "discovery/device_table.h"

DeviceTableRecord DeviceTable;

namespace {

std::wstring& PathField(DeviceRecord& record, InterfaceRole role) {
  switch (role) {
    case InterfaceRole::ota:
      return record.otaPath;
    case InterfaceRole::identity:
      return record.identityPath;
    case InterfaceRole::output:
      break;
  }
  return record.outputPath;
}

std::uint8_t FlagOf(InterfaceRole role) {
  return role == InterfaceRole::identity ? kFlagIdentity : kFlagOtaOrOutput;
}

}  // namespace

void ClearDeviceTable() {
  DeviceTable.records.fill(DeviceRecord{});
  DeviceTable.deviceCount = 0;
}

void SetWantedIds(std::uint16_t vendorId, std::uint16_t mouseProductId,
                  std::uint16_t receiverProductId) {
  DeviceTable.wantedVendorId = vendorId;
  DeviceTable.wantedMouseProductId = mouseProductId;
  DeviceTable.wantedReceiverProductId = receiverProductId;
}

std::optional<std::size_t> FindDeviceSlot(const std::wstring& groupId) {
  for (std::size_t slot = 0; slot < DeviceTable.deviceCount; ++slot) {
    const auto& record = DeviceTable.records[slot];
    if (record.inUse && record.groupId == groupId) return slot;
  }
  return std::nullopt;
}

std::size_t OpenDeviceSlot(const std::wstring& groupId, InterfaceRole role,
                           const std::wstring& path, std::uint16_t vendorId,
                           std::uint16_t productId) {
  const std::size_t slot = DeviceTable.deviceCount;
  auto& record = DeviceTable.records[slot];
  record.inUse = 1;
  record.groupId = groupId;
  record.vendorId = vendorId;
  record.productId = productId;
  AddInterfaceToSlot(slot, role, path);
  ++DeviceTable.deviceCount;
  return slot;
}

void AddInterfaceToSlot(std::size_t slot, InterfaceRole role, const std::wstring& path) {
  auto& record = DeviceTable.records[slot];
  record.interfaceFlags = static_cast<std::uint8_t>(record.interfaceFlags | FlagOf(role));
  PathField(record, role) = path;
}
