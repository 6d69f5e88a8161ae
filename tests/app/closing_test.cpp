// Every way of closing the main window ends it at once, also during an upgrade, and
// leaves a running worker posting to nobody.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "discovery/device_scan.h"
#include "main_dialog_fixture.h"
#include "platform/os.h"
#include "platform/sim/device_layouts.h"
#include "platform/sim/sim_os.h"
#include "platform/sim/usb_device.h"
#include "update/ota_messages.h"
#include "update/upgrade_worker.h"

namespace {

using app_testing::MainDialogTest;

struct CloseCase {
  const char* name;
  void (*close)(ui::WindowHandle window);
  std::intptr_t result;
};

class Closing : public MainDialogTest,
                public ::testing::WithParamInterface<std::tuple<CloseCase, bool>> {};

TEST_P(Closing, EndsTheDialogAtOnceWhateverTheUpgradeState) {
  const auto& [c, busy] = GetParam();
  Open();
  UpgradeState.busy = busy ? 1 : 0;
  c.close(window_);
  sim::PumpUntilIdle();
  EXPECT_EQ(sim::DialogResult(window_), c.result);
  EXPECT_TRUE(sim::MessageBoxesShown().empty());
  sim::CloseDialog(*main_);
  EXPECT_EQ(UpgradeState.dialog.Get(), nullptr);
  EXPECT_FALSE(ui::PostToWindow(window_, WM_OTA_RESULT, 1, 0));
}

INSTANTIATE_TEST_SUITE_P(Ways, Closing,
                         ::testing::Combine(
                             ::testing::Values(CloseCase{"CancelButton",
                                                         [](ui::WindowHandle w) {
                                                           sim::ClickButton(w, ui::kIdCancel);
                                                         },
                                                         ui::kIdCancel},
                                               CloseCase{
                                                   "Escape",
                                                   [](ui::WindowHandle w) { sim::PressEscape(w); },
                                                   ui::kIdCancel},
                                               CloseCase{"CloseBox",
                                                         [](ui::WindowHandle w) {
                                                           sim::ClickCloseBox(w);
                                                         },
                                                         ui::kIdCancel},
                                               CloseCase{"EnterInTheStatusBox",
                                                         [](ui::WindowHandle w) {
                                                           sim::FocusControl(w, IDC_STATUS);
                                                           sim::PressEnter(w);
                                                         },
                                                         ui::kIdOk},
                                               CloseCase{"EnterInTheNoticeBox",
                                                         [](ui::WindowHandle w) {
                                                           sim::FocusControl(w, IDC_NOTICE);
                                                           sim::PressEnter(w);
                                                         },
                                                         ui::kIdOk},
                                               CloseCase{
                                                   "EnterOnCancel",
                                                   [](ui::WindowHandle w) { sim::PressEnter(w); },
                                                   ui::kIdCancel}),
                             ::testing::Bool()),
                         [](const auto& testCase) {
                           return std::string(std::get<0>(testCase.param).name) +
                                  (std::get<1>(testCase.param) ? "Busy" : "Idle");
                         });

TEST_F(MainDialogTest, EnterOnAnUpgradeButtonPressesItAndLeavesTheWindowOpen) {
  Open();
  sim::FocusControl(window_, IDC_MOUSE_UPGRADE);
  sim::PressEnter(window_);
  sim::PumpUntilIdle();
  EXPECT_FALSE(sim::DialogResult(window_).has_value());
}

// A running worker keeps going after the window is gone; its posts reach nobody.
TEST_F(MainDialogTest, ClosingDuringATransferLeavesTheWorkerPostingToNobody) {
  Open();
  const auto image = testing_support::MakeImage(40000);
  const auto device = PlugOtaDevice();
  PrepareUpgrade(image, kTargetMouse, 40);
  ASSERT_TRUE(os::StartThread(UpgradeWorker, const_cast<std::uint8_t*>(image.data())));
  ASSERT_TRUE(sim::PumpUntilMessage(window_, WM_OTA_PROGRESS, std::chrono::seconds(60)));
  sim::ClickButton(window_, ui::kIdCancel);
  sim::PumpUntilIdle();
  ASSERT_EQ(sim::DialogResult(window_), ui::kIdCancel);
  sim::CloseDialog(*main_);
  main_.reset();
  sim::JoinWorkers();
  EXPECT_TRUE(device->UpgradeComplete());
  EXPECT_EQ(UpgradeState.dialog.Get(), nullptr);
  EXPECT_EQ(testing_support::EventsNamed("post").back().Text("msg"), "WM_OTA_RESULT");
}

void ScanOnTheWorker(void*) {
  ScanDevices(ScanMode::Check);
  PostToMainDialog(WM_OTA_RESULT, 0, kResultSecondStage);
}

TEST_F(MainDialogTest, ClosingDuringAWorkerSideScanIsClean) {
  for (int port = 1; port <= 4; ++port) sim::PlugUsbDevice(sim::MakeMouse(port));
  Open();
  UpgradeState.busy = 1;
  ASSERT_TRUE(os::StartThread(ScanOnTheWorker, nullptr));
  sim::PressEscape(window_);
  sim::PumpUntilIdle();
  sim::CloseDialog(*main_);
  main_.reset();
  sim::JoinWorkers();
  EXPECT_EQ(DeviceTable.deviceCount, 4);
  EXPECT_EQ(testing_support::EventsNamed("post").size(), 1u);
}

}  // namespace
