// Every device class updated end to end from a click on the main window: the real dialog
// on the headless backend, the worker on its own thread, devices on the simulated bus.
#include <gtest/gtest.h>

#include <chrono>

#include "main_dialog_fixture.h"
#include "platform/sim/device_layouts.h"
#include "platform/sim/identity_device.h"
#include "platform/sim/output_report_device.h"
#include "platform/sim/restarting_receiver.h"
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
  std::size_t failures = 0;
  for (const auto& e : testing_support::EventsNamed("post")) {
    failures += e.Text("msg") == "WM_OTA_RESULT" && e.Number("lparam") == 7;
  }
  EXPECT_EQ(failures, 1u);
}

}  // namespace
