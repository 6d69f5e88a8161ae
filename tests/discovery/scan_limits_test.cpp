// The scan at the limits of the table and of its buffers, and under a failure of each
// enumeration call.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "discovery/device_scan.h"
#include "discovery/device_table.h"
#include "discovery_fixture.h"
#include "platform/sim/device_layouts.h"
#include "platform/sim/identity_device.h"

namespace {

using discovery_testing::DiscoveryTest;
using sim::InterfaceRole;

std::shared_ptr<sim::IdentityDevice> Answering(sim::IdentityAnswer answer) {
  return std::make_shared<sim::IdentityDevice>(sim::IdentityDeviceOptions{.answer = answer});
}

// UTF-16LE bytes of the text, without a terminator.
std::vector<std::uint8_t> BareText(std::wstring_view text) {
  auto bytes = sim::TextValue(text);
  bytes.resize(bytes.size() - 2);
  return bytes;
}

void SetProperties(sim::UsbDevice& device, const std::vector<sim::DeviceProperty>& properties) {
  for (auto& description : device.interfaces) description.properties = properties;
}

class ScanLimits : public DiscoveryTest {
 protected:
  static const DeviceRecord& Slot(std::size_t index) { return DeviceTable.records[index]; }
};

TEST_F(ScanLimits, AThirtyFirstDeviceIsIgnoredAndNotAsked) {
  std::vector<std::shared_ptr<sim::IdentityDevice>> identities;
  std::vector<sim::UsbDevice> devices;
  for (int port = 1; port <= 31; ++port) {
    identities.push_back(Answering(sim::ReceiverIdentityAnswer(1, 0)));
    devices.push_back(sim::MakeReceiver(port, {.identity = identities.back()}));
    sim::PlugUsbDevice(devices.back());
  }
  EXPECT_FALSE(ScanDevices(ScanMode::Normal));
  ASSERT_EQ(DeviceTable.deviceCount, 30);
  for (std::size_t slot = 0; slot < 30; ++slot) {
    EXPECT_EQ(Slot(slot).otaPath, devices[slot].Interface(InterfaceRole::ota).path);
    EXPECT_EQ(Slot(slot).model, 1);
    EXPECT_EQ(identities[slot]->RequestsTaken(), 1);
  }
  EXPECT_EQ(identities[30]->RequestsTaken(), 0);
  EXPECT_EQ(Sleeps().size(), 30u);
}

TEST_F(ScanLimits, AnOtaInterfaceBeyondTheTableStillMakesCheckTrue) {
  for (int port = 1; port <= 30; ++port) sim::PlugUsbDevice(sim::MakeMouse(port));
  sim::PlugUsbDevice(sim::MakeBootModeReceiver(31));
  EXPECT_TRUE(ScanDevices(ScanMode::Check));
  ASSERT_EQ(DeviceTable.deviceCount, 30);
  for (const auto& record : DeviceTable.records) EXPECT_EQ(record.productId, 0x622C);
}

TEST_F(ScanLimits, InterfacesOfDevicesAlreadyInAFullTableStillJoinThem) {
  std::vector<sim::UsbDevice> devices;
  for (int port = 1; port <= 30; ++port) {
    devices.push_back(sim::MakeReceiver(port));
    // Only the OTA interface now; the output one comes after the table is full.
    auto ota = devices.back();
    ota.interfaces = {ota.Interface(InterfaceRole::ota)};
    sim::PlugUsbDevice(ota);
  }
  sim::UsbDevice outputs;
  for (const auto& device : devices)
    outputs.interfaces.push_back(device.Interface(InterfaceRole::output));
  sim::PlugUsbDevice(outputs);
  ScanDevices(ScanMode::Normal);
  ASSERT_EQ(DeviceTable.deviceCount, 30);
  EXPECT_EQ(Slot(29).outputPath, devices[29].Interface(InterfaceRole::output).path);
}

struct LengthCase {
  const char* name;
  std::size_t length;
  bool recorded;
};

class PathLengths : public ScanLimits, public ::testing::WithParamInterface<LengthCase> {};

TEST_P(PathLengths, APathTooLongForTheRecordIsPassedOverBeforeAnyOpen) {
  auto mouse = sim::MakeMouse(1);
  auto& ota = mouse.Interface(InterfaceRole::ota);
  ota.path.insert(20, GetParam().length - ota.path.size(), L'x');
  ASSERT_EQ(ota.path.size(), GetParam().length);
  sim::PlugUsbDevice(mouse);
  ScanDevices(ScanMode::Normal);
  ASSERT_EQ(DeviceTable.deviceCount, 1);
  EXPECT_EQ(Slot(0).otaPath, GetParam().recorded ? ota.path : L"");
  EXPECT_EQ(Events("hid_open", ota.path).size(), GetParam().recorded ? 1u : 0u);
  EXPECT_EQ(Slot(0).identityPath, mouse.Interface(InterfaceRole::identity).path);
}

INSTANTIATE_TEST_SUITE_P(Lengths, PathLengths,
                         ::testing::Values(LengthCase{"Fits259", 259, true},
                                           LengthCase{"TooLong260", 260, false},
                                           LengthCase{"TooLong300", 300, false}),
                         discovery_testing::CaseName{});

class GroupingIdLengths : public ScanLimits, public ::testing::WithParamInterface<LengthCase> {};

TEST_P(GroupingIdLengths, AGroupingIdTooLongForTheRecordIsRefused) {
  const std::wstring groupId = L"7&" + std::wstring(GetParam().length - 2, L'G');
  const auto identity = Answering(sim::ReceiverIdentityAnswer(1, 0));
  auto receiver = sim::MakeReceiver(1, {.identity = identity});
  SetProperties(receiver, {{sim::property_keys::kParent,
                            sim::TextValue(L"USB\\VID_093A&PID_522C\\" + groupId + L"&0&2")}});
  sim::PlugUsbDevice(receiver);
  ScanDevices(ScanMode::Normal);
  if (GetParam().recorded) {
    ASSERT_EQ(DeviceTable.deviceCount, 1);
    EXPECT_EQ(Slot(0).groupId, groupId);
  } else {
    EXPECT_EQ(DeviceTable.deviceCount, 0);
  }
  EXPECT_EQ(identity->RequestsTaken(), GetParam().recorded ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Lengths, GroupingIdLengths,
                         ::testing::Values(LengthCase{"Fits259", 259, true},
                                           LengthCase{"TooLong260", 260, false},
                                           LengthCase{"TooLong1000", 1000, false}),
                         discovery_testing::CaseName{});

TEST_F(ScanLimits, TwelveValueCapsAreAllExamined) {
  auto mouse = sim::MakeMouse(1);
  auto& ota = mouse.Interface(InterfaceRole::ota);
  ota.featureValues.assign(11, {0x0001, 0x0030});
  ota.featureValues.push_back({0xFF00, 1});
  auto& identity = mouse.Interface(InterfaceRole::identity);
  identity.featureValues.assign(11, {0xFF05, 0x0005});
  identity.featureValues.push_back({0xFF05, 4});
  sim::PlugUsbDevice(mouse);
  ScanDevices(ScanMode::Normal);
  ASSERT_EQ(DeviceTable.deviceCount, 1);
  EXPECT_EQ(Slot(0).otaPath, ota.path);
  EXPECT_EQ(Slot(0).identityPath, identity.path);
  EXPECT_EQ(Slot(0).model, 2);
}

TEST_F(ScanLimits, AValueCapsCountAboveTheCapacityIsClamped) {
  auto mouse = sim::MakeMouse(1);
  auto& ota = mouse.Interface(InterfaceRole::ota);
  // The caps announce two values, the parser holds three and reports all three.
  ota.featureValues = {{0x0001, 0x0030}, {0x0001, 0x0031}, {0xFF00, 1}};
  ota.faults.reportedFeatureValueCaps = 2;
  ota.faults.overstateValueCapsCount = true;
  sim::PlugUsbDevice(mouse);
  ScanDevices(ScanMode::Normal);
  ASSERT_EQ(DeviceTable.deviceCount, 1);
  EXPECT_EQ(Slot(0).otaPath, L"");
}

class PropertyKeyCounts : public ScanLimits, public ::testing::WithParamInterface<LengthCase> {};

TEST_P(PropertyKeyCounts, MoreThan128KeysMakeTheDeviceNodeUnreadable) {
  auto mouse = sim::MakeMouse(1);
  for (auto& description : mouse.interfaces) {
    // Fillers first, so the parent is the node's last property.
    std::vector<sim::DeviceProperty> properties;
    for (std::size_t i = description.properties.size(); i < GetParam().length; ++i) {
      properties.push_back({{{0x5A}, static_cast<std::uint32_t>(1000 + i)}, sim::TextValue(L"x")});
    }
    properties.insert(properties.end(), description.properties.begin(),
                      description.properties.end());
    description.properties = std::move(properties);
    ASSERT_EQ(description.properties.size(), GetParam().length);
  }
  sim::PlugUsbDevice(mouse);
  ScanDevices(ScanMode::Normal);
  EXPECT_EQ(DeviceTable.deviceCount, GetParam().recorded ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Counts, PropertyKeyCounts,
                         ::testing::Values(LengthCase{"Keys128", 128, true},
                                           LengthCase{"Keys129", 129, false}),
                         discovery_testing::CaseName{});

TEST_F(ScanLimits, AFullBufferWithoutTerminatorIsReadAsText) {
  std::wstring text = L"USB\\VID_093A&PID_522C\\5&ABCDEF&0&2";
  text.resize(1024, L'Z');
  auto receiver = sim::MakeReceiver(1);
  SetProperties(receiver, {{sim::property_keys::kParent, BareText(text)}});
  ASSERT_EQ(receiver.interfaces[0].properties[0].value.size(), 2048u);
  sim::PlugUsbDevice(receiver);
  ScanDevices(ScanMode::Normal);
  ASSERT_EQ(DeviceTable.deviceCount, 1);
  EXPECT_EQ(Slot(0).groupId, L"5&ABCDEF");
}

TEST_F(ScanLimits, AValueLargerThanTheBufferIsSkipped) {
  std::wstring text = L"USB\\VID_093A&PID_522C\\5&ABCDEF&0&2";
  text.resize(1024, L'Z');
  auto receiver = sim::MakeReceiver(1);
  SetProperties(receiver, {{sim::property_keys::kParent, sim::TextValue(text)},
                           {sim::property_keys::kInstanceId, sim::TextValue(L"USB\\A\\2&B&C")}});
  ASSERT_EQ(receiver.interfaces[0].properties[0].value.size(), 2050u);
  sim::PlugUsbDevice(receiver);
  ScanDevices(ScanMode::Normal);
  ASSERT_EQ(DeviceTable.deviceCount, 1);
  EXPECT_EQ(Slot(0).groupId, L"2&B");
}

TEST_F(ScanLimits, AShortValueAfterALongOneKeepsItsTail) {
  // The long value names no USB device; its tail after the short value's ten code units
  // stays in the buffer, which is zeroed once per derivation.
  auto receiver = sim::MakeReceiver(1);
  SetProperties(receiver,
                {{sim::property_keys::kInstanceId, sim::TextValue(L"HID\\DEVICECD&0&0001")},
                 {sim::property_keys::kParent, BareText(L"USB\\P\\7&AB")}});
  sim::PlugUsbDevice(receiver);
  ScanDevices(ScanMode::Normal);
  ASSERT_EQ(DeviceTable.deviceCount, 1);
  EXPECT_EQ(Slot(0).groupId, L"7&ABCD");
}

TEST_F(ScanLimits, CheckIsTrueForAnOtaInterfaceThatIsNotRecorded) {
  auto boot = sim::MakeBootModeReceiver(1);
  SetProperties(boot, {{sim::property_keys::kParent, sim::TextValue(L"USB\\ROOT_HUB")}});
  sim::PlugUsbDevice(boot);
  EXPECT_TRUE(ScanDevices(ScanMode::Check));
  EXPECT_EQ(DeviceTable.deviceCount, 0);
}

TEST_F(ScanLimits, UnreadablePropertyKeysKeepTheValueFromTheOtaTest) {
  auto boot = sim::MakeBootModeReceiver(1);
  boot.Interface(InterfaceRole::ota).faults.failPropertyKeys = true;
  sim::PlugUsbDevice(boot);
  // The grouping id comes before the OTA test, and its failure skips the value.
  EXPECT_FALSE(ScanDevices(ScanMode::Check));
  ASSERT_EQ(DeviceTable.deviceCount, 1);
  EXPECT_EQ(Slot(0).otaPath, L"");
  EXPECT_EQ(Slot(0).outputPath, boot.Interface(InterfaceRole::output).path);
}

struct FaultCase {
  const char* name;
  InterfaceRole role;
  sim::EnumerationFaults faults;
  bool otaRecorded;
  bool identityRecorded;
  bool outputRecorded;
};

class EnumerationFaults : public ScanLimits, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(EnumerationFaults, PassOverTheFailingInterfaceOnly) {
  const auto& c = GetParam();
  const auto identity = Answering(sim::MouseIdentityAnswer(3, 0xF1));
  auto mouse = sim::MakeMouse(1, {.identity = identity});
  mouse.Interface(c.role).faults = c.faults;
  sim::PlugUsbDevice(mouse);
  ScanDevices(ScanMode::Normal);
  ASSERT_EQ(DeviceTable.deviceCount, 1);
  const auto& record = Slot(0);
  EXPECT_EQ(record.otaPath, c.otaRecorded ? mouse.Interface(InterfaceRole::ota).path : L"");
  EXPECT_EQ(record.identityPath,
            c.identityRecorded ? mouse.Interface(InterfaceRole::identity).path : L"");
  EXPECT_EQ(record.outputPath,
            c.outputRecorded ? mouse.Interface(InterfaceRole::output).path : L"");
  EXPECT_EQ(record.interfaceFlags,
            (c.otaRecorded || c.outputRecorded ? 1 : 0) | (c.identityRecorded ? 2 : 0));
  EXPECT_EQ(record.deviceKind, c.identityRecorded ? kKindMouse : kKindNone);
  EXPECT_EQ(record.model, c.identityRecorded ? 3 : 0);
  EXPECT_EQ(identity->RequestsTaken(), c.identityRecorded ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, EnumerationFaults,
    ::testing::Values(
        FaultCase{"OtaDetail", InterfaceRole::ota, {.failDetail = true}, false, true, true},
        FaultCase{"OtaQueryOpen", InterfaceRole::ota, {.failQueryOpen = true}, false, true, true},
        FaultCase{"OtaAttributes", InterfaceRole::ota, {.failAttributes = true}, false, true, true},
        FaultCase{"OtaParsedData", InterfaceRole::ota, {.failParsedData = true}, false, true, true},
        FaultCase{"OtaCaps", InterfaceRole::ota, {.invalidCaps = true}, false, true, true},
        FaultCase{
            "OtaValueCaps", InterfaceRole::ota, {.invalidValueCaps = true}, false, true, true},
        FaultCase{
            "OtaPropertyKeys", InterfaceRole::ota, {.failPropertyKeys = true}, false, true, true},
        FaultCase{
            "IdentityDetail", InterfaceRole::identity, {.failDetail = true}, true, false, true},
        FaultCase{"IdentityQueryOpen",
                  InterfaceRole::identity,
                  {.failQueryOpen = true},
                  true,
                  false,
                  true},
        FaultCase{
            "IdentityCaps", InterfaceRole::identity, {.invalidCaps = true}, true, false, true},
        FaultCase{"IdentityPropertyKeys",
                  InterfaceRole::identity,
                  {.failPropertyKeys = true},
                  true,
                  false,
                  true},
        FaultCase{
            "OutputAttributes", InterfaceRole::output, {.failAttributes = true}, true, true, false},
        FaultCase{"OutputCaps", InterfaceRole::output, {.invalidCaps = true}, true, true, false},
        // The output test asks for the feature value caps with a capacity of 0.
        FaultCase{"OutputValueCaps",
                  InterfaceRole::output,
                  {.invalidValueCaps = true},
                  true,
                  true,
                  false},
        FaultCase{"OutputPropertyKeys",
                  InterfaceRole::output,
                  {.failPropertyKeys = true},
                  true,
                  true,
                  false}),
    discovery_testing::CaseName{});

TEST_F(ScanLimits, AnIdentityInterfaceThatCannotBeOpenedForReportsKeepsTheKind) {
  const auto mouse = sim::MakeMouse(1);
  sim::PlugUsbDevice(mouse);
  sim::SetInterfaceFaults(mouse.Interface(InterfaceRole::identity).path, {.failOpen = true});
  ScanDevices(ScanMode::Normal);
  ASSERT_EQ(DeviceTable.deviceCount, 1);
  EXPECT_EQ(Slot(0).identityPath, mouse.Interface(InterfaceRole::identity).path);
  EXPECT_EQ(Slot(0).deviceKind, kKindMouse);
  EXPECT_EQ(Slot(0).model, 0);
  EXPECT_TRUE(Sleeps().empty());
}

}  // namespace
