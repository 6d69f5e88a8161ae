// The simulated machine's enumeration: snapshots, device layouts with Windows-style ids,
// and calls that behave as the HID class driver and the device manager do.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "discovery/grouping_id.h"
#include "discovery_fixture.h"
#include "platform/hid_enum.h"
#include "platform/sim/device_layouts.h"

namespace {

using discovery_testing::DiscoveryTest;
using sim::InterfaceRole;

std::wstring ValueText(const sim::HidInterfaceDescription& description,
                       const hid::PropertyKey& key) {
  for (const auto& property : description.properties) {
    if (property.key == key) return PropertyText(property.value);
  }
  return {};
}

// In the pattern '~' stands for an upper-case hex digit, '^' for a lower-case one.
bool Matches(std::wstring_view text, std::wstring_view pattern) {
  if (text.size() != pattern.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    const bool digit = c >= L'0' && c <= L'9';
    const bool matches = pattern[i] == L'~'   ? digit || (c >= L'A' && c <= L'F')
                         : pattern[i] == L'^' ? digit || (c >= L'a' && c <= L'f')
                                              : c == pattern[i];
    if (!matches) return false;
  }
  return true;
}

class SimEnumeration : public DiscoveryTest {
 protected:
  // The paths of a fresh snapshot, in enumeration order.
  static std::vector<std::wstring> EnumeratedPaths() {
    std::vector<std::wstring> paths;
    auto set = hid::OpenPresentInterfaces();
    for (std::uint32_t i = 0; hid::InterfaceExists(set, i); ++i) {
      paths.push_back(hid::ReadInterfaceDetail(set, i).path);
    }
    hid::CloseInterfaceSet(set);
    return paths;
  }
};

TEST_F(SimEnumeration, MouseIsACompositeDeviceWithWindowsStyleIds) {
  const auto mouse = sim::MakeMouse(2);
  EXPECT_TRUE(Matches(mouse.instanceId, LR"(USB\VID_093A&PID_622C\6&~~~~~~~~&0&2)"));
  ASSERT_EQ(mouse.interfaces.size(), 5u);
  EXPECT_TRUE(Matches(mouse.Interface(InterfaceRole::ota).path,
                      LR"(\\?\hid#vid_093a&pid_622c&mi_01&col02#8&^^^^^^^^&0&0001#)"
                      LR"({4d1e55b2-f16f-11cf-88cb-001111000030})"));
  EXPECT_TRUE(Matches(ValueText(mouse.interfaces[0], sim::property_keys::kParent),
                      LR"(USB\VID_093A&PID_622C&MI_00\7&~~~~~~~~&0&0000)"));
  const auto& identity = mouse.Interface(InterfaceRole::identity);
  EXPECT_TRUE(Matches(ValueText(identity, sim::property_keys::kParent),
                      LR"(USB\VID_093A&PID_622C&MI_01\7&~~~~~~~~&0&0001)"));
  EXPECT_TRUE(Matches(ValueText(identity, sim::property_keys::kInstanceId),
                      LR"(HID\VID_093A&PID_622C&MI_01&COL03\8&~~~~~~~~&0&0002)"));
  EXPECT_EQ(ValueText(identity, sim::property_keys::kHardwareIds),
            L"HID\\VID_093A&PID_622C&REV_0100&MI_01&Col03");
  // Both USB interfaces share the grouping part of their parents' ids.
  EXPECT_EQ(CutGroupingId(ValueText(mouse.interfaces[0], sim::property_keys::kParent)),
            CutGroupingId(ValueText(identity, sim::property_keys::kParent)));
}

TEST_F(SimEnumeration, ABootModeReceiverKeepsThePortsIdUnderItsNewProduct) {
  const auto receiver = sim::MakeReceiver(3);
  const auto boot = sim::MakeBootModeReceiver(3);
  EXPECT_TRUE(Matches(receiver.instanceId, LR"(USB\VID_093A&PID_522C\5&~~~~~~~~&0&3)"));
  EXPECT_EQ(boot.instanceId.substr(0, 22), L"USB\\VID_093A&PID_9999\\");
  EXPECT_EQ(receiver.instanceId.substr(22), boot.instanceId.substr(22));
  EXPECT_EQ(ValueText(boot.interfaces[0], sim::property_keys::kParent), boot.instanceId);
  EXPECT_NE(receiver.Interface(InterfaceRole::ota).path, boot.Interface(InterfaceRole::ota).path);
  EXPECT_NE(sim::MakeReceiver(4).instanceId, receiver.instanceId);
  EXPECT_THROW(boot.Interface(InterfaceRole::identity), std::out_of_range);
}

TEST_F(SimEnumeration, SnapshotsListPresentInterfacesInArrivalOrder) {
  const auto mouse = sim::MakeMouse(1);
  const auto receiver = sim::MakeReceiver(2);
  sim::PlugUsbDevice(mouse);
  sim::PlugUsbDevice(receiver);
  // A bare report endpoint is not enumerated.
  sim::PlugInterface(kOtaPath, std::make_shared<sim::HidInterfaceModel>());
  auto paths = EnumeratedPaths();
  ASSERT_EQ(paths.size(), 10u);
  EXPECT_EQ(paths[0], mouse.interfaces[0].path);
  EXPECT_EQ(paths[5], receiver.interfaces[0].path);

  // Swapping the receiver for its boot-mode self: the old interfaces leave, the new come last.
  sim::UnplugUsbDevice(receiver);
  const auto boot = sim::MakeBootModeReceiver(2);
  sim::PlugUsbDevice(boot);
  paths = EnumeratedPaths();
  ASSERT_EQ(paths.size(), 7u);
  EXPECT_EQ(paths[5], boot.interfaces[0].path);

  sim::ResetBus();
  EXPECT_TRUE(EnumeratedPaths().empty());
}

TEST_F(SimEnumeration, ASnapshotKeepsWhatWasPresentWhenItWasTaken) {
  const auto mouse = sim::MakeMouse(1);
  sim::PlugUsbDevice(mouse);
  auto set = hid::OpenPresentInterfaces();
  sim::PlugUsbDevice(sim::MakeReceiver(2));
  sim::UnplugInterface(mouse.Interface(InterfaceRole::ota).path);
  EXPECT_FALSE(hid::InterfaceExists(set, 5));
  const auto detail = hid::ReadInterfaceDetail(set, 2);
  ASSERT_EQ(detail.status, hid::DetailStatus::ok);
  EXPECT_EQ(detail.path, mouse.Interface(InterfaceRole::ota).path);
  // The interface itself is gone.
  EXPECT_EQ(hid::OpenForQuery(detail.path), hid::kInvalidHandle);
  hid::CloseInterfaceSet(set);
  EXPECT_EQ(set, hid::kInvalidInterfaceSet);
}

TEST_F(SimEnumeration, QueryHandlesReadTheDescriptorAndStaleOnesReadNothing) {
  const auto receiver = sim::MakeReceiver(1);
  sim::PlugUsbDevice(receiver);
  const auto& ota = receiver.Interface(InterfaceRole::ota);
  auto handle = hid::OpenForQuery(ota.path);
  hid::Attributes attributes;
  ASSERT_TRUE(hid::GetAttributes(handle, attributes));
  EXPECT_EQ(attributes.vendorId, 0x093A);
  EXPECT_EQ(attributes.productId, 0x522C);
  hid::ParsedData parsed;
  ASSERT_TRUE(hid::GetParsedData(handle, parsed));
  hid::TopLevelCaps caps;
  EXPECT_EQ(hid::GetCaps(parsed, caps), hid::ParserStatus::success);
  EXPECT_EQ(caps.usagePage, 0xFF00);
  EXPECT_EQ(caps.usage, 1);
  EXPECT_EQ(caps.numberFeatureValueCaps, 1);
  std::uint16_t count = 0;
  EXPECT_EQ(hid::GetFeatureValueCaps(parsed, {}, count), hid::ParserStatus::bufferTooSmall);
  EXPECT_EQ(count, 0);
  hid::FreeParsedData(parsed);
  EXPECT_EQ(parsed, hid::kNoParsedData);
  EXPECT_EQ(hid::GetCaps(parsed, caps), hid::ParserStatus::invalidPreparsedData);

  // Plugged in again, the device is another one for the old handles, same models or not.
  const auto& identityPath = receiver.Interface(InterfaceRole::identity).path;
  auto writer = hid::Open(identityPath, hid::Access::write);
  const std::array<std::uint8_t, 9> request = {0x09, 0x8F};
  EXPECT_TRUE(hid::SetFeature(writer, request));
  sim::UnplugUsbDevice(receiver);
  sim::PlugUsbDevice(receiver);
  EXPECT_FALSE(hid::GetAttributes(handle, attributes));
  EXPECT_FALSE(hid::GetParsedData(handle, parsed));
  EXPECT_FALSE(hid::SetFeature(writer, request));
  hid::Close(handle);
  hid::Close(writer);
}

TEST_F(SimEnumeration, PropertyCallsNeedTheDetailAndFitTheirBuffers) {
  auto receiver = sim::MakeReceiver(1);
  auto& pointer = receiver.interfaces[0];
  pointer.properties = {{sim::property_keys::kDeviceDesc, sim::TextValue(L"abc")},
                        {sim::property_keys::kParent, std::vector<std::uint8_t>(40, 'q')}};
  sim::PlugUsbDevice(receiver);
  auto set = hid::OpenPresentInterfaces();
  std::array<hid::PropertyKey, 2> keys{};
  EXPECT_FALSE(hid::GetDevicePropertyKeys(set, 0, keys));  // no detail read yet
  ASSERT_EQ(hid::ReadInterfaceDetail(set, 0).status, hid::DetailStatus::ok);
  ASSERT_TRUE(hid::GetDevicePropertyKeys(set, 0, keys));
  EXPECT_EQ(keys[1], sim::property_keys::kParent);
  std::array<hid::PropertyKey, 1> tooFew{};
  EXPECT_FALSE(hid::GetDevicePropertyKeys(set, 0, tooFew));

  std::array<std::uint8_t, 40> value{};
  value.fill(0xEE);
  ASSERT_TRUE(hid::GetDeviceProperty(set, 0, sim::property_keys::kDeviceDesc, value));
  EXPECT_EQ(value[7], 0);     // the terminator
  EXPECT_EQ(value[8], 0xEE);  // beyond the value
  EXPECT_TRUE(hid::GetDeviceProperty(set, 0, sim::property_keys::kParent, value));
  std::array<std::uint8_t, 39> small{};
  EXPECT_FALSE(hid::GetDeviceProperty(set, 0, sim::property_keys::kParent, small));
  EXPECT_FALSE(hid::GetDeviceProperty(set, 0, sim::property_keys::kClass, value));
  hid::CloseInterfaceSet(set);
}

TEST_F(SimEnumeration, DetailFaultsAndFailingSets) {
  auto mouse = sim::MakeMouse(1);
  mouse.interfaces[0].faults.failDetail = true;
  mouse.interfaces[1].faults.failDetailAllocation = true;
  sim::PlugUsbDevice(mouse);
  auto set = hid::OpenPresentInterfaces();
  EXPECT_EQ(hid::ReadInterfaceDetail(set, 0).status, hid::DetailStatus::unavailable);
  EXPECT_EQ(hid::ReadInterfaceDetail(set, 1).status, hid::DetailStatus::outOfMemory);
  EXPECT_EQ(hid::ReadInterfaceDetail(set, 5).status, hid::DetailStatus::unavailable);
  hid::CloseInterfaceSet(set);
  sim::FailInterfaceSets(true);
  EXPECT_EQ(hid::OpenPresentInterfaces(), hid::kInvalidInterfaceSet);
  sim::ResetBus();
  set = hid::OpenPresentInterfaces();
  EXPECT_NE(set, hid::kInvalidInterfaceSet);
  hid::CloseInterfaceSet(set);
}

TEST_F(SimEnumeration, TextValuesAreUtf16WithTerminators) {
  EXPECT_EQ(sim::TextValue(L"A"), (std::vector<std::uint8_t>{'A', 0, 0, 0}));
  EXPECT_EQ(sim::MultiTextValue({L"A", L"B"}),
            (std::vector<std::uint8_t>{'A', 0, 0, 0, 'B', 0, 0, 0, 0, 0}));
  EXPECT_EQ(sim::TextValue(L"\u4E2D"), (std::vector<std::uint8_t>{0x2D, 0x4E, 0, 0}));
}

}  // namespace
