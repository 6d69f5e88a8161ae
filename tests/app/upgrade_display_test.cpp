// WM_OTA_PROGRESS and WM_OTA_RESULT: the bar of the target, the result text, the handle
// pair, the buttons and the catch-up scan.
#include <gtest/gtest.h>

#include <string>

#include "main_dialog_fixture.h"
#include "platform/sim/device_layouts.h"
#include "platform/sim/identity_device.h"
#include "platform/sim/usb_device.h"
#include "update/ota_messages.h"

namespace {

using app_testing::MainDialogTest;

constexpr int kNoBar = 0;

struct ProgressCase {
  const char* name;
  std::uint8_t target;
  std::vector<std::pair<ui::WParam, ui::LParam>> messages;
  int bar;
  int rangeHigh;
  int position;
};

class Progress : public MainDialogTest, public ::testing::WithParamInterface<ProgressCase> {};

TEST_P(Progress, MovesTheBarOfTheTargetOnly) {
  const auto& c = GetParam();
  Open();
  UpgradeState.UpgradeTarget = c.target;
  for (const auto& [kind, value] : c.messages) {
    EXPECT_EQ(Send(WM_OTA_PROGRESS, kind, value), 1);
  }
  for (const int bar : {IDC_MOUSE_PROGRESS, IDC_RECEIVER_1K_PROGRESS, IDC_RECEIVER_8K_PROGRESS}) {
    SCOPED_TRACE(bar);
    const auto control = Control(bar);
    EXPECT_EQ(control.rangeLow, 0);
    EXPECT_EQ(control.rangeHigh, bar == c.bar ? c.rangeHigh : 100);
    EXPECT_EQ(control.position, bar == c.bar ? c.position : 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, Progress,
    ::testing::Values(
        ProgressCase{"Mouse", 1, {{0, 96}, {1, 4}}, IDC_MOUSE_PROGRESS, 96, 4},
        ProgressCase{"Receiver1K", 2, {{0, 156}, {1, 90}}, IDC_RECEIVER_1K_PROGRESS, 156, 90},
        ProgressCase{
            "Receiver8KModel2", 3, {{0, 150}, {1, 150}}, IDC_RECEIVER_8K_PROGRESS, 150, 150},
        ProgressCase{"Receiver8KModel3", 4, {{0, 96}, {1, 10}}, IDC_RECEIVER_8K_PROGRESS, 96, 10},
        ProgressCase{"NoUpgradeYet", 0, {{0, 96}, {1, 4}}, kNoBar, 0, 0},
        ProgressCase{"UnknownTarget", 5, {{0, 96}, {1, 4}}, kNoBar, 0, 0},
        ProgressCase{
            "RangeCutTo16Bits", 1, {{0, 65536 + 120}, {1, 60}}, IDC_MOUSE_PROGRESS, 120, 60},
        ProgressCase{"RangeOf65536IsEmpty", 1, {{0, 65536}, {1, 60}}, IDC_MOUSE_PROGRESS, 0, 0},
        ProgressCase{"PositionPastTheRangeShowsFull",
                     2,
                     {{0, 96}, {1, 200}},
                     IDC_RECEIVER_1K_PROGRESS,
                     96,
                     96},
        ProgressCase{"PositionBeforeAnyRange", 1, {{1, 40}}, IDC_MOUSE_PROGRESS, 100, 40},
        ProgressCase{"KindTwoChangesNothing", 1, {{2, 96}, {3, 4}}, kNoBar, 0, 0}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

class Results : public MainDialogTest {
 protected:
  // What the upgrade start leaves: a running upgrade with its pair open, buttons disabled.
  void StartedUpgrade(std::uint8_t target) {
    PlugOtaDevice();
    UpgradeState.readHandle = hid::Open(kOtaPath, hid::Access::read);
    UpgradeState.writeHandle = hid::Open(kOtaPath, hid::Access::write);
    UpgradeState.UpgradeTarget = target;
    UpgradeState.busy = 1;
    main_->EnableUpgradeButtons(false);
    main_->SetStatusText(L"8K接收器开始升级");
  }
};

struct ResultCase {
  const char* name;
  std::uint8_t target;
  ui::WParam outcome;
  ui::LParam code;
  const wchar_t* text;
  bool handlesOpen;
};

class ResultTable : public Results, public ::testing::WithParamInterface<ResultCase> {};

TEST_P(ResultTable, EndsTheUpgradeWithItsText) {
  const auto& c = GetParam();
  Open();
  StartedUpgrade(c.target);
  EXPECT_EQ(Send(WM_OTA_RESULT, c.outcome, c.code), 1);
  EXPECT_EQ(UpgradeState.busy.Load(), 0u);
  EXPECT_EQ(Control(IDC_STATUS).text, c.text);
  EXPECT_EQ(UpgradeState.readHandle != hid::kInvalidHandle, c.handlesOpen);
  EXPECT_EQ(UpgradeState.writeHandle != hid::kInvalidHandle, c.handlesOpen);
  EXPECT_EQ(sim::OpenHandleCount(), c.handlesOpen ? 2u : 0u);
  EXPECT_TRUE(UpgradeButtonsEnabled());
  EXPECT_EQ(UpgradeState.UpgradeTarget, c.target);
}

std::vector<ResultCase> ResultCases() {
  std::vector<ResultCase> cases;
  static const char* const kFailures[] = {"Code1", "Code2", "Code3", "Code4",
                                          "Code5", "Code6", "Code7"};
  for (int code = 1; code <= 7; ++code) {
    cases.push_back({kFailures[code - 1], kTargetMouse, 0, code, L"升级失败", false});
  }
  cases.push_back({"SuccessMouse", kTargetMouse, 1, 0, L"升级成功", true});
  cases.push_back({"SuccessReceiver1K", kTargetReceiver1K, 1, 0, L"升级成功", true});
  // Target 3 goes on with its second stage, which has no output path to open here.
  cases.push_back({"SuccessReceiver8KModel2WithoutOutputPath", kTargetReceiver8KOutput, 1, 0,
                   L"8K接收器升级失败", false});
  cases.push_back({"SuccessReceiver8KModel3", kTargetReceiver8KBootMode, 1, 0, L"升级成功", true});
  cases.push_back({"FailureOf8KModel3", kTargetReceiver8KBootMode, 0, 7, L"升级失败", false});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Table, ResultTable, ::testing::ValuesIn(ResultCases()),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

TEST_F(Results, AnOutcomeOtherThanZeroOrOneChangesNothing) {
  Open();
  StartedUpgrade(kTargetMouse);
  UpgradeState.deviceListChanged = 1;
  for (const ui::WParam outcome : {2u, 3u, 0xFFFFu}) EXPECT_EQ(Send(WM_OTA_RESULT, outcome, 0), 1);
  EXPECT_EQ(UpgradeState.busy.Load(), 1u);
  EXPECT_EQ(UpgradeState.deviceListChanged.Load(), 1u);
  EXPECT_EQ(Control(IDC_STATUS).text, L"8K接收器开始升级");
  EXPECT_FALSE(Control(IDC_MOUSE_UPGRADE).enabled);
  EXPECT_EQ(sim::OpenHandleCount(), 2u);
}

// An identity interface that notes whether the upgrade buttons were enabled when asked.
class ButtonWitness : public sim::IdentityDevice {
 public:
  explicit ButtonWitness(ui::WindowHandle window) : window_(window) {}
  bool SetFeature(std::span<const std::uint8_t> report) override {
    const auto button = sim::ViewControl(window_, IDC_RECEIVER_8K_UPGRADE);
    enabledWhenAsked.push_back(button && button->enabled);
    return IdentityDevice::SetFeature(report);
  }
  std::vector<bool> enabledWhenAsked;

 private:
  ui::WindowHandle window_;
};

TEST_F(Results, DevicesThatCameMeanwhileAreScannedAfterTheButtonsAreEnabled) {
  Open();
  StartedUpgrade(kTargetMouse);
  auto witness = std::make_shared<ButtonWitness>(window_);
  sim::PlugUsbDevice(sim::MakeMouse(2, {.identity = witness}));
  UpgradeState.deviceListChanged = 1;
  Send(WM_OTA_RESULT, 1, 0);
  EXPECT_EQ(UpgradeState.deviceListChanged.Load(), 0u);
  EXPECT_EQ(DeviceTable.deviceCount, 1);
  EXPECT_EQ(witness->enabledWhenAsked, std::vector<bool>{true});
}

TEST_F(Results, WithoutADeviceChangeNoScanRuns) {
  Open();
  StartedUpgrade(kTargetMouse);
  auto witness = std::make_shared<ButtonWitness>(window_);
  sim::PlugUsbDevice(sim::MakeMouse(2, {.identity = witness}));
  Send(WM_OTA_RESULT, 0, 3);
  EXPECT_EQ(DeviceTable.deviceCount, 0);
  EXPECT_TRUE(witness->enabledWhenAsked.empty());
}

TEST_F(Results, ARepeatedCode7RepeatsTheFailureAndScansOnlyIfAskedAgain) {
  Open();
  StartedUpgrade(kTargetReceiver8KBootMode);
  auto witness = std::make_shared<ButtonWitness>(window_);
  sim::PlugUsbDevice(sim::MakeMouse(2, {.identity = witness}));
  Send(WM_OTA_RESULT, 0, 7);
  EXPECT_TRUE(witness->enabledWhenAsked.empty());
  main_->EnableUpgradeButtons(false);
  UpgradeState.deviceListChanged = 1;
  Send(WM_OTA_RESULT, 0, 7);
  EXPECT_EQ(Control(IDC_STATUS).text, L"升级失败");
  EXPECT_EQ(UpgradeState.readHandle, hid::kInvalidHandle);
  EXPECT_EQ(UpgradeState.writeHandle, hid::kInvalidHandle);
  EXPECT_TRUE(UpgradeButtonsEnabled());
  EXPECT_EQ(witness->enabledWhenAsked, std::vector<bool>{true});
  EXPECT_EQ(DeviceTable.deviceCount, 1);
}

TEST_F(Results, PostedProgressIsHandledBeforeTheResultInPostingOrder) {
  Open();
  StartedUpgrade(kTargetMouse);
  ui::PostToWindow(window_, WM_OTA_PROGRESS, 0, 12);
  ui::PostToWindow(window_, WM_OTA_PROGRESS, 1, 12);
  ui::PostToWindow(window_, WM_OTA_RESULT, 1, 0);
  EXPECT_EQ(sim::PumpUntilIdle(), 3u);
  EXPECT_EQ(Control(IDC_MOUSE_PROGRESS).position, 12);
  EXPECT_EQ(Control(IDC_STATUS).text, L"升级成功");
  const auto statuses = testing_support::EventsNamed("status");
  ASSERT_FALSE(statuses.empty());
  EXPECT_EQ(statuses.back().Text("text"), "升级成功");
}

}  // namespace
