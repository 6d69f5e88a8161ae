// The main dialog from construction to a running window: template, texts, fonts, icon,
// system menu, notifications, the first scan, the About box and painting.
#include <gtest/gtest.h>

#include "app/orvik_ota_tools_app.h"
#include "discovery/identity_query.h"
#include "main_dialog_fixture.h"
#include "platform/sim/device_layouts.h"
#include "platform/sim/identity_device.h"
#include "platform/sim/usb_device.h"
#include "update/ota_messages.h"
#include "window_tables.h"

namespace {

using app_testing::FoldedClass;
using app_testing::MainDialogTest;

ui::FontSpec LightArial(int height) {
  ui::FontSpec spec;
  spec.height = height;
  spec.weight = 300;
  spec.charSet = 1;
  spec.pitchAndFamily = 0x20;
  spec.face = L"Arial";
  return spec;
}

using StartUp = MainDialogTest;

TEST_F(StartUp, ShowsTheTemplateWithItsTextsFontsAndTheFocusOnCancel) {
  Open();
  const auto view = sim::ViewWindow(window_).value();
  const auto& table = app_testing::MainWindowTable();
  EXPECT_EQ(view.caption, table.caption);
  EXPECT_EQ(view.style, table.style);
  EXPECT_EQ(view.exStyle, table.exStyle);
  ASSERT_EQ(view.controls.size(), table.controls.size());
  for (std::size_t i = 0; i < table.controls.size(); ++i) {
    SCOPED_TRACE(table.controls[i].id);
    EXPECT_EQ(view.controls[i].id, table.controls[i].id);
    EXPECT_EQ(FoldedClass(view.controls[i].className), FoldedClass(table.controls[i].className));
    EXPECT_TRUE(view.controls[i].enabled);
  }
  EXPECT_EQ(Control(IDC_STATUS).text, L"");
  EXPECT_EQ(Control(IDC_NOTICE).text, app_testing::kNoticeText);
  EXPECT_EQ(Control(IDC_STATUS).font, LightArial(60));
  EXPECT_EQ(Control(IDC_NOTICE).font, LightArial(30));
  EXPECT_EQ(view.focus, ui::kIdCancel);
  for (const int bar : {IDC_MOUSE_PROGRESS, IDC_RECEIVER_1K_PROGRESS, IDC_RECEIVER_8K_PROGRESS}) {
    const auto control = Control(bar);
    EXPECT_EQ(control.rangeLow, 0);
    EXPECT_EQ(control.rangeHigh, 100);
    EXPECT_EQ(control.position, 0);
  }
  EXPECT_EQ(view.boundControls, (std::vector<int>{1000, 1001, 1002, 1003, 1004, 1005, 1007, 1008}));
  EXPECT_EQ(view.systemMenu, (std::vector<sim::MenuItemView>{
                                 {true, 0, L""}, {false, 0x0010, L"关于 ORVIK-OTA-TOOLS(&A)..."}}));
  const ui::IconHandle icon = ui::LoadIconResource(IDR_MAINFRAME);
  ASSERT_NE(icon.value, nullptr);
  EXPECT_EQ(view.bigIcon, icon);
  EXPECT_EQ(view.smallIcon, icon);
  EXPECT_EQ(view.deviceNotifications, std::vector<ui::Guid>{kUsbDeviceInterfaceClass});
  EXPECT_EQ(UpgradeState.dialog.Get(), main_.get());
  EXPECT_EQ(DeviceTable.deviceCount, 0);
}

TEST_F(StartUp, TheFontsOutliveTextChanges) {
  Open();
  main_->SetStatusText(L"升级成功");
  main_->SetStatusText(L"升级失败");
  EXPECT_EQ(Control(IDC_STATUS).text, L"升级失败");
  EXPECT_EQ(Control(IDC_STATUS).font, LightArial(60));
}

TEST_F(StartUp, ConstructionSetsTheWantedIdsAndClosesTheIdentityHandlesByValue) {
  DeviceTable.wantedVendorId = 1;
  DeviceTable.wantedMouseProductId = 2;
  DeviceTable.wantedReceiverProductId = 3;
  identityReadHandle = hid::Handle{7};
  identityWriteHandle = hid::Handle{8};
  CORVIKOTATOOLSDlg dialog;
  EXPECT_EQ(DeviceTable.wantedVendorId, 0x093A);
  EXPECT_EQ(DeviceTable.wantedMouseProductId, 0x622C);
  EXPECT_EQ(DeviceTable.wantedReceiverProductId, 0x522C);
  EXPECT_EQ(identityReadHandle, hid::kInvalidHandle);
  EXPECT_EQ(identityWriteHandle, hid::kInvalidHandle);
  EXPECT_EQ(dialog.Window().value, nullptr);
  EXPECT_EQ(UpgradeState.dialog.Get(), nullptr);
}

// An identity interface that notes whether the main dialog was published when asked.
class PublicationWitness : public sim::IdentityDevice {
 public:
  bool SetFeature(std::span<const std::uint8_t> report) override {
    dialogsSeen.push_back(UpgradeState.dialog.Get());
    return IdentityDevice::SetFeature(report);
  }
  std::vector<ui::Dialog*> dialogsSeen;
};

TEST_F(StartUp, TheFirstScanRunsBeforeTheDialogIsPublished) {
  auto witness = std::make_shared<PublicationWitness>();
  sim::PlugUsbDevice(sim::MakeMouse(1, {.identity = witness}));
  Open();
  ASSERT_FALSE(witness->dialogsSeen.empty());
  EXPECT_EQ(witness->dialogsSeen, std::vector<ui::Dialog*>(witness->dialogsSeen.size(), nullptr));
  EXPECT_EQ(DeviceTable.deviceCount, 1);
  EXPECT_EQ(DeviceTable.records[0].productId, 0x622C);
  EXPECT_EQ(UpgradeState.dialog.Get(), main_.get());
}

TEST_F(StartUp, AnEmptyAboutStringAddsNoMenuItem) {
  sim::OverrideString(IDS_ABOUTBOX, L"");
  Open();
  EXPECT_TRUE(sim::ViewWindow(window_)->systemMenu.empty());
}

TEST_F(StartUp, TheApplicationInitialisesCommonControlsThenRunsTheDialogUntilCancel) {
  CORVIKOTATOOLSApp app;
  bool ran = false;
  sim::AnswerNextModal([&] {
    ran = true;
    EXPECT_EQ(sim::CommonControlsInitialisations(),
              (std::vector<sim::CommonControlsCall>{{8, 0xFF}}));
    const ui::WindowHandle window = sim::TopDialog();
    ASSERT_NE(UpgradeState.dialog.Get(), nullptr);
    EXPECT_EQ(UpgradeState.dialog.Get()->Window(), window);
    EXPECT_EQ(sim::ViewWindow(window)->templateId, IDD_ORVIKOTATOOLS_DIALOG);
    sim::ClickButton(window, ui::kIdCancel);
  });
  app.InitInstance();
  EXPECT_TRUE(ran);
  EXPECT_EQ(sim::DialogsShown(), std::vector<int>{IDD_ORVIKOTATOOLS_DIALOG});
  EXPECT_EQ(UpgradeState.dialog.Get(), nullptr);
  EXPECT_EQ(sim::TopDialog().value, nullptr);
}

// System commands whose id masked with 0xFFF0 is 0x0010 open the About box.
class SystemCommands : public MainDialogTest,
                       public ::testing::WithParamInterface<std::pair<ui::WParam, bool>> {};

TEST_P(SystemCommands, OpenTheAboutBoxOnlyForTheAddedItem) {
  const auto [command, about] = GetParam();
  Open();
  EXPECT_EQ(Send(ui::kWmSysCommand, command, 0), 0);
  EXPECT_EQ(sim::DialogsShown(), about ? std::vector<int>{IDD_ABOUTBOX} : std::vector<int>{});
  EXPECT_FALSE(sim::DialogResult(window_).has_value());
  EXPECT_EQ(sim::TopDialog(), window_);
}

INSTANTIATE_TEST_SUITE_P(Ids, SystemCommands,
                         ::testing::Values(std::pair<ui::WParam, bool>{0x0010, true},
                                           std::pair<ui::WParam, bool>{0x0011, true},
                                           std::pair<ui::WParam, bool>{0x001F, true},
                                           std::pair<ui::WParam, bool>{0x0020, false},
                                           std::pair<ui::WParam, bool>{0xF010, false}));

TEST_F(StartUp, TheAboutBoxShowsItsTemplateAndTheMainDialogKeepsHandlingPosts) {
  Open();
  UpgradeState.UpgradeTarget = kTargetMouse;
  ui::WindowHandle about;
  sim::AnswerNextModal([&] {
    about = sim::TopDialog();
    const auto view = sim::ViewWindow(about).value();
    const auto& table = app_testing::AboutBoxTable();
    EXPECT_EQ(view.caption, table.caption);
    ASSERT_EQ(view.controls.size(), table.controls.size());
    for (std::size_t i = 0; i < table.controls.size(); ++i) {
      EXPECT_EQ(view.controls[i].text, table.controls[i].text);
    }
    EXPECT_EQ(view.focus, ui::kIdOk);
    // Posted messages still reach the main dialog; its input waits.
    ui::PostToWindow(window_, WM_OTA_PROGRESS, 0, 96);
    sim::ClickCloseBox(window_);
    sim::PumpUntilIdle();
    EXPECT_EQ(Control(IDC_MOUSE_PROGRESS).rangeHigh, 96);
    EXPECT_FALSE(sim::DialogResult(window_).has_value());
    sim::ClickButton(about, ui::kIdOk);
  });
  Send(ui::kWmSysCommand, kAboutBoxCommand, 0);
  EXPECT_EQ(sim::DialogsShown(), std::vector<int>{IDD_ABOUTBOX});
  EXPECT_FALSE(sim::ViewWindow(about).has_value());
  EXPECT_FALSE(sim::DialogResult(window_).has_value());
}

TEST_F(StartUp, PaintingWhileMinimisedDrawsTheIconInTheMiddle) {
  Open();
  sim::SetMinimised(window_, true);
  EXPECT_EQ(Send(ui::kWmPaint, 0, 0), 0);
  const auto view = sim::ViewWindow(window_).value();
  const int x = (view.client.Width() - 32 + 1) / 2;
  const int y = (view.client.Height() - 32 + 1) / 2;
  EXPECT_EQ(view.iconDraws, (std::vector<sim::IconDrawView>{{x, y, view.bigIcon}}));
  EXPECT_EQ(view.iconErasures, 1);
  EXPECT_EQ(view.defaultPaints, 0);

  sim::SetMinimised(window_, false);
  Send(ui::kWmPaint, 0, 0);
  EXPECT_EQ(sim::ViewWindow(window_)->iconDraws.size(), 1u);
  EXPECT_EQ(sim::ViewWindow(window_)->defaultPaints, 1);
}

TEST_F(StartUp, TheDragIconIsTheWindowIcon) {
  Open();
  EXPECT_EQ(Send(ui::kWmQueryDragIcon, 0, 0),
            reinterpret_cast<ui::Result>(ui::LoadIconResource(IDR_MAINFRAME).value));
}

}  // namespace
