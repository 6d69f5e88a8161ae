// A simulated machine with an empty device table, which checks after each test that
// everything the scan and the identity query open has been released.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "discovery/device_table.h"
#include "discovery/identity_query.h"
#include "platform/sim/transcript.h"
#include "platform/sim/usb_device.h"
#include "support/sim_machine.h"

namespace discovery_testing {

// Names a parameterised case after the `name` member of its parameter.
struct CaseName {
  template <typename Case>
  std::string operator()(const ::testing::TestParamInfo<Case>& test) const {
    return test.param.name;
  }
};

class DiscoveryTest : public testing_support::SimMachine {
 protected:
  void SetUp() override {
    SimMachine::SetUp();
    DeviceTable = DeviceTableRecord{};
  }

  void TearDown() override {
    EXPECT_EQ(identityReadHandle, hid::kInvalidHandle);
    EXPECT_EQ(identityWriteHandle, hid::kInvalidHandle);
    EXPECT_EQ(sim::OpenHandleCount(), 0u);
    EXPECT_EQ(sim::OpenInterfaceSetCount(), 0u);
    EXPECT_EQ(sim::ParsedDataCount(), 0u);
    CloseIdentityHandles();
    DeviceTable = DeviceTableRecord{};
    SimMachine::TearDown();
  }

  static std::vector<sim::TranscriptEvent> Events(const std::string& ev, const std::wstring& path) {
    std::vector<sim::TranscriptEvent> out;
    for (auto& event : testing_support::EventsNamed(ev)) {
      if (event.Text("path") == sim::Utf8(path)) out.push_back(event);
    }
    return out;
  }

  static std::vector<sim::TranscriptEvent> Sleeps() {
    return testing_support::EventsNamed("sleep");
  }
};

}  // namespace discovery_testing
