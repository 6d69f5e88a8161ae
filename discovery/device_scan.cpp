#include "discovery/device_scan.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "discovery/device_table.h"
#include "discovery/grouping_id.h"
#include "discovery/identity_query.h"
#include "platform/hid_enum.h"
#include "update/upgrade_state.h"

namespace {

constexpr std::uint16_t kVendorId = 0x093A;
constexpr std::uint16_t kMouseProductId = 0x622C;
constexpr std::uint16_t kReceiverProductId = 0x522C;
constexpr std::uint16_t kBootModeProductId = 0x9999;

constexpr std::uint16_t kOtaUsage = 1;
constexpr std::uint16_t kOutputUsage = 1;
constexpr std::uint16_t kIdentityUsage = 4;
constexpr std::uint16_t kIdentityPage = 0xFF05;

constexpr std::size_t kPropertyKeyCapacity = 128;
constexpr std::size_t kPropertyValueBytes = 2048;

// Where the two modes differ.
struct ModeIds {
  std::uint16_t receiverProductId;
  std::uint16_t outputPage;
  std::uint16_t otaPage;
};

constexpr ModeIds IdsOf(ScanMode mode) {
  return mode == ScanMode::Normal ? ModeIds{kReceiverProductId, 0xFF05, 0xFF00}
                                  : ModeIds{kBootModeProductId, 0xFF01, 0xFF01};
}

struct Scan {
  hid::InterfaceSet set;
  ModeIds ids;
  bool otaSeen = false;
};

// The interface being examined.
struct Interface {
  std::uint32_t memberIndex = 0;
  std::wstring path;
  hid::Attributes attributes;
};

// The query handle and parsed descriptor of one interface, released on every way out.
struct QueryResources {
  QueryResources() = default;
  QueryResources(const QueryResources&) = delete;
  QueryResources& operator=(const QueryResources&) = delete;
  ~QueryResources() { Release(); }

  void Release() {
    hid::FreeParsedData(parsed);
    hid::Close(handle);
  }

  hid::Handle handle = hid::kInvalidHandle;
  hid::ParsedData parsed = hid::kNoParsedData;
};

// Nullopt when the device node's property keys cannot be read; empty when no property
// value names a USB device or the one that does lacks the separators.
std::optional<std::wstring> DeriveGroupingId(const Scan& scan, const Interface& candidate) {
  std::array<hid::PropertyKey, kPropertyKeyCapacity> keys{};
  if (!hid::GetDevicePropertyKeys(scan.set, candidate.memberIndex, keys)) return std::nullopt;
  // Zeroed once for all keys: a short value read after a longer one keeps that one's tail
  // beyond its terminator.
  std::array<std::uint8_t, kPropertyValueBytes> value{};
  for (const auto& key : keys) {
    if (key.id == 0) continue;
    if (!hid::GetDeviceProperty(scan.set, candidate.memberIndex, key, value)) continue;
    const std::wstring text = PropertyText(value);
    if (text.find(L"USB") == std::wstring::npos) continue;
    return CutGroupingId(text);
  }
  return std::wstring{};
}

// A device not yet in the table gets a slot only while one is free; a grouping id too
// long for the record is refused rather than cut into another device's id.
bool MayOpenSlot(const std::wstring& groupId) {
  return DeviceTable.deviceCount < kDeviceSlots && groupId.size() <= kMaxDeviceTextLength;
}

void RecordRole(const std::wstring& groupId, InterfaceRole role, const Interface& candidate) {
  if (DeviceTable.deviceCount == 0 && groupId.empty()) return;
  if (const auto slot = FindDeviceSlot(groupId)) {
    AddInterfaceToSlot(*slot, role, candidate.path);
    return;
  }
  if (!MayOpenSlot(groupId)) return;
  OpenDeviceSlot(groupId, role, candidate.path, candidate.attributes.vendorId,
                 candidate.attributes.productId);
}

// Asks the device what it is; deviceKind is set whatever the answer, model and sensor only
// from a successful query.
void RunIdentityStep(std::size_t slot, const Interface& candidate) {
  auto& record = DeviceTable.records[slot];
  const std::uint16_t productId = candidate.attributes.productId;
  if (productId == DeviceTable.wantedReceiverProductId) {
    record.deviceKind = kKindReceiver;
    std::uint8_t model = 0;
    if (QueryReceiverIdentity(candidate.path, model)) record.model = model;
  } else if (productId == DeviceTable.wantedMouseProductId) {
    record.deviceKind = kKindMouse;
    std::uint8_t model = 0;
    std::uint8_t sensor = 0;
    if (QueryMouseIdentity(candidate.path, model, sensor)) {
      record.model = model;
      record.sensor = sensor;
    }
  }
}

void RecordIdentity(const std::wstring& groupId, const Interface& candidate) {
  if (DeviceTable.deviceCount == 0 && groupId.empty()) return;
  std::size_t slot = 0;
  if (const auto found = FindDeviceSlot(groupId)) {
    slot = *found;
    AddInterfaceToSlot(slot, InterfaceRole::identity, candidate.path);
  } else {
    if (!MayOpenSlot(groupId)) return;
    slot = OpenDeviceSlot(groupId, InterfaceRole::identity, candidate.path,
                          candidate.attributes.vendorId, candidate.attributes.productId);
  }
  RunIdentityStep(slot, candidate);
}

// An interface without feature values counts only as an output interface.
void ExamineOutputCandidate(const Scan& scan, const Interface& candidate,
                            const hid::TopLevelCaps& caps, QueryResources& resources) {
  if (caps.usage != kOutputUsage || caps.usagePage != scan.ids.outputPage) return;
  const auto groupId = DeriveGroupingId(scan, candidate);
  if (!groupId) return;
  std::uint16_t count = 0;
  if (hid::GetFeatureValueCaps(resources.parsed, {}, count) ==
      hid::ParserStatus::invalidPreparsedData) {
    return;
  }
  RecordRole(*groupId, InterfaceRole::output, candidate);
}

void ExamineValueCandidates(Scan& scan, const Interface& candidate, const hid::TopLevelCaps& caps,
                            QueryResources& resources) {
  std::vector<hid::ValueCaps> values(caps.numberFeatureValueCaps);
  std::uint16_t count = caps.numberFeatureValueCaps;
  if (hid::GetFeatureValueCaps(resources.parsed, values, count) ==
      hid::ParserStatus::invalidPreparsedData) {
    return;
  }
  count = std::min(count, caps.numberFeatureValueCaps);
  resources.Release();
  for (std::size_t j = 0; j < count; ++j) {
    const auto groupId = DeriveGroupingId(scan, candidate);
    if (!groupId) continue;
    const auto& value = values[j];
    if (value.usage == kOtaUsage && value.usagePage == scan.ids.otaPage) {
      scan.otaSeen = true;
      RecordRole(*groupId, InterfaceRole::ota, candidate);
    } else if (value.usage == kIdentityUsage && value.usagePage == kIdentityPage) {
      // The identity value ends the look at this interface, whatever follows it.
      RecordIdentity(*groupId, candidate);
      return;
    }
  }
}

enum class Outcome { nextInterface, endScan };

Outcome ExamineInterface(Scan& scan, std::uint32_t memberIndex) {
  const auto detail = hid::ReadInterfaceDetail(scan.set, memberIndex);
  if (detail.status == hid::DetailStatus::outOfMemory) return Outcome::endScan;
  // A path too long for the record would name another device once cut.
  if (detail.status != hid::DetailStatus::ok || detail.path.size() > kMaxDeviceTextLength) {
    return Outcome::nextInterface;
  }
  Interface candidate{memberIndex, detail.path, {}};
  QueryResources resources;
  resources.handle = hid::OpenForQuery(candidate.path);
  if (resources.handle == hid::kInvalidHandle) return Outcome::nextInterface;
  if (!hid::GetAttributes(resources.handle, candidate.attributes)) return Outcome::nextInterface;
  const auto& ids = candidate.attributes;
  if (ids.vendorId != DeviceTable.wantedVendorId ||
      (ids.productId != DeviceTable.wantedMouseProductId &&
       ids.productId != DeviceTable.wantedReceiverProductId)) {
    return Outcome::nextInterface;
  }
  if (!hid::GetParsedData(resources.handle, resources.parsed)) return Outcome::nextInterface;
  hid::TopLevelCaps caps;
  if (hid::GetCaps(resources.parsed, caps) == hid::ParserStatus::invalidPreparsedData) {
    return Outcome::nextInterface;
  }
  if (caps.numberFeatureValueCaps == 0) {
    ExamineOutputCandidate(scan, candidate, caps, resources);
  } else {
    ExamineValueCandidates(scan, candidate, caps, resources);
  }
  return Outcome::nextInterface;
}

}  // namespace

bool ScanDevices(ScanMode mode) {
  CloseIdentityHandles();
  ClearDeviceTable();
  UpgradeState.currentDevicePath.clear();
  const ModeIds ids = IdsOf(mode);
  SetWantedIds(kVendorId, kMouseProductId, ids.receiverProductId);

  Scan scan{hid::OpenPresentInterfaces(), ids};
  if (scan.set == hid::kInvalidInterfaceSet) return false;
  bool complete = true;
  for (std::uint32_t memberIndex = 0; hid::InterfaceExists(scan.set, memberIndex); ++memberIndex) {
    if (ExamineInterface(scan, memberIndex) == Outcome::endScan) {
      complete = false;
      break;
    }
  }
  hid::CloseInterfaceSet(scan.set);
  return complete && mode == ScanMode::Check && scan.otaSeen;
}
