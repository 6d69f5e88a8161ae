// The simulated bus keeps the handle rules the program relies on.
#include <gtest/gtest.h>

#include <array>

#include "platform/hid.h"
#include "platform/os.h"
#include "support/sim_machine.h"

namespace {

using testing_support::SimMachine;

class EchoInterface : public sim::HidInterfaceModel {
 public:
  bool SetFeature(std::span<const std::uint8_t> report) override {
    last.assign(report.begin(), report.end());
    return true;
  }
  bool GetFeature(std::span<std::uint8_t> report) override {
    for (auto& b : report) b = 0x42;
    return true;
  }
  std::vector<std::uint8_t> last;
};

class HidBus : public SimMachine {
 protected:
  std::shared_ptr<EchoInterface> Plug() {
    auto model = std::make_shared<EchoInterface>();
    sim::PlugInterface(kOtaPath, model);
    return model;
  }
};

TEST_F(HidBus, OpenOfAbsentOrFailingInterfaceYieldsInvalid) {
  EXPECT_EQ(hid::Open(kOtaPath, hid::Access::read), hid::kInvalidHandle);
  Plug();
  sim::SetInterfaceFaults(kOtaPath, {.failOpen = true});
  EXPECT_EQ(hid::Open(kOtaPath, hid::Access::write), hid::kInvalidHandle);
  const auto opens = testing_support::EventsNamed("hid_open");
  ASSERT_EQ(opens.size(), 2u);
  EXPECT_FALSE(opens[1].Flag("ok"));
  EXPECT_EQ(opens[1].Text("access"), "write");
}

TEST_F(HidBus, CloseSetsInvalidAndSecondCloseDoesNothing) {
  Plug();
  auto handle = hid::Open(kOtaPath, hid::Access::read);
  ASSERT_NE(handle, hid::kInvalidHandle);
  EXPECT_EQ(sim::OpenHandleCount(), 1u);
  hid::Close(handle);
  EXPECT_EQ(handle, hid::kInvalidHandle);
  hid::Close(handle);
  EXPECT_EQ(sim::OpenHandleCount(), 0u);
  EXPECT_EQ(testing_support::EventsNamed("hid_close").size(), 1u);
}

TEST_F(HidBus, ReportsTravelOnlyTheWayTheHandleWasOpened) {
  auto model = Plug();
  auto reader = hid::Open(kOtaPath, hid::Access::read);
  auto writer = hid::Open(kOtaPath, hid::Access::write);
  const std::array<std::uint8_t, 4> report{3, 1, 2, 3};
  std::array<std::uint8_t, 4> answer{3, 0, 0, 0};
  EXPECT_FALSE(hid::SetFeature(reader, report));
  EXPECT_FALSE(hid::GetFeature(writer, answer));
  EXPECT_TRUE(hid::SetFeature(writer, report));
  EXPECT_TRUE(hid::GetFeature(reader, answer));
  EXPECT_EQ(model->last, std::vector<std::uint8_t>(report.begin(), report.end()));
  EXPECT_EQ(answer, (std::array<std::uint8_t, 4>{0x42, 0x42, 0x42, 0x42}));
}

TEST_F(HidBus, FailedGetLeavesTheCallersBytes) {
  Plug();
  auto reader = hid::Open(kOtaPath, hid::Access::read);
  sim::SetInterfaceFaults(kOtaPath, {.failReads = true});
  std::array<std::uint8_t, 4> answer{3, 9, 8, 7};
  EXPECT_FALSE(hid::GetFeature(reader, answer));
  EXPECT_EQ(answer, (std::array<std::uint8_t, 4>{3, 9, 8, 7}));
  EXPECT_FALSE(hid::GetFeature(hid::kInvalidHandle, answer));
  EXPECT_EQ(answer, (std::array<std::uint8_t, 4>{3, 9, 8, 7}));
}

TEST_F(HidBus, UnpluggedOrReplacedDeviceNoLongerAnswersOldHandles) {
  Plug();
  auto writer = hid::Open(kOtaPath, hid::Access::write);
  const std::array<std::uint8_t, 2> report{3, 1};
  sim::UnplugInterface(kOtaPath);
  EXPECT_FALSE(hid::SetFeature(writer, report));
  Plug();  // the same path, another device
  EXPECT_FALSE(hid::SetFeature(writer, report));
  auto fresh = hid::Open(kOtaPath, hid::Access::write);
  EXPECT_TRUE(hid::SetFeature(fresh, report));
  const auto sets = testing_support::EventsNamed("set_feature");
  ASSERT_EQ(sets.size(), 3u);
  EXPECT_EQ(sets[2].Text("data"), "0301");
  EXPECT_EQ(sets[2].Number("len"), 2);
}

TEST_F(HidBus, ThreadStartCanBeMadeToFail) {
  static std::atomic<int> runs{0};
  runs = 0;
  sim::FailThreadStarts(1);
  auto entry = [](void*) { ++runs; };
  EXPECT_FALSE(os::StartThread(entry, nullptr));
  EXPECT_TRUE(os::StartThread(entry, nullptr));
  sim::JoinWorkers();
  EXPECT_EQ(runs, 1);
}

}  // namespace
