// WM_DEVICECHANGE: which broadcasts set deviceListChanged or clear awaitingBootDevice.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "app/device_arrival_watch.h"
#include "main_dialog_fixture.h"

namespace {

using app_testing::InterfaceBroadcast;
using app_testing::MainDialogTest;

constexpr std::u16string_view kMouse =
    u"\\\\?\\USB#VID_093A&PID_622C#6&1a2b3c4d&0&3#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
constexpr std::u16string_view kReceiverLower =
    u"\\\\?\\usb#vid_093a&pid_522c#5&9e8d7c6b&0&1#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
constexpr std::u16string_view kMouseInterface =
    u"\\\\?\\USB#Vid_093a&Pid_622c&MI_01#7&2f1b3c4d&0&0001#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
constexpr std::u16string_view kBootDevice =
    u"\\\\?\\USB#VID_093A&PID_9999#5&9e8d7c6b&0&1#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
constexpr std::u16string_view kOtherProduct =
    u"\\\\?\\USB#VID_093A&PID_2510#5&11223344&0&2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
constexpr std::u16string_view kOtherVendor =
    u"\\\\?\\USB#VID_046D&PID_622C#5&11223344&0&2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";

struct WatchCase {
  const char* name;
  ui::WParam event;
  std::u16string_view path;
  bool busy;
  bool awaiting;
  bool changedAfter;
  bool awaitingAfter;
};

class DeviceArrivalWatch : public MainDialogTest,
                           public ::testing::WithParamInterface<WatchCase> {};

TEST_P(DeviceArrivalWatch, SetsAndClearsOnlyTheFlagsItShould) {
  const auto& c = GetParam();
  Open();
  UpgradeState.busy = c.busy ? 1 : 0;
  UpgradeState.awaitingBootDevice = c.awaiting ? 1 : 0;
  const auto broadcast = InterfaceBroadcast(c.path);
  EXPECT_EQ(sim::DeliverDeviceChange(window_, c.event, broadcast), 1);
  EXPECT_EQ(UpgradeState.deviceListChanged.Load(), c.changedAfter ? 1u : 0u);
  EXPECT_EQ(UpgradeState.awaitingBootDevice.Load(), c.awaitingAfter ? 1u : 0u);
  EXPECT_EQ(UpgradeState.busy.Load(), c.busy ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DeviceArrivalWatch,
    ::testing::Values(
        WatchCase{"MouseArrivesDuringAnUpgrade", kDbtDeviceArrival, kMouse, true, false, true,
                  false},
        WatchCase{"MouseArrivesWhileIdle", kDbtDeviceArrival, kMouse, false, false, false, false},
        WatchCase{"ReceiverLeavesDuringAnUpgrade", kDbtDeviceRemoveComplete, kReceiverLower, true,
                  false, true, false},
        WatchCase{"ReceiverLeavesWhileIdle", kDbtDeviceRemoveComplete, kReceiverLower, false, false,
                  false, false},
        WatchCase{"MixedCaseWithAnInterfaceSuffix", kDbtDeviceArrival, kMouseInterface, true, false,
                  true, false},
        WatchCase{"ReceiverLeavingForBootModeWhileAwaited", kDbtDeviceRemoveComplete,
                  kReceiverLower, true, true, true, true},
        WatchCase{"BootDeviceArrivesWhileAwaited", kDbtDeviceArrival, kBootDevice, true, true,
                  false, false},
        WatchCase{"BootDeviceArrivesUnawaited", kDbtDeviceArrival, kBootDevice, true, false, false,
                  false},
        WatchCase{"BootDeviceLeavesWhileAwaited", kDbtDeviceRemoveComplete, kBootDevice, true, true,
                  false, true},
        WatchCase{"OtherProductId", kDbtDeviceArrival, kOtherProduct, true, true, false, true},
        WatchCase{"OtherVendor", kDbtDeviceRemoveComplete, kOtherVendor, true, false, false, false},
        WatchCase{"QueryRemove", 0x8001, kMouse, true, false, false, false},
        WatchCase{"RemovePending", 0x8003, kMouse, true, false, false, false},
        WatchCase{"BootDeviceQueryRemove", 0x8001, kBootDevice, true, true, false, true}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

// Broadcasts that are not a named device interface within their size match nothing.
struct BroadcastCase {
  const char* name;
  std::vector<std::uint8_t> bytes;
  bool matches;
};

std::vector<std::uint8_t> VolumeBroadcast() {
  // DEV_BROADCAST_VOLUME: size 18, type 2, reserved, unit mask, flags.
  return {18, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0x04, 0, 0, 0, 0, 0};
}

std::vector<std::uint8_t> WithoutTail(std::vector<std::uint8_t> bytes, std::size_t cut) {
  bytes.resize(bytes.size() - cut);
  return bytes;
}

class DeviceBroadcastForms : public MainDialogTest,
                             public ::testing::WithParamInterface<BroadcastCase> {};

TEST_P(DeviceBroadcastForms, AreReadOnlyWithinTheirSize) {
  const auto& c = GetParam();
  Open();
  UpgradeState.busy = 1;
  EXPECT_EQ(sim::DeliverDeviceChange(window_, kDbtDeviceArrival, c.bytes), 1);
  EXPECT_EQ(UpgradeState.deviceListChanged.Load(), c.matches ? 1u : 0u);
}

const std::u16string_view kPattern = kMouseNamePattern;

INSTANTIATE_TEST_SUITE_P(
    Forms, DeviceBroadcastForms,
    ::testing::Values(
        BroadcastCase{"Volume", VolumeBroadcast(), false},
        BroadcastCase{"PortNamedLikeTheMouse", InterfaceBroadcast(kMouse, 3), false},
        BroadcastCase{"HandleType", InterfaceBroadcast(kMouse, 6), false},
        BroadcastCase{"HeaderOnly", InterfaceBroadcast(u"", 5, 28, false), false},
        BroadcastCase{"ShorterThanOneNameUnit",
                      WithoutTail(InterfaceBroadcast(u"V", 5, 29, false), 1), false},
        // Exactly the pattern and no terminator, ending where the buffer ends.
        BroadcastCase{"UnterminatedNameEndsAtItsSize", InterfaceBroadcast(kPattern, 5, {}, false),
                      true},
        // The size ends the name one unit before the pattern is complete.
        BroadcastCase{
            "NameCutShortBySize",
            InterfaceBroadcast(kPattern, 5,
                               static_cast<std::uint32_t>(28 + 2 * kPattern.size() - 2), false),
            false}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST_F(MainDialogTest, ABroadcastWithoutDataIsAnsweredAndChangesNothing) {
  Open();
  UpgradeState.busy = 1;
  for (const ui::WParam event : {kDbtDeviceArrival, kDbtDeviceRemoveComplete, ui::WParam{0x0007}}) {
    EXPECT_EQ(sim::DeliverDeviceChange(window_, event, std::nullopt), 1);
  }
  EXPECT_EQ(UpgradeState.deviceListChanged.Load(), 0u);
}

TEST_F(MainDialogTest, ABroadcastFromAnotherThreadIsHandledOnTheDialogsThread) {
  Open();
  UpgradeState.busy = 1;
  const auto broadcast = InterfaceBroadcast(kMouse);
  std::optional<ui::Result> answered{0};
  std::thread other(
      [&] { answered = sim::DeliverDeviceChange(window_, kDbtDeviceArrival, broadcast); });
  other.join();
  EXPECT_FALSE(answered.has_value());
  EXPECT_EQ(UpgradeState.deviceListChanged.Load(), 0u);
  EXPECT_EQ(sim::PumpUntilIdle(), 1u);
  EXPECT_EQ(UpgradeState.deviceListChanged.Load(), 1u);
}

}  // namespace
