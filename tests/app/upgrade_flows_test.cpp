// Every device class updated end to end from a click on the main window: the real dialog
// on the headless backend, the worker on its own thread, devices on the simulated bus.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>

#include "main_dialog_fixture.h"
#include "platform/sim/boot_mode_device.h"
#include "platform/sim/device_layouts.h"
#include "platform/sim/identity_device.h"
#include "platform/sim/output_report_device.h"
#include "platform/sim/restarting_receiver.h"
#include "platform/sim/sim_resources.h"
#include "update/firmware_catalogue.h"
#include "update/ota_messages.h"
#include "update/ota_reports.h"

namespace {

using testing_support::Joined;

std::vector<std::uint8_t> Image(std::uint16_t id) {
  const auto image = LoadFirmwareImage(id);
  EXPECT_TRUE(image.has_value()) << id;
  return image ? std::vector<std::uint8_t>(image->data, image->data + image->size)
               : std::vector<std::uint8_t>{};
}

class UpgradeFlow : public app_testing::MainDialogTest {
 protected:
  // Clicks the button and pumps until the worker's last result has been handled.
  void ClickAndFinish(int button, int results = 1) {
    sim::ClickButton(window_, button);
    for (int i = 0; i < results; ++i) {
      ASSERT_TRUE(sim::PumpUntilMessage(window_, WM_OTA_RESULT, std::chrono::seconds(60)));
    }
    sim::JoinWorkers();
    sim::PumpUntilIdle();
  }

  void ExpectSucceeded(int bar) {
    EXPECT_EQ(Control(IDC_STATUS).text, L"升级成功");
    EXPECT_TRUE(UpgradeButtonsEnabled());
    EXPECT_EQ(UpgradeState.busy.Load(), 0u);
    const auto progress = Control(bar);
    EXPECT_GT(progress.rangeHigh, 0);
    EXPECT_EQ(progress.position, progress.rangeHigh);
  }

  static std::size_t SecondStageFailuresPosted() {
    std::size_t failures = 0;
    for (const auto& e : testing_support::EventsNamed("post")) {
      failures += e.Text("msg") == "WM_OTA_RESULT" && e.Number("lparam") == 7;
    }
    return failures;
  }

  std::shared_ptr<sim::OtaDevice> PlugMouse(int port) {
    auto ota = std::make_shared<sim::OtaDevice>();
    sim::PlugUsbDevice(sim::MakeMouse(
        port, {.ota = ota,
               .identity = std::make_shared<sim::IdentityDevice>(
                   sim::IdentityDeviceOptions{.answer = sim::MouseIdentityAnswer(2, 0xF0)})}));
    return ota;
  }

  sim::RestartingReceiver PlugReceiverModel3(int port, sim::RestartOptions options = {}) {
    // The window exists only once the test has opened the dialog.
    auto receiver = sim::MakeRestartingReceiver(
        port, std::move(options), [this](std::uint32_t event, const std::wstring& name) {
          const auto bytes = sim::DeviceInterfaceBroadcast(name);
          sim::DeliverDeviceChange(window_, event, std::span<const std::uint8_t>(bytes));
        });
    sim::PlugUsbDevice(receiver.receiver);
    return receiver;
  }
};

TEST_F(UpgradeFlow, Mouse) {
  const auto ota = PlugMouse(1);
  Open();
  ClickAndFinish(IDC_MOUSE_UPGRADE);
  ExpectSucceeded(IDC_MOUSE_PROGRESS);
  EXPECT_TRUE(ota->UpgradeComplete()) << Joined(ota->Faults());
  EXPECT_EQ(ota->Image(), Image(kImageMouseT81Sensor3395));
  EXPECT_EQ(Control(IDC_MOUSE_PROGRESS).rangeHigh, 25 * 6);
}

TEST_F(UpgradeFlow, Receiver1K) {
  auto ota = std::make_shared<sim::OtaDevice>();
  sim::PlugUsbDevice(sim::MakeReceiver(
      1, {.ota = ota,
          .identity = std::make_shared<sim::IdentityDevice>(
              sim::IdentityDeviceOptions{.answer = sim::ReceiverIdentityAnswer(1, 0)})}));
  Open();
  ClickAndFinish(IDC_RECEIVER_1K_UPGRADE);
  ExpectSucceeded(IDC_RECEIVER_1K_PROGRESS);
  EXPECT_EQ(ota->Image(), Image(kImageReceiver1K));
  EXPECT_TRUE(ota->UpgradeComplete()) << Joined(ota->Faults());
}

TEST_F(UpgradeFlow, Receiver8KModel2TakesItsSecondImageOverOutputReport8) {
  auto ota = std::make_shared<sim::OtaDevice>();
  auto output = std::make_shared<sim::OutputReportDevice>();
  sim::PlugUsbDevice(sim::MakeReceiver(
      1, {.ota = ota,
          .identity = std::make_shared<sim::IdentityDevice>(
              sim::IdentityDeviceOptions{.answer = sim::ReceiverIdentityAnswer(2, 0xFA)}),
          .output = output}));
  Open();
  ClickAndFinish(IDC_RECEIVER_8K_UPGRADE);
  ExpectSucceeded(IDC_RECEIVER_8K_PROGRESS);
  EXPECT_EQ(ota->Image(), Image(kImageReceiver8KModel2));
  EXPECT_TRUE(output->TransferComplete()) << Joined(output->Faults());
  EXPECT_EQ(output->Image(), Image(kImageReceiver8KModel2Second));
  // The stage leaves its handles open on the output interface.
  EXPECT_NE(UpgradeState.writeHandle, hid::kInvalidHandle);
}

TEST_F(UpgradeFlow, Receiver8KModel2WhoseOutputInterfaceRefusesEndsInItsFailureText) {
  auto output = std::make_shared<sim::OutputReportDevice>(
      sim::OutputReportDeviceOptions{.refuseReport = 100});
  sim::PlugUsbDevice(sim::MakeReceiver(
      1, {.identity = std::make_shared<sim::IdentityDevice>(
              sim::IdentityDeviceOptions{.answer = sim::ReceiverIdentityAnswer(2, 0xFA)}),
          .output = output}));
  Open();
  ClickAndFinish(IDC_RECEIVER_8K_UPGRADE);
  EXPECT_EQ(Control(IDC_STATUS).text, L"8K接收器升级失败");
  EXPECT_TRUE(UpgradeButtonsEnabled());
  EXPECT_EQ(output->ReportsReceived(), 100);
}

struct Model3Case {
  const char* name;
  int mousePort;  // 0: no mouse; below the receiver's port 5: enumerated first
};

class Receiver8KModel3 : public UpgradeFlow, public ::testing::WithParamInterface<Model3Case> {};

TEST_P(Receiver8KModel3, RestartsIntoBootModeAndTakesImage278Twice) {
  const auto& c = GetParam();
  std::shared_ptr<sim::OtaDevice> mouse;
  if (c.mousePort != 0 && c.mousePort < 5) mouse = PlugMouse(c.mousePort);
  const auto receiver = PlugReceiverModel3(5);
  if (c.mousePort > 5) mouse = PlugMouse(c.mousePort);
  Open();
  ClickAndFinish(IDC_RECEIVER_8K_UPGRADE);
  ExpectSucceeded(IDC_RECEIVER_8K_PROGRESS);
  EXPECT_TRUE(receiver.ota->UpgradeComplete()) << Joined(receiver.ota->Faults());
  EXPECT_EQ(receiver.ota->Image(), Image(kImageReceiver8KModel3));
  EXPECT_TRUE(receiver.ota->BootSwitchReceived());
  EXPECT_TRUE(receiver.boot->TransferComplete()) << Joined(receiver.boot->Faults());
  EXPECT_EQ(receiver.boot->PassImage(1), Image(kImageReceiver8KModel3Second));
  EXPECT_EQ(UpgradeState.currentDevicePath,
            receiver.bootDevice.Interface(sim::InterfaceRole::ota).path);
  EXPECT_EQ(UpgradeState.awaitingBootDevice.Load(), 0u);
  if (mouse) {
    EXPECT_EQ(mouse->CommandsReceived(CMD_FW_OTA_INIT_NEW), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, Receiver8KModel3,
                         ::testing::Values(Model3Case{"Alone", 0},
                                           Model3Case{"MouseEnumeratedFirst", 2},
                                           Model3Case{"MouseEnumeratedAfter", 7}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(UpgradeFlow, Receiver8KModel3ThatNeverComesBackFailsAfterTheWaitLimit) {
  const auto receiver = PlugReceiverModel3(5, {.comesBack = false});
  Open();
  ClickAndFinish(IDC_RECEIVER_8K_UPGRADE);
  EXPECT_EQ(Control(IDC_STATUS).text, L"升级失败");
  EXPECT_TRUE(UpgradeButtonsEnabled());
  EXPECT_EQ(UpgradeState.awaitingBootDevice.Load(), 0u);
  EXPECT_EQ(receiver.boot->ReportsReceived(), 0);
  EXPECT_EQ(UpgradeState.readHandle, hid::kInvalidHandle);
}

TEST_F(UpgradeFlow, Receiver8KModel3RefusingADataReportEndsWithTheEndReportAndOneResult) {
  const auto receiver = PlugReceiverModel3(5, {.boot = {.refuseReport = 40}});
  Open();
  ClickAndFinish(IDC_RECEIVER_8K_UPGRADE);
  EXPECT_EQ(Control(IDC_STATUS).text, L"升级失败");
  EXPECT_EQ(receiver.boot->EndReports(), 1);
  EXPECT_EQ(SecondStageFailuresPosted(), 1u);
}

}  // namespace

namespace {

struct SecondImageCase {
  const char* name;
  int model;                                  // receiver model 2 or 3
  std::uint16_t imageId;                      // the second image
  std::optional<os::ResourceLookup> failure;  // nullopt: served as an empty image
  const wchar_t* box;                         // null: none
  const wchar_t* finalText;
};

class SecondImageFailures : public UpgradeFlow,
                            public ::testing::WithParamInterface<SecondImageCase> {};

TEST_P(SecondImageFailures, NeverEndInSuccess) {
  const auto& c = GetParam();
  std::shared_ptr<sim::OutputReportDevice> output;
  std::optional<sim::RestartingReceiver> restarting;
  if (c.model == 2) {
    output = std::make_shared<sim::OutputReportDevice>();
    sim::PlugUsbDevice(sim::MakeReceiver(
        1, {.identity = std::make_shared<sim::IdentityDevice>(
                sim::IdentityDeviceOptions{.answer = sim::ReceiverIdentityAnswer(2, 0xFA)}),
            .output = output}));
  } else {
    restarting = PlugReceiverModel3(1);
  }
  if (c.failure) {
    sim::FailResource(c.imageId, *c.failure);
  } else {
    sim::ReplaceResource(c.imageId, {});
  }
  Open();
  ClickAndFinish(IDC_RECEIVER_8K_UPGRADE);
  EXPECT_EQ(Control(IDC_STATUS).text, c.finalText);
  EXPECT_EQ(sim::MessageBoxesShown(),
            c.box ? std::vector<std::wstring>{c.box} : std::vector<std::wstring>{});
  EXPECT_TRUE(UpgradeButtonsEnabled());
  EXPECT_EQ(UpgradeState.busy.Load(), 0u);
  if (output) {
    EXPECT_EQ(output->ReportsReceived(), 0);
  }
  if (restarting) {
    // The stage's end report, then a single failure result.
    EXPECT_EQ(restarting->boot->EndReports(), 1);
    EXPECT_EQ(restarting->boot->PassImage(1).size(), 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SecondImageFailures,
    ::testing::Values(SecondImageCase{"Image277NotFound", 2, 277, os::ResourceLookup::notFound,
                                      L"没有找到资源 ", L"8K接收器升级失败"},
                      SecondImageCase{"Image277NotLocked", 2, 277, os::ResourceLookup::notLocked,
                                      L"不能加载内存 ", L"8K接收器升级失败"},
                      SecondImageCase{"Image277Empty", 2, 277, std::nullopt, nullptr,
                                      L"8K接收器升级失败"},
                      SecondImageCase{"Image278NotLoaded", 3, 278, os::ResourceLookup::notLoaded,
                                      L"加载资源失败 ", L"升级失败"},
                      SecondImageCase{"Image278Empty", 3, 278, std::nullopt, nullptr, L"升级失败"}),
    [](const auto& p) { return std::string(p.param.name); });

class CheckButton : public UpgradeFlow {};

TEST_F(CheckButton, DoesNothingWhenTheCheckScanSeesNoOtaInterface) {
  sim::PlugUsbDevice(sim::MakeOtherDevice(1, 0x046D, 0xC077));
  Open();
  sim::ClickButton(window_, IDC_CHECK);
  sim::PumpUntilIdle();
  EXPECT_TRUE(testing_support::EventsNamed("set_feature").empty());
  EXPECT_EQ(Control(IDC_STATUS).text, L"");
  EXPECT_EQ(UpgradeState.readHandle, hid::kInvalidHandle);
}

TEST_F(CheckButton, SendsOneEndReportToTheBootDevice) {
  auto boot = std::make_shared<sim::BootModeDevice>();
  const auto device = sim::MakeBootModeReceiver(1, {.ota = boot});
  sim::PlugUsbDevice(device);
  Open();
  sim::ClickButton(window_, IDC_CHECK);
  sim::PumpUntilIdle();
  EXPECT_EQ(boot->EndReports(), 1);
  EXPECT_EQ(boot->ReportsReceived(), 1);
  EXPECT_EQ(UpgradeState.currentDevicePath, device.Interface(sim::InterfaceRole::ota).path);
  EXPECT_NE(UpgradeState.writeHandle, hid::kInvalidHandle);  // left open
  EXPECT_TRUE(UpgradeButtonsEnabled());
  EXPECT_EQ(Control(IDC_STATUS).text, L"");
  // Nothing is read back.
  EXPECT_TRUE(testing_support::EventsNamed("get_feature").empty() ||
              testing_support::EventsNamed("get_feature").back().thread == "ui");
}

TEST_F(CheckButton, TakesTheFirstDeviceWithAnOtaInterfacePastAMouse) {
  sim::PlugUsbDevice(sim::MakeMouse(1));
  auto boot = std::make_shared<sim::BootModeDevice>();
  const auto device = sim::MakeBootModeReceiver(2, {.ota = boot});
  sim::PlugUsbDevice(device);
  Open();
  sim::ClickButton(window_, IDC_CHECK);
  sim::PumpUntilIdle();
  EXPECT_EQ(boot->EndReports(), 1);
  const auto writes = testing_support::EventsNamed("set_feature");
  ASSERT_FALSE(writes.empty());
  EXPECT_EQ(writes.back().Text("path"), sim::Utf8(device.Interface(sim::InterfaceRole::ota).path));
  EXPECT_EQ(writes.back().Number("len"), 65);
  EXPECT_EQ(writes.back().Text("data").substr(0, 6), "048300");
}

TEST_F(CheckButton, DoesNothingWhileBusy) {
  sim::PlugUsbDevice(sim::MakeBootModeReceiver(1));
  Open();
  UpgradeState.busy = 1;
  sim::ClickButton(window_, IDC_CHECK);
  sim::PumpUntilIdle();
  EXPECT_TRUE(testing_support::EventsNamed("set_feature").empty());
  UpgradeState.busy = 0;
}

}  // namespace

namespace {

TEST_F(UpgradeFlow, BootDeviceGoneBeforeTheCheckScanFailsTwiceWithoutAnEndReport) {
  // The boot device shows up and leaves again at once: the Check scan finds no boot
  // device, and the end report has no open handle to go through.
  std::optional<sim::UsbDevice> bootDevice;
  auto receiver = sim::MakeRestartingReceiver(
      5, {}, [this, &bootDevice](std::uint32_t event, const std::wstring& name) {
        if (event == sim::kDeviceArrival && bootDevice) sim::UnplugUsbDevice(*bootDevice);
        const auto bytes = sim::DeviceInterfaceBroadcast(name);
        sim::DeliverDeviceChange(window_, event, std::span<const std::uint8_t>(bytes));
      });
  bootDevice = receiver.bootDevice;
  sim::PlugUsbDevice(receiver.receiver);
  Open();
  ClickAndFinish(IDC_RECEIVER_8K_UPGRADE, 2);
  EXPECT_EQ(Control(IDC_STATUS).text, L"升级失败");
  EXPECT_TRUE(UpgradeState.currentDevicePath.empty());
  EXPECT_EQ(receiver.boot->ReportsReceived(), 0);
  EXPECT_EQ(SecondStageFailuresPosted(), 2u);
  EXPECT_TRUE(UpgradeButtonsEnabled());
  EXPECT_EQ(UpgradeState.busy.Load(), 0u);
}

}  // namespace
