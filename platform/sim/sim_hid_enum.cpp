// hid_enum.h on the simulated bus: snapshots of the described interfaces.
#include <algorithm>
#include <map>
#include <mutex>

#include "platform/hid_enum.h"
#include "platform/sim/described_interfaces.h"

namespace sim {
namespace {

using Description = std::shared_ptr<const HidInterfaceDescription>;

struct Snapshot {
  std::vector<Description> members;
  // A member's device node is known once its detail was read.
  std::vector<bool> detailRead;
};

struct Enumeration {
  std::mutex mutex;
  std::map<std::intptr_t, Snapshot> sets;
  std::map<std::intptr_t, Description> parsed;
  std::intptr_t nextId = 0x1000;
  bool failSets = false;
};

Enumeration& TheEnumeration() {
  static Enumeration enumeration;
  return enumeration;
}

// The member of the set, or null; the caller holds the lock.
const Snapshot* FindSet(const Enumeration& enumeration, hid::InterfaceSet set) {
  const auto found = enumeration.sets.find(set.value);
  return found == enumeration.sets.end() ? nullptr : &found->second;
}

Description NodeOf(hid::InterfaceSet set, std::uint32_t memberIndex) {
  auto& enumeration = TheEnumeration();
  std::lock_guard lock(enumeration.mutex);
  const auto* snapshot = FindSet(enumeration, set);
  if (!snapshot || memberIndex >= snapshot->members.size() || !snapshot->detailRead[memberIndex]) {
    return nullptr;
  }
  return snapshot->members[memberIndex];
}

Description ParsedDescription(hid::ParsedData data) {
  auto& enumeration = TheEnumeration();
  std::lock_guard lock(enumeration.mutex);
  const auto found = enumeration.parsed.find(data.value);
  return found == enumeration.parsed.end() ? nullptr : found->second;
}

}  // namespace

void ResetEnumeration() {
  auto& enumeration = TheEnumeration();
  std::lock_guard lock(enumeration.mutex);
  enumeration.sets.clear();
  enumeration.parsed.clear();
  enumeration.failSets = false;
}

void FailInterfaceSets(bool fail) {
  auto& enumeration = TheEnumeration();
  std::lock_guard lock(enumeration.mutex);
  enumeration.failSets = fail;
}

std::size_t OpenInterfaceSetCount() {
  auto& enumeration = TheEnumeration();
  std::lock_guard lock(enumeration.mutex);
  return enumeration.sets.size();
}

std::size_t ParsedDataCount() {
  auto& enumeration = TheEnumeration();
  std::lock_guard lock(enumeration.mutex);
  return enumeration.parsed.size();
}

}  // namespace sim

namespace hid {

InterfaceSet OpenPresentInterfaces() {
  auto members = sim::PresentDescribedInterfaces();
  auto& enumeration = sim::TheEnumeration();
  std::lock_guard lock(enumeration.mutex);
  if (enumeration.failSets) return kInvalidInterfaceSet;
  const InterfaceSet set{enumeration.nextId++};
  auto& snapshot = enumeration.sets[set.value];
  snapshot.detailRead.assign(members.size(), false);
  snapshot.members = std::move(members);
  return set;
}

void CloseInterfaceSet(InterfaceSet& set) {
  if (set == kInvalidInterfaceSet) return;
  auto& enumeration = sim::TheEnumeration();
  std::lock_guard lock(enumeration.mutex);
  enumeration.sets.erase(set.value);
  set = kInvalidInterfaceSet;
}

bool InterfaceExists(InterfaceSet set, std::uint32_t memberIndex) {
  auto& enumeration = sim::TheEnumeration();
  std::lock_guard lock(enumeration.mutex);
  const auto* snapshot = sim::FindSet(enumeration, set);
  return snapshot && memberIndex < snapshot->members.size();
}

InterfaceDetail ReadInterfaceDetail(InterfaceSet set, std::uint32_t memberIndex) {
  auto& enumeration = sim::TheEnumeration();
  std::lock_guard lock(enumeration.mutex);
  const auto found = enumeration.sets.find(set.value);
  if (found == enumeration.sets.end() || memberIndex >= found->second.members.size()) return {};
  const auto& member = *found->second.members[memberIndex];
  if (member.faults.failDetailAllocation) return {DetailStatus::outOfMemory, {}};
  if (member.faults.failDetail) return {};
  found->second.detailRead[memberIndex] = true;
  return {DetailStatus::ok, member.path};
}

bool GetAttributes(Handle handle, Attributes& attributes) {
  const auto description = sim::DescriptionBehind(handle);
  if (!description || description->faults.failAttributes) return false;
  attributes = {description->vendorId, description->productId};
  return true;
}

bool GetParsedData(Handle handle, ParsedData& data) {
  auto description = sim::DescriptionBehind(handle);
  if (!description || description->faults.failParsedData) return false;
  auto& enumeration = sim::TheEnumeration();
  std::lock_guard lock(enumeration.mutex);
  data = ParsedData{enumeration.nextId++};
  enumeration.parsed[data.value] = std::move(description);
  return true;
}

void FreeParsedData(ParsedData& data) {
  if (data == kNoParsedData) return;
  auto& enumeration = sim::TheEnumeration();
  std::lock_guard lock(enumeration.mutex);
  enumeration.parsed.erase(data.value);
  data = kNoParsedData;
}

ParserStatus GetCaps(ParsedData data, TopLevelCaps& caps) {
  const auto description = sim::ParsedDescription(data);
  if (!description || description->faults.invalidCaps) return ParserStatus::invalidPreparsedData;
  caps = {description->usage, description->usagePage,
          description->faults.reportedFeatureValueCaps.value_or(
              static_cast<std::uint16_t>(description->featureValues.size()))};
  return ParserStatus::success;
}

ParserStatus GetFeatureValueCaps(ParsedData data, std::span<ValueCaps> caps, std::uint16_t& count) {
  const auto description = sim::ParsedDescription(data);
  if (!description || description->faults.invalidValueCaps) {
    return ParserStatus::invalidPreparsedData;
  }
  const auto& values = description->featureValues;
  const std::size_t written = std::min(values.size(), caps.size());
  std::copy_n(values.begin(), written, caps.begin());
  count = static_cast<std::uint16_t>(description->faults.overstateValueCapsCount ? values.size()
                                                                                 : written);
  if (values.empty()) return ParserStatus::usageNotFound;
  return values.size() > caps.size() ? ParserStatus::bufferTooSmall : ParserStatus::success;
}

bool GetDevicePropertyKeys(InterfaceSet set, std::uint32_t memberIndex,
                           std::span<PropertyKey> keys) {
  const auto node = sim::NodeOf(set, memberIndex);
  if (!node || node->faults.failPropertyKeys) return false;
  if (node->properties.size() > keys.size()) return false;
  std::transform(node->properties.begin(), node->properties.end(), keys.begin(),
                 [](const sim::DeviceProperty& property) { return property.key; });
  return true;
}

bool GetDeviceProperty(InterfaceSet set, std::uint32_t memberIndex, const PropertyKey& key,
                       std::span<std::uint8_t> value) {
  const auto node = sim::NodeOf(set, memberIndex);
  if (!node) return false;
  const auto property =
      std::find_if(node->properties.begin(), node->properties.end(),
                   [&key](const sim::DeviceProperty& candidate) { return candidate.key == key; });
  if (property == node->properties.end() || property->readFails) return false;
  if (property->value.size() > value.size()) return false;
  std::copy(property->value.begin(), property->value.end(), value.begin());
  return true;
}

}  // namespace hid
