// The three upgrade buttons over the simulated bus, up to the worker's result.
#include "update/upgrade_start.h"

#include <gtest/gtest.h>

#include "discovery/device_table.h"
#include "platform/sim/device_layouts.h"
#include "platform/sim/device_reach.h"
#include "platform/sim/identity_device.h"
#include "platform/sim/sim_resources.h"
#include "support/recording_view.h"
#include "support/sim_machine.h"
#include "update/firmware_catalogue.h"
#include "update/ota_messages.h"
#include "update/ota_reports.h"

namespace {

using sim::PostedMessage;
using testing_support::EventsNamed;
using testing_support::RecordingView;

class UpgradeStart : public testing_support::SimMachine {
 protected:
  void SetUp() override {
    SimMachine::SetUp();
    DeviceTable = DeviceTableRecord{};
    SetWantedIds(0x093A, 0x622C, 0x522C);
    sim::ResetResources();
    sim::PretendDevicesAreReal(false);
    workersBefore_ = sim::WorkersStarted();
  }
  void TearDown() override {
    sim::PretendDevicesAreReal(false);
    sim::ResetResources();
    DeviceTable = DeviceTableRecord{};
    SimMachine::TearDown();
  }

  struct Plugged {
    sim::UsbDevice usb;
    std::shared_ptr<sim::OtaDevice> ota;
  };

  Plugged PlugMouse(int port, std::uint8_t model, std::uint8_t sensorByte) {
    auto ota = std::make_shared<sim::OtaDevice>();
    auto usb = sim::MakeMouse(
        port, {.ota = ota,
               .identity = std::make_shared<sim::IdentityDevice>(sim::IdentityDeviceOptions{
                   .answer = sim::MouseIdentityAnswer(model, sensorByte)})});
    sim::PlugUsbDevice(usb);
    return {usb, ota};
  }

  // Receiver model 1: class 1; model 2: class 2 with 0xFA; model 3: class 2 with 0xF0.
  Plugged PlugReceiver(int port, std::uint8_t model) {
    auto ota = std::make_shared<sim::OtaDevice>();
    const auto answer = model == 1   ? sim::ReceiverIdentityAnswer(1, 0)
                        : model == 2 ? sim::ReceiverIdentityAnswer(2, 0xFA)
                                     : sim::ReceiverIdentityAnswer(2, 0xF0);
    auto usb = sim::MakeReceiver(port, {.ota = ota,
                                        .identity = std::make_shared<sim::IdentityDevice>(
                                            sim::IdentityDeviceOptions{.answer = answer})});
    sim::PlugUsbDevice(usb);
    return {usb, ota};
  }

  // Opens for reading or writing reports; the scan's own query opens do neither.
  std::size_t DeviceOpens(const sim::UsbDevice& usb) {
    const auto path = sim::Utf8(usb.Interface(sim::InterfaceRole::ota).path);
    std::size_t opens = 0;
    for (const auto& e : EventsNamed("hid_open")) {
      opens +=
          e.Text("path") == path && (e.Text("access") == "read" || e.Text("access") == "write");
    }
    return opens;
  }

  std::vector<PostedMessage> Finish() {
    sim::JoinWorkers();
    return DrainPosted();
  }

  std::size_t WorkersStartedHere() const { return sim::WorkersStarted() - workersBefore_; }

  RecordingView view_;
  std::size_t workersBefore_ = 0;
};

TEST_F(UpgradeStart, MouseEndToEnd) {
  const auto mouse = PlugMouse(1, 2, 0xF0);
  StartMouseUpgrade(view_);
  EXPECT_EQ(view_.statusText, L"T81-3395鼠标开始升级");
  EXPECT_EQ(view_.buttonChanges, std::vector<bool>{false});
  EXPECT_EQ(UpgradeState.UpgradeTarget, kTargetMouse);
  EXPECT_EQ(UpgradeState.packetDelayMs, 40);
  EXPECT_EQ(UpgradeState.imageSize, 101704u);
  EXPECT_EQ(UpgradeState.busy.Load(), 1u);
  const auto posted = Finish();
  ASSERT_FALSE(posted.empty());
  EXPECT_EQ(posted.back(), (PostedMessage{dialog_.Window(), WM_OTA_RESULT, 1, 0}));
  const auto image = LoadFirmwareImage(kImageMouseT81Sensor3395);
  ASSERT_TRUE(image);
  EXPECT_EQ(mouse.ota->Image(), std::vector<std::uint8_t>(image->data, image->data + image->size));
  EXPECT_TRUE(mouse.ota->UpgradeComplete()) << testing_support::Joined(mouse.ota->Faults());
}

struct MouseCase {
  const char* name;
  std::uint8_t model;
  std::uint8_t sensorByte;
  const wchar_t* startText;  // null: unchanged
  std::uint32_t imageSize;   // 0: refused
  const wchar_t* refusal;
};

class MouseStartChoice : public UpgradeStart, public ::testing::WithParamInterface<MouseCase> {};

TEST_P(MouseStartChoice, PicksTheImageOrRefuses) {
  const auto& c = GetParam();
  const auto mouse = PlugMouse(1, c.model, c.sensorByte);
  view_.SetStatusText(L"before");
  StartMouseUpgrade(view_);
  EXPECT_EQ(view_.statusText, c.startText ? c.startText : L"before");
  if (c.imageSize != 0) {
    EXPECT_EQ(UpgradeState.imageSize, c.imageSize);
    EXPECT_EQ(Finish().back().wParam, 1u);
    EXPECT_TRUE(sim::MessageBoxesShown().empty());
    return;
  }
  EXPECT_EQ(sim::MessageBoxesShown(), std::vector<std::wstring>{c.refusal});
  EXPECT_EQ(view_.buttonChanges, (std::vector<bool>{false, true}));
  EXPECT_EQ(UpgradeState.busy.Load(), 0u);
  EXPECT_EQ(UpgradeState.readHandle, hid::kInvalidHandle);
  EXPECT_EQ(UpgradeState.writeHandle, hid::kInvalidHandle);
  EXPECT_EQ(WorkersStartedHere(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MouseStartChoice,
    ::testing::Values(MouseCase{"T81Sensor3395", 2, 0xF0, L"T81-3395鼠标开始升级", 101704, nullptr},
                      MouseCase{"T81Sensor3950", 2, 0xF1, L"T81-3950鼠标开始升级", 103484, nullptr},
                      MouseCase{"T82Sensor3395", 3, 0xF0, L"T82-3395鼠标开始升级", 101708, nullptr},
                      MouseCase{"T82Sensor3950", 3, 0xF1, L"T82-3950鼠标开始升级", 103484, nullptr},
                      MouseCase{"SensorByteZeroIs3395", 2, 0x00, L"T81-3395鼠标开始升级", 101704,
                                nullptr},
                      MouseCase{"T81OtherSensor", 2, 0xF3, nullptr, 0, L"没有找到资源 "},
                      MouseCase{"T82OtherSensor", 3, 0xF2, nullptr, 0, L"没有找到资源 "},
                      MouseCase{"Model1", 1, 0xF0, nullptr, 0, L"不支持此鼠标升级 "},
                      MouseCase{"Model5", 5, 0xF1, nullptr, 0, L"不支持此鼠标升级 "}),
    [](const auto& p) { return std::string(p.param.name); });

struct CountCase {
  const char* name;
  void (*start)(UpgradeView&);
  std::vector<int> receivers;  // receiver models plugged besides `mice` mice
  int mice;
  const wchar_t* text;
};

class StartDeviceCount : public UpgradeStart, public ::testing::WithParamInterface<CountCase> {};

TEST_P(StartDeviceCount, RefusesAnythingButOne) {
  const auto& c = GetParam();
  int port = 1;
  for (int i = 0; i < c.mice; ++i) PlugMouse(port++, 2, 0xF0);
  for (const int model : c.receivers) PlugReceiver(port++, static_cast<std::uint8_t>(model));
  view_.SetStatusText(L"before");
  c.start(view_);
  EXPECT_EQ(sim::MessageBoxesShown(), std::vector<std::wstring>{c.text});
  EXPECT_EQ(view_.statusText, L"before");
  EXPECT_EQ(view_.buttonChanges, (std::vector<bool>{false, true}));
  EXPECT_EQ(UpgradeState.busy.Load(), 0u);
  EXPECT_EQ(sim::OpenHandleCount(), 0u);
  EXPECT_EQ(WorkersStartedHere(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StartDeviceCount,
    ::testing::Values(
        CountCase{"NoMouse", StartMouseUpgrade, {1, 2}, 0, L"请插入鼠标"},
        CountCase{
            "TwoMice", StartMouseUpgrade, {}, 2, L"插入的鼠标超过2个，请拔出暂时不要升级的鼠标"},
        CountCase{"No1K", StartReceiver1KUpgrade, {2, 3}, 1, L"请插入1K接收器"},
        CountCase{"Two1K",
                  StartReceiver1KUpgrade,
                  {1, 1},
                  0,
                  L"插入的1K接收器超过2个，请拔出暂时不要升级的接收器"},
        CountCase{"No8K", StartReceiver8KUpgrade, {1}, 1, L"请插入8K接收器"},
        CountCase{"Two8K",
                  StartReceiver8KUpgrade,
                  {2, 3},
                  0,
                  L"插入的8K接收器超过2个，请拔出暂时不要升级的接收器"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(UpgradeStart, ClickWhileBusyDoesNothing) {
  PlugMouse(1, 2, 0xF0);
  UpgradeState.busy = 1;
  for (auto start : {StartMouseUpgrade, StartReceiver1KUpgrade, StartReceiver8KUpgrade}) {
    start(view_);
  }
  EXPECT_TRUE(view_.buttonChanges.empty());
  EXPECT_TRUE(EventsNamed("hid_open").empty());
  EXPECT_EQ(DeviceTable.deviceCount, 0);
}

TEST_F(UpgradeStart, EachReceiverButtonFindsItsOwn) {
  const auto oneK = PlugReceiver(1, 1);
  const auto eightK = PlugReceiver(2, 2);
  StartReceiver1KUpgrade(view_);
  EXPECT_EQ(view_.statusText, L"1K接收器开始升级");
  EXPECT_EQ(UpgradeState.UpgradeTarget, kTargetReceiver1K);
  EXPECT_EQ(UpgradeState.imageSize, 71836u);
  EXPECT_EQ(UpgradeState.packetDelayMs, 50);
  EXPECT_EQ(Finish().back().wParam, 1u);
  EXPECT_TRUE(oneK.ota->UpgradeComplete());
  EXPECT_EQ(eightK.ota->CommandsReceived(CMD_FW_OTA_INIT_NEW), 0);

  UpgradeState.busy = 0;
  StartReceiver8KUpgrade(view_);
  EXPECT_EQ(view_.statusText, L"8K接收器开始升级");
  EXPECT_EQ(UpgradeState.UpgradeTarget, kTargetReceiver8KOutput);
  EXPECT_EQ(UpgradeState.imageSize, 63576u);
  EXPECT_EQ(UpgradeState.currentDevicePath, eightK.usb.Interface(sim::InterfaceRole::output).path);
  EXPECT_EQ(Finish().back().wParam, 1u);
  EXPECT_TRUE(eightK.ota->UpgradeComplete());
}

TEST_F(UpgradeStart, Receiver8KModel3TakesImage250AndTarget4) {
  PlugReceiver(1, 3);
  StartReceiver8KUpgrade(view_);
  EXPECT_EQ(UpgradeState.UpgradeTarget, kTargetReceiver8KBootMode);
  EXPECT_EQ(UpgradeState.imageSize, 64016u);
}

TEST_F(UpgradeStart, MouseButtonCountsAnyKindWithTheMouseProductId) {
  // A mouse whose identity is not understood is still a mouse to count.
  auto usb = sim::MakeMouse(1, {.identity = std::make_shared<sim::IdentityDevice>(
                                    sim::IdentityDeviceOptions{.refuseRequest = true})});
  sim::PlugUsbDevice(usb);
  PlugMouse(2, 2, 0xF0);
  StartMouseUpgrade(view_);
  EXPECT_EQ(sim::MessageBoxesShown(),
            std::vector<std::wstring>{L"插入的鼠标超过2个，请拔出暂时不要升级的鼠标"});
}

TEST_F(UpgradeStart, Two8KReceiversLeaveTheLowerSlotsOutputPath) {
  const auto first = PlugReceiver(1, 2);
  PlugReceiver(2, 3);
  StartReceiver8KUpgrade(view_);
  EXPECT_EQ(DeviceTable.records[0].outputPath,
            first.usb.Interface(sim::InterfaceRole::output).path);
  EXPECT_EQ(UpgradeState.currentDevicePath, DeviceTable.records[0].outputPath);
}

struct LoadFailureCase {
  const char* name;
  void (*start)(UpgradeView&);
  int receiverModel;  // 0: a T81-3395 mouse
  std::uint16_t imageId;
  os::ResourceLookup failure;
  const wchar_t* box;
  const wchar_t* failureText;
};

class StartLoadFailures : public UpgradeStart,
                          public ::testing::WithParamInterface<LoadFailureCase> {};

TEST_P(StartLoadFailures, ShowTheBoxThenTheClassFailureText) {
  const auto& c = GetParam();
  if (c.receiverModel == 0) {
    PlugMouse(1, 2, 0xF0);
  } else {
    PlugReceiver(1, static_cast<std::uint8_t>(c.receiverModel));
  }
  sim::FailResource(c.imageId, c.failure);
  c.start(view_);
  EXPECT_EQ(sim::MessageBoxesShown(), std::vector<std::wstring>{c.box});
  EXPECT_EQ(view_.statusText, c.failureText);
  EXPECT_EQ(view_.buttonChanges, (std::vector<bool>{false, true}));
  EXPECT_EQ(UpgradeState.readHandle, hid::kInvalidHandle);
  EXPECT_EQ(UpgradeState.writeHandle, hid::kInvalidHandle);
  EXPECT_EQ(sim::OpenHandleCount(), 0u);
  EXPECT_EQ(UpgradeState.busy.Load(), 0u);
  EXPECT_EQ(WorkersStartedHere(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StartLoadFailures,
    ::testing::Values(
        LoadFailureCase{"MouseNotFound", StartMouseUpgrade, 0, 283, os::ResourceLookup::notFound,
                        L"没有找到资源 ", L"鼠标升级失败"},
        LoadFailureCase{"MouseNotLoaded", StartMouseUpgrade, 0, 283, os::ResourceLookup::notLoaded,
                        L"加载资源失败 ", L"鼠标升级失败"},
        LoadFailureCase{"Receiver1KNotLocked", StartReceiver1KUpgrade, 1, 276,
                        os::ResourceLookup::notLocked, L"不能加载内存 ", L"1K接收器升级失败"},
        LoadFailureCase{"Receiver8KModel2NotFound", StartReceiver8KUpgrade, 2, 255,
                        os::ResourceLookup::notFound, L"没有找到资源 ", L"8K接收器升级失败"},
        LoadFailureCase{"Receiver8KModel3NotLoaded", StartReceiver8KUpgrade, 3, 250,
                        os::ResourceLookup::notLoaded, L"加载资源失败 ", L"8K接收器升级失败"}),
    [](const auto& p) { return std::string(p.param.name); });

struct GuardCase {
  const char* name;
  void (*start)(UpgradeView&);
  int receiverModel;
  const wchar_t* failureText;
};

class StandInGuard : public UpgradeStart, public ::testing::WithParamInterface<GuardCase> {};

TEST_P(StandInGuard, RefusesEveryClassBeforeOpeningAnything) {
  const auto& c = GetParam();
  const auto device = c.receiverModel == 0
                          ? PlugMouse(1, 2, 0xF0)
                          : PlugReceiver(1, static_cast<std::uint8_t>(c.receiverModel));
  sim::PretendDevicesAreReal(true);
  ASSERT_TRUE(kStandInFirmwareEmbedded);
  c.start(view_);
  EXPECT_EQ(sim::MessageBoxesShown(), std::vector<std::wstring>{kStandInFirmwareText});
  EXPECT_EQ(view_.statusText, c.failureText);
  EXPECT_EQ(DeviceOpens(device.usb), 0u);
  EXPECT_EQ(view_.buttonChanges, (std::vector<bool>{false, true}));
  EXPECT_EQ(WorkersStartedHere(), 0u);
  EXPECT_EQ(UpgradeState.busy.Load(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Classes, StandInGuard,
    ::testing::Values(GuardCase{"Mouse", StartMouseUpgrade, 0, L"鼠标升级失败"},
                      GuardCase{"Receiver1K", StartReceiver1KUpgrade, 1, L"1K接收器升级失败"},
                      GuardCase{"Receiver8KModel2", StartReceiver8KUpgrade, 2, L"8K接收器升级失败"},
                      GuardCase{"Receiver8KModel3", StartReceiver8KUpgrade, 3,
                                L"8K接收器升级失败"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(UpgradeStart, DeviceThatCannotBeOpenedFailsAtOnce) {
  auto mouse = PlugMouse(1, 2, 0xF0);
  sim::SetInterfaceFaults(mouse.usb.Interface(sim::InterfaceRole::ota).path, {.failOpen = true});
  StartMouseUpgrade(view_);
  EXPECT_EQ(view_.statusTexts,
            (std::vector<std::wstring>{L"T81-3395鼠标开始升级", L"鼠标升级失败"}));
  EXPECT_TRUE(sim::MessageBoxesShown().empty());
  EXPECT_EQ(view_.buttonChanges, (std::vector<bool>{false, true}));
  EXPECT_EQ(WorkersStartedHere(), 0u);
  EXPECT_EQ(sim::OpenHandleCount(), 0u);
  EXPECT_EQ(UpgradeState.busy.Load(), 0u);
}

TEST_F(UpgradeStart, WorkerThatCannotStartReturnsToIdle) {
  PlugReceiver(1, 1);
  sim::FailThreadStarts(1);
  StartReceiver1KUpgrade(view_);
  EXPECT_EQ(view_.statusText, L"1K接收器升级失败");
  EXPECT_EQ(UpgradeState.busy.Load(), 0u);
  EXPECT_EQ(UpgradeState.readHandle, hid::kInvalidHandle);
  EXPECT_EQ(sim::OpenHandleCount(), 0u);
  EXPECT_EQ(view_.buttonChanges, (std::vector<bool>{false, true}));
}

TEST_F(UpgradeStart, HandlesOfAnEarlierUpgradeAreClosedFirst) {
  const auto mouse = PlugMouse(1, 2, 0xF0);
  const auto& path = mouse.usb.Interface(sim::InterfaceRole::ota).path;
  UpgradeState.readHandle = hid::Open(path, hid::Access::read);
  UpgradeState.writeHandle = hid::Open(path, hid::Access::write);
  StartMouseUpgrade(view_);
  Finish();
  EXPECT_EQ(sim::OpenHandleCount(), 2u);  // only the pair of this upgrade
}

}  // namespace
