// The scan on the simulated bus: which interfaces become which records, in both modes.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "discovery/device_scan.h"
#include "discovery/device_table.h"
#include "discovery/grouping_id.h"
#include "discovery_fixture.h"
#include "platform/sim/device_layouts.h"
#include "platform/sim/identity_device.h"
#include "update/upgrade_state.h"

namespace {

using discovery_testing::DiscoveryTest;
using sim::InterfaceRole;

std::shared_ptr<sim::IdentityDevice> Answering(sim::IdentityAnswer answer) {
  return std::make_shared<sim::IdentityDevice>(sim::IdentityDeviceOptions{.answer = answer});
}

// Gives every interface of the device this parent instance id.
void SetParent(sim::UsbDevice& device, const std::wstring& parent) {
  for (auto& description : device.interfaces) {
    for (auto& property : description.properties) {
      if (property.key == sim::property_keys::kParent) property.value = sim::TextValue(parent);
    }
  }
}

class ScanTest : public DiscoveryTest {
 protected:
  static const DeviceRecord& Slot(std::size_t index) { return DeviceTable.records[index]; }

  static void ExpectFreeFrom(std::size_t first) {
    for (std::size_t slot = first; slot < kDeviceSlots; ++slot) {
      EXPECT_EQ(Slot(slot), DeviceRecord{}) << "slot " << slot;
    }
  }

  static std::size_t IdentityRequests() {
    return testing_support::EventsNamed("set_feature").size();
  }
};

TEST_F(ScanTest, NoSupportedInterfaceLeavesTheTableEmptyInBothModes) {
  sim::PlugUsbDevice(sim::MakeOtherDevice(1, 0x046D, 0xC52B));
  sim::PlugUsbDevice(sim::MakeOtherDevice(2, 0x093A, 0x2510));
  for (const auto mode : {ScanMode::Normal, ScanMode::Check}) {
    EXPECT_FALSE(ScanDevices(mode));
    EXPECT_EQ(DeviceTable.deviceCount, 0);
    ExpectFreeFrom(0);
  }
  EXPECT_EQ(IdentityRequests(), 0u);
}

TEST_F(ScanTest, CompositeMouseGivesOneRecordWithAllThreePaths) {
  const auto identity = Answering(sim::MouseIdentityAnswer(3, 0xF1));
  const auto mouse = sim::MakeMouse(1, {.identity = identity});
  sim::PlugUsbDevice(mouse);

  EXPECT_FALSE(ScanDevices(ScanMode::Normal));
  ASSERT_EQ(DeviceTable.deviceCount, 1);
  const auto& record = Slot(0);
  EXPECT_EQ(record.inUse, 1);
  EXPECT_EQ(record.interfaceFlags, 3);
  EXPECT_EQ(record.otaPath, mouse.Interface(InterfaceRole::ota).path);
  EXPECT_EQ(record.identityPath, mouse.Interface(InterfaceRole::identity).path);
  EXPECT_EQ(record.outputPath, mouse.Interface(InterfaceRole::output).path);
  EXPECT_EQ(record.vendorId, 0x093A);
  EXPECT_EQ(record.productId, 0x622C);
  EXPECT_EQ(record.deviceKind, kKindMouse);
  EXPECT_EQ(record.model, 3);
  EXPECT_EQ(record.sensor, 1);
  // 7&XXXXXXXX, shared by the parents of both USB interfaces.
  ASSERT_EQ(record.groupId.size(), 10u);
  EXPECT_EQ(record.groupId.substr(0, 2), L"7&");
  for (const auto& description : mouse.interfaces) {
    const auto& parent = description.properties.back();
    ASSERT_EQ(parent.key, sim::property_keys::kParent);
    EXPECT_NE(PropertyText(parent.value).find(L"\\" + record.groupId + L"&0&000"),
              std::wstring::npos);
  }
  EXPECT_EQ(identity->RequestsTaken(), 1);
  ExpectFreeFrom(1);
}

struct ReceiverCase {
  const char* name;
  sim::IdentityAnswer answer;
  std::uint8_t model;
};

class ReceiverKinds : public ScanTest, public ::testing::WithParamInterface<ReceiverCase> {};

TEST_P(ReceiverKinds, RecordReceiverKindAndModel) {
  const auto receiver = sim::MakeReceiver(3, {.identity = Answering(GetParam().answer)});
  sim::PlugUsbDevice(receiver);
  EXPECT_FALSE(ScanDevices(ScanMode::Normal));
  ASSERT_EQ(DeviceTable.deviceCount, 1);
  EXPECT_EQ(Slot(0).productId, 0x522C);
  EXPECT_EQ(Slot(0).deviceKind, kKindReceiver);
  EXPECT_EQ(Slot(0).model, GetParam().model);
  EXPECT_EQ(Slot(0).sensor, 0);
  EXPECT_EQ(Slot(0).interfaceFlags, 3);
  EXPECT_EQ(Slot(0).otaPath, receiver.Interface(InterfaceRole::ota).path);
  EXPECT_EQ(Slot(0).outputPath, receiver.Interface(InterfaceRole::output).path);
  EXPECT_EQ(Slot(0).groupId.substr(0, 2), L"5&");
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ReceiverKinds,
    ::testing::Values(ReceiverCase{"OneK", sim::ReceiverIdentityAnswer(1, 0x00), 1},
                      ReceiverCase{"EightKOutputStage", sim::ReceiverIdentityAnswer(2, 0xFA), 2},
                      ReceiverCase{"EightKBootStage", sim::ReceiverIdentityAnswer(2, 0xF0), 3},
                      ReceiverCase{"UnknownSubCode", sim::ReceiverIdentityAnswer(2, 0xF1), 0}),
    discovery_testing::CaseName{});

TEST_F(ScanTest, AFailedMouseAnswerLeavesModelAndSensorAtZero) {
  // A valid answer that names model 6 still carries sensor 0xF1.
  sim::PlugUsbDevice(sim::MakeMouse(1, {.identity = Answering(sim::MouseIdentityAnswer(6, 0xF1))}));
  ScanDevices(ScanMode::Normal);
  ASSERT_EQ(DeviceTable.deviceCount, 1);
  EXPECT_EQ(Slot(0).deviceKind, kKindMouse);
  EXPECT_EQ(Slot(0).model, 0);
  EXPECT_EQ(Slot(0).sensor, 0);
}

TEST_F(ScanTest, ARefusedQueryLeavesTheKindSet) {
  sim::PlugUsbDevice(
      sim::MakeReceiver(1, {.identity = std::make_shared<sim::IdentityDevice>(
                                sim::IdentityDeviceOptions{.refuseRequest = true})}));
  ScanDevices(ScanMode::Normal);
  ASSERT_EQ(DeviceTable.deviceCount, 1);
  EXPECT_EQ(Slot(0).deviceKind, kKindReceiver);
  EXPECT_EQ(Slot(0).model, 0);
  EXPECT_EQ(Sleeps().size(), 0u);
}

TEST_F(ScanTest, CheckModeRecordsTheBootDeviceAndNormalModeIgnoresIt) {
  const auto identity = Answering(sim::ReceiverIdentityAnswer(2, 0xF0));
  const auto boot = sim::MakeBootModeReceiver(2, {.identity = identity});
  sim::PlugUsbDevice(boot);

  EXPECT_FALSE(ScanDevices(ScanMode::Normal));
  EXPECT_EQ(DeviceTable.deviceCount, 0);
  EXPECT_EQ(identity->RequestsTaken(), 0);

  EXPECT_TRUE(ScanDevices(ScanMode::Check));
  ASSERT_EQ(DeviceTable.deviceCount, 1);
  EXPECT_EQ(Slot(0).productId, 0x9999);
  EXPECT_EQ(Slot(0).otaPath, boot.Interface(InterfaceRole::ota).path);
  EXPECT_EQ(Slot(0).outputPath, boot.Interface(InterfaceRole::output).path);
  EXPECT_EQ(Slot(0).deviceKind, kKindReceiver);
  EXPECT_EQ(Slot(0).model, 3);
  EXPECT_EQ(identity->RequestsTaken(), 1);
}

TEST_F(ScanTest, CheckModeFindsAMouseButNoOtaInterfaceOfIt) {
  const auto mouse = sim::MakeMouse(1);
  sim::PlugUsbDevice(mouse);
  EXPECT_FALSE(ScanDevices(ScanMode::Check));
  ASSERT_EQ(DeviceTable.deviceCount, 1);
  EXPECT_EQ(Slot(0).deviceKind, kKindMouse);
  EXPECT_EQ(Slot(0).identityPath, mouse.Interface(InterfaceRole::identity).path);
  EXPECT_EQ(Slot(0).otaPath, L"");
  // The output page of Check mode is 0xFF01.
  EXPECT_EQ(Slot(0).outputPath, L"");
  EXPECT_EQ(Slot(0).interfaceFlags, 2);
}

struct PageCase {
  const char* name;
  ScanMode mode;
  std::uint16_t otaPage;
  bool recognised;
};

class OtaPages : public ScanTest, public ::testing::WithParamInterface<PageCase> {};

TEST_P(OtaPages, AreModeSpecific) {
  auto mouse = sim::MakeMouse(1);
  mouse.Interface(InterfaceRole::ota).featureValues = {{GetParam().otaPage, 1}};
  sim::PlugUsbDevice(mouse);
  const bool result = ScanDevices(GetParam().mode);
  EXPECT_EQ(result, GetParam().mode == ScanMode::Check && GetParam().recognised);
  ASSERT_EQ(DeviceTable.deviceCount, 1);
  EXPECT_EQ(Slot(0).otaPath,
            GetParam().recognised ? mouse.Interface(InterfaceRole::ota).path : L"");
}

INSTANTIATE_TEST_SUITE_P(Pages, OtaPages,
                         ::testing::Values(PageCase{"NormalFF00", ScanMode::Normal, 0xFF00, true},
                                           PageCase{"NormalFF01", ScanMode::Normal, 0xFF01, false},
                                           PageCase{"CheckFF01", ScanMode::Check, 0xFF01, true},
                                           PageCase{"CheckFF00", ScanMode::Check, 0xFF00, false}),
                         discovery_testing::CaseName{});

struct OutputCase {
  const char* name;
  std::uint16_t usagePage;
  std::uint16_t usage;
  std::vector<hid::ValueCaps> featureValues;
  bool recognised;
};

class OutputInterfaces : public ScanTest, public ::testing::WithParamInterface<OutputCase> {};

TEST_P(OutputInterfaces, NeedUsageOneOnTheOutputPageAndNoFeatureValues) {
  auto receiver = sim::MakeReceiver(1);
  auto& output = receiver.Interface(InterfaceRole::output);
  output.usagePage = GetParam().usagePage;
  output.usage = GetParam().usage;
  output.featureValues = GetParam().featureValues;
  sim::PlugUsbDevice(receiver);
  ScanDevices(ScanMode::Normal);
  ASSERT_EQ(DeviceTable.deviceCount, 1);
  EXPECT_EQ(Slot(0).outputPath, GetParam().recognised ? output.path : L"");
}

INSTANTIATE_TEST_SUITE_P(
    Collections, OutputInterfaces,
    ::testing::Values(OutputCase{"Usage1PageFF05", 0xFF05, 1, {}, true},
                      OutputCase{"Usage2", 0xFF05, 2, {}, false},
                      OutputCase{"CheckModePage", 0xFF01, 1, {}, false},
                      OutputCase{"WithAFeatureValue", 0xFF05, 1, {{0xFF05, 7}}, false}),
    discovery_testing::CaseName{});

TEST_F(ScanTest, CheckModeTakesTheOutputInterfaceOnPageFF01) {
  const auto boot = sim::MakeBootModeReceiver(1);
  sim::PlugUsbDevice(boot);
  ScanDevices(ScanMode::Check);
  ASSERT_EQ(DeviceTable.deviceCount, 1);
  EXPECT_EQ(Slot(0).outputPath, boot.Interface(InterfaceRole::output).path);
  EXPECT_EQ(Slot(0).interfaceFlags, 1);
  EXPECT_EQ(Slot(0).deviceKind, kKindNone);
}

// One interface carrying both the identity and the OTA feature value.
class IdentityAndOtaInOneInterface : public ScanTest, public ::testing::WithParamInterface<bool> {};

TEST_P(IdentityAndOtaInOneInterface, IdentityFirstEndsTheInterface) {
  const bool identityFirst = GetParam();
  auto receiver = sim::MakeReceiver(1);
  // Only this interface of the device is present.
  auto shared = receiver.Interface(InterfaceRole::ota);
  shared.model = Answering(sim::ReceiverIdentityAnswer(1, 0));
  shared.featureValues = identityFirst ? std::vector<hid::ValueCaps>{{0xFF05, 4}, {0xFF00, 1}}
                                       : std::vector<hid::ValueCaps>{{0xFF00, 1}, {0xFF05, 4}};
  receiver.interfaces = {shared};
  sim::PlugUsbDevice(receiver);

  ScanDevices(ScanMode::Normal);
  ASSERT_EQ(DeviceTable.deviceCount, 1);
  EXPECT_EQ(Slot(0).identityPath, shared.path);
  EXPECT_EQ(Slot(0).otaPath, identityFirst ? L"" : shared.path);
  EXPECT_EQ(Slot(0).interfaceFlags, identityFirst ? 2 : 3);
  EXPECT_EQ(Slot(0).model, 1);
}

INSTANTIATE_TEST_SUITE_P(Orders, IdentityAndOtaInOneInterface, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& order) {
                           return std::string(order.param ? "IdentityFirst" : "OtaFirst");
                         });

TEST_F(ScanTest, IdentityAfterOtaInOneInterfaceInCheckModeStillReturnsTrue) {
  auto boot = sim::MakeBootModeReceiver(1);
  boot.Interface(InterfaceRole::ota).featureValues = {{0xFF01, 1}, {0xFF05, 4}};
  sim::PlugUsbDevice(boot);
  EXPECT_TRUE(ScanDevices(ScanMode::Check));
  EXPECT_EQ(Slot(0).interfaceFlags, 3);
  EXPECT_EQ(Slot(0).deviceKind, kKindReceiver);
}

TEST_F(ScanTest, TwoOtaValuesInOneInterfaceStoreTheSamePath) {
  auto mouse = sim::MakeMouse(1);
  mouse.Interface(InterfaceRole::ota).featureValues = {{0xFF00, 1}, {0xFF00, 1}};
  sim::PlugUsbDevice(mouse);
  ScanDevices(ScanMode::Normal);
  ASSERT_EQ(DeviceTable.deviceCount, 1);
  EXPECT_EQ(Slot(0).otaPath, mouse.Interface(InterfaceRole::ota).path);
}

TEST_F(ScanTest, ALaterInterfaceOfTheSameRoleReplacesThePathWhole) {
  auto mouse = sim::MakeMouse(1);
  auto second = mouse.Interface(InterfaceRole::ota);
  second.path = L"\\\\?\\hid#short";
  second.model = nullptr;
  mouse.interfaces.push_back(second);
  sim::PlugUsbDevice(mouse);
  ScanDevices(ScanMode::Normal);
  ASSERT_EQ(DeviceTable.deviceCount, 1);
  EXPECT_EQ(Slot(0).otaPath, L"\\\\?\\hid#short");
}

TEST_F(ScanTest, IdsAreThoseOfTheInterfaceThatOpenedTheSlot) {
  // Receiver and boot interfaces under one parent: in Check mode the 0x9999 one opens the
  // record, the 0x622C one joins it without changing the ids.
  auto boot = sim::MakeBootModeReceiver(1);
  auto mouse = sim::MakeMouse(1);
  SetParent(boot, L"USB\\VID_093A&PID_9999\\5&AAAA&0&1");
  SetParent(mouse, L"USB\\VID_093A&PID_622C\\5&AAAA&0&1");
  sim::PlugUsbDevice(boot);
  sim::PlugUsbDevice(mouse);
  EXPECT_TRUE(ScanDevices(ScanMode::Check));
  ASSERT_EQ(DeviceTable.deviceCount, 1);
  EXPECT_EQ(Slot(0).groupId, L"5&AAAA");
  EXPECT_EQ(Slot(0).productId, 0x9999);
  EXPECT_EQ(Slot(0).identityPath, mouse.Interface(InterfaceRole::identity).path);
  // The identity step goes by the identity interface's own product id.
  EXPECT_EQ(Slot(0).deviceKind, kKindMouse);
  EXPECT_EQ(Slot(0).model, 2);
}

struct GroupingCase {
  const char* name;
  std::vector<sim::DeviceProperty> properties;
  std::wstring groupId;  // empty: the device is not recorded (the table is empty)
};

class GroupingIds : public ScanTest, public ::testing::WithParamInterface<GroupingCase> {};

TEST_P(GroupingIds, AreCutFromTheFirstValueNamingUsb) {
  auto receiver = sim::MakeReceiver(1);
  for (auto& description : receiver.interfaces) description.properties = GetParam().properties;
  sim::PlugUsbDevice(receiver);
  ScanDevices(ScanMode::Normal);
  if (GetParam().groupId.empty()) {
    EXPECT_EQ(DeviceTable.deviceCount, 0);
    // Not recorded, so never asked.
    EXPECT_EQ(IdentityRequests(), 0u);
  } else {
    ASSERT_EQ(DeviceTable.deviceCount, 1);
    EXPECT_EQ(Slot(0).groupId, GetParam().groupId);
    EXPECT_EQ(Slot(0).interfaceFlags, 3);
  }
}

sim::DeviceProperty Text(const hid::PropertyKey& key, std::wstring_view text) {
  return {key, sim::TextValue(text)};
}

hid::PropertyKey Key(std::uint32_t id) {
  return {{0x11, 0x22, 0x33}, id};
}

using namespace sim::property_keys;

INSTANTIATE_TEST_SUITE_P(
    Values, GroupingIds,
    ::testing::Values(
        GroupingCase{"CompositeInterface",
                     {Text(kParent, L"USB\\VID_093A&PID_622C&MI_01\\7&2A3B4C5D&0&0001")},
                     L"7&2A3B4C5D"},
        GroupingCase{
            "Receiver", {Text(kParent, L"USB\\VID_093A&PID_522C\\5&1F2E3D4C&0&2")}, L"5&1F2E3D4C"},
        GroupingCase{"RepeatedTail", {Text(kParent, L"USB\\VID_093A&PID_522C\\X&Y&Y")}, L"X"},
        GroupingCase{"RootHub", {Text(kParent, L"USB\\ROOT_HUB")}, L""},
        GroupingCase{
            "LowerCaseOnly", {Text(kParent, L"usb\\vid_093a&pid_522c\\5&1f2e3d4c&0&2")}, L""},
        GroupingCase{"NoUsbAtAll",
                     {Text(kDeviceDesc, L"HID-compliant vendor-defined device"),
                      Text(kInstanceId, L"HID\\VID_093A&PID_522C&COL03\\6&1F2E3D4C&0&0002")},
                     L""},
        // The first value naming USB ends the search, even when it cannot be cut.
        GroupingCase{"FirstUsbValueDecides",
                     {Text(kDeviceDesc, L"USB Receiver"),
                      Text(kParent, L"USB\\VID_093A&PID_522C\\5&1F2E3D4C&0&2")},
                     L""},
        GroupingCase{"UsbAnywhereInTheValue",
                     {Text(kHardwareIds, L"HID\\HidUsb"), Text(kDriver, L"ROOT\\USB\\3&ABC&1&2")},
                     L"3&ABC"},
        // Keys the call did not fill have property id 0 and are passed over.
        GroupingCase{"KeyWithIdZero",
                     {Text(Key(0), L"USB\\A\\1&B&C"), Text(kParent, L"USB\\A\\2&B&C")},
                     L"2&B"},
        GroupingCase{"UnreadableValueIsSkipped",
                     {{kDeviceDesc, sim::TextValue(L"USB\\A\\1&B&C"), true},
                      Text(kParent, L"USB\\A\\2&B&C")},
                     L"2&B"},
        // The value is read as text whatever its type.
        GroupingCase{"BinaryValueReadAsText",
                     {{kClassGuid,
                       {'U', 0, 'S', 0, 'B', 0, '\\', 0, '\\', 0, '9', 0, '&', 0, 'Q', 0, '&', 0}},
                      Text(kParent, L"USB\\A\\2&B&C")},
                     L"9"}),
    discovery_testing::CaseName{});

TEST_F(ScanTest, EmptyGroupingIdsJoinOneRecordOnceTheTableHoldsADevice) {
  const auto mouse = sim::MakeMouse(1);
  auto anonymous = sim::MakeReceiver(2, {.identity = Answering(sim::ReceiverIdentityAnswer(1, 0))});
  SetParent(anonymous, L"USB\\ROOT_HUB");
  // Enumerated first, while the table is still empty: not recorded, not asked.
  sim::PlugUsbDevice(anonymous);
  sim::PlugUsbDevice(mouse);
  ScanDevices(ScanMode::Normal);
  ASSERT_EQ(DeviceTable.deviceCount, 1);
  EXPECT_EQ(Slot(0).productId, 0x622C);
  EXPECT_EQ(IdentityRequests(), 1u);

  sim::ResetBus();
  sim::PlugUsbDevice(mouse);
  sim::PlugUsbDevice(anonymous);
  ScanDevices(ScanMode::Normal);
  ASSERT_EQ(DeviceTable.deviceCount, 2);
  EXPECT_EQ(Slot(1).groupId, L"");
  EXPECT_EQ(Slot(1).productId, 0x522C);
  EXPECT_EQ(Slot(1).interfaceFlags, 3);
  EXPECT_EQ(Slot(1).otaPath, anonymous.Interface(InterfaceRole::ota).path);
  EXPECT_EQ(Slot(1).identityPath, anonymous.Interface(InterfaceRole::identity).path);
  EXPECT_EQ(Slot(1).outputPath, anonymous.Interface(InterfaceRole::output).path);
  EXPECT_EQ(Slot(1).model, 1);
}

TEST_F(ScanTest, TwoIdenticalDevicesInEnumerationOrder) {
  const auto first = sim::MakeMouse(4);
  const auto second = sim::MakeMouse(7);
  sim::PlugUsbDevice(second);
  sim::PlugUsbDevice(first);
  ScanDevices(ScanMode::Normal);
  ASSERT_EQ(DeviceTable.deviceCount, 2);
  EXPECT_NE(Slot(0).groupId, Slot(1).groupId);
  EXPECT_EQ(Slot(0).otaPath, second.Interface(InterfaceRole::ota).path);
  EXPECT_EQ(Slot(1).otaPath, first.Interface(InterfaceRole::ota).path);
  EXPECT_EQ(Slot(0).model, 2);
  EXPECT_EQ(Slot(1).model, 2);
}

TEST_F(ScanTest, OrderFollowsTheFirstRecordedInterfaceOfEachDevice) {
  const auto mouse = sim::MakeMouse(1);
  const auto receiver = sim::MakeReceiver(2);
  sim::UsbDevice mixed;
  // The mouse's pointer interface comes first but is not recorded.
  mixed.interfaces = {mouse.interfaces[0], receiver.Interface(InterfaceRole::ota),
                      mouse.Interface(InterfaceRole::identity),
                      mouse.Interface(InterfaceRole::ota)};
  sim::PlugUsbDevice(mixed);
  ScanDevices(ScanMode::Normal);
  ASSERT_EQ(DeviceTable.deviceCount, 2);
  EXPECT_EQ(Slot(0).productId, 0x522C);
  EXPECT_EQ(Slot(1).productId, 0x622C);
  EXPECT_EQ(Slot(1).interfaceFlags, 3);
}

TEST_F(ScanTest, AnAllocationFailureHalfwayKeepsEarlierRecordsAndReturnsFalse) {
  sim::PlugUsbDevice(sim::MakeMouse(1));
  auto failing = sim::MakeBootModeReceiver(2);
  failing.Interface(InterfaceRole::output).faults.failDetailAllocation = true;
  sim::PlugUsbDevice(failing);
  const auto later = sim::MakeBootModeReceiver(3);
  sim::PlugUsbDevice(later);

  // False although an OTA interface was seen before the failure.
  EXPECT_FALSE(ScanDevices(ScanMode::Check));
  ASSERT_EQ(DeviceTable.deviceCount, 2);
  EXPECT_EQ(Slot(0).productId, 0x622C);
  EXPECT_EQ(Slot(1).productId, 0x9999);
  EXPECT_EQ(Slot(1).otaPath, failing.Interface(InterfaceRole::ota).path);
  EXPECT_EQ(Slot(1).outputPath, L"");
  EXPECT_TRUE(Events("hid_open", later.Interface(InterfaceRole::ota).path).empty());
}

TEST_F(ScanTest, AFailingInterfaceSetGivesAnEmptyTable) {
  sim::PlugUsbDevice(sim::MakeBootModeReceiver(1));
  sim::FailInterfaceSets(true);
  EXPECT_FALSE(ScanDevices(ScanMode::Check));
  EXPECT_EQ(DeviceTable.deviceCount, 0);
  EXPECT_EQ(DeviceTable.wantedReceiverProductId, 0x9999);
}

TEST_F(ScanTest, EveryScanStartsAfreshAndLeavesThePathEmptyAndTheIdentityHandlesClosed) {
  const auto mouse = sim::MakeMouse(1);
  sim::PlugUsbDevice(mouse);
  sim::PlugUsbDevice(sim::MakeReceiver(2));
  ScanDevices(ScanMode::Normal);
  ASSERT_EQ(DeviceTable.deviceCount, 2);

  sim::UnplugUsbDevice(mouse);
  UpgradeState.currentDevicePath = L"\\\\?\\hid#left#over";
  identityReadHandle = hid::Open(Slot(1).otaPath, hid::Access::read);
  identityWriteHandle = hid::Open(Slot(1).otaPath, hid::Access::write);
  ASSERT_EQ(sim::OpenHandleCount(), 2u);
  for (const auto mode : {ScanMode::Check, ScanMode::Normal}) {
    ScanDevices(mode);
    EXPECT_EQ(UpgradeState.currentDevicePath, L"");
    EXPECT_EQ(identityReadHandle, hid::kInvalidHandle);
    EXPECT_EQ(identityWriteHandle, hid::kInvalidHandle);
    EXPECT_EQ(sim::OpenHandleCount(), 0u);
  }
  ASSERT_EQ(DeviceTable.deviceCount, 1);
  EXPECT_EQ(Slot(0).productId, 0x522C);
  ExpectFreeFrom(1);
}

TEST_F(ScanTest, WantedIdsFollowTheMode) {
  ScanDevices(ScanMode::Check);
  EXPECT_EQ(DeviceTable.wantedVendorId, 0x093A);
  EXPECT_EQ(DeviceTable.wantedMouseProductId, 0x622C);
  EXPECT_EQ(DeviceTable.wantedReceiverProductId, 0x9999);
  ScanDevices(ScanMode::Normal);
  EXPECT_EQ(DeviceTable.wantedVendorId, 0x093A);
  EXPECT_EQ(DeviceTable.wantedMouseProductId, 0x622C);
  EXPECT_EQ(DeviceTable.wantedReceiverProductId, 0x522C);
}

TEST_F(ScanTest, EachRecordedIdentityInterfaceCostsOneThirtyMillisecondPause) {
  sim::PlugUsbDevice(sim::MakeMouse(1));
  sim::PlugUsbDevice(sim::MakeReceiver(2));
  sim::PlugUsbDevice(sim::MakeOtherDevice(3, 0x093A, 0x1234));
  const auto start = sim::NowMs();
  ScanDevices(ScanMode::Normal);
  EXPECT_EQ(sim::NowMs() - start, 60u);
  EXPECT_EQ(Sleeps().size(), 2u);
}

TEST_F(ScanTest, QueryHandlesAreOpenedWithoutAccessAndTakeNoReport) {
  const auto mouse = sim::MakeMouse(1);
  sim::PlugUsbDevice(mouse);
  const auto& path = mouse.Interface(InterfaceRole::ota).path;
  ScanDevices(ScanMode::Normal);
  const auto opens = Events("hid_open", path);
  ASSERT_EQ(opens.size(), 1u);
  EXPECT_EQ(opens[0].Text("access"), "query");
  EXPECT_EQ(Events("hid_close", path).size(), 1u);

  auto handle = hid::OpenForQuery(path);
  ASSERT_NE(handle, hid::kInvalidHandle);
  std::vector<std::uint8_t> report(64, 0);
  report[0] = 3;
  EXPECT_FALSE(hid::SetFeature(handle, report));
  EXPECT_FALSE(hid::GetFeature(handle, report));
  hid::Close(handle);
}

}  // namespace
