#include "platform/sim/virtual_clock.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/os.h"

namespace {

class VirtualClock : public ::testing::Test {
 protected:
  void SetUp() override { sim::UseVirtualClock(); }
  void TearDown() override { sim::UseVirtualClock(); }
};

TEST_F(VirtualClock, SleepAdvancesAtOnce) {
  os::Sleep(250);
  os::Sleep(0);
  os::Sleep(4294967295u);
  EXPECT_EQ(sim::NowMs(), std::uint64_t{250} + 4294967295u);
}

TEST_F(VirtualClock, ScheduledActionsRunInTimeOrderWhenASleepPassesThem) {
  std::vector<std::pair<int, std::uint64_t>> ran;
  sim::Schedule(300, [&] { ran.emplace_back(3, sim::NowMs()); });
  sim::Schedule(100, [&] { ran.emplace_back(1, sim::NowMs()); });
  sim::Schedule(100, [&] { ran.emplace_back(2, sim::NowMs()); });
  os::Sleep(99);
  EXPECT_TRUE(ran.empty());
  os::Sleep(1);
  ASSERT_EQ(ran.size(), 2u);
  EXPECT_EQ(ran[0].first, 1);
  EXPECT_EQ(ran[1].first, 2);
  os::Sleep(1000);
  ASSERT_EQ(ran.size(), 3u);
  EXPECT_EQ(ran[2].first, 3);
  EXPECT_EQ(ran[2].second, 1100u);  // runs when the sleep ends, not at its due time
}

TEST_F(VirtualClock, AnActionMayScheduleAnother) {
  int runs = 0;
  sim::Schedule(10, [&] {
    ++runs;
    sim::Schedule(0, [&] { ++runs; });
  });
  os::Sleep(10);
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(sim::RunDueActions(), 0u);
}

TEST_F(VirtualClock, ResetDropsPendingActions) {
  int runs = 0;
  sim::Schedule(10, [&] { ++runs; });
  sim::ResetClock();
  os::Sleep(100);
  EXPECT_EQ(runs, 0);
}

}  // namespace
