// A simulated machine with the main dialog open on the test's thread, which is its
// user-interface thread: the test pumps its messages, clicks and reads its controls.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "app/orvik_ota_tools_dlg.h"
#include "discovery/device_table.h"
#include "platform/sim/headless_dialogs.h"
#include "support/sim_machine.h"

namespace app_testing {

// A DEV_BROADCAST_DEVICEINTERFACE_W as the system sends it: size, type, a reserved word,
// the USB device interface class, then the name, terminated unless `terminate` is false.
// `size` overrides the size field.
inline std::vector<std::uint8_t> InterfaceBroadcast(std::u16string_view name,
                                                    std::uint32_t type = 5,
                                                    std::optional<std::uint32_t> size = {},
                                                    bool terminate = true) {
  std::vector<std::uint8_t> bytes(28 + 2 * name.size() + (terminate ? 2 : 0), 0);
  const auto put32 = [&](std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
  };
  put32(0, size.value_or(static_cast<std::uint32_t>(bytes.size())));
  put32(4, type);
  put32(12, kUsbDeviceInterfaceClass.data1);
  for (std::size_t i = 0; i < name.size(); ++i) {
    bytes[28 + 2 * i] = static_cast<std::uint8_t>(name[i]);
    bytes[29 + 2 * i] = static_cast<std::uint8_t>(name[i] >> 8);
  }
  return bytes;
}

class MainDialogTest : public testing_support::SimMachine {
 protected:
  void SetUp() override {
    SimMachine::SetUp();
    // The fixture's bare window stands for no dialog here; the main dialog publishes itself.
    UpgradeState.dialog = nullptr;
    DeviceTable = DeviceTableRecord{};
    sim::TranscribeStatusControl(IDC_STATUS);
  }

  void TearDown() override {
    if (main_ != nullptr) sim::CloseDialog(*main_);
    sim::JoinWorkers();
    main_.reset();
    DeviceTable = DeviceTableRecord{};
    SimMachine::TearDown();
  }

  void Open() {
    main_ = std::make_unique<CORVIKOTATOOLSDlg>();
    ASSERT_TRUE(sim::OpenDialog(*main_));
    window_ = main_->Window();
  }

  sim::ControlView Control(int id) const {
    const auto view = sim::ViewControl(window_, id);
    EXPECT_TRUE(view.has_value()) << "no control " << id;
    return view.value_or(sim::ControlView{});
  }

  ui::Result Send(ui::Message message, ui::WParam wParam, ui::LParam lParam) {
    return ui::SendToWindow(window_, message, wParam, lParam);
  }

  bool UpgradeButtonsEnabled() const {
    return Control(IDC_MOUSE_UPGRADE).enabled && Control(IDC_RECEIVER_1K_UPGRADE).enabled &&
           Control(IDC_RECEIVER_8K_UPGRADE).enabled;
  }

  std::unique_ptr<CORVIKOTATOOLSDlg> main_;
  ui::WindowHandle window_;
};

}  // namespace app_testing
