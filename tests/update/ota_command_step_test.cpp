#include "update/ota_command_step.h"

#include <gtest/gtest.h>

#include "support/sim_machine.h"
#include "update/ota_messages.h"
#include "update/ota_reports.h"
#include "update/worker_exit.h"

namespace {

using sim::AnswerFault;
using testing_support::EventsNamed;
using testing_support::SimMachine;

class CommandStep : public SimMachine {
 protected:
  // Opens the pair on a device and sends CMD_FW_OTA_INIT_NEW through one step.
  void InitNewStep(sim::OtaDeviceOptions options) {
    device_ = PlugOtaDevice(std::move(options));
    PrepareUpgrade(std::vector<std::uint8_t>(100), kTargetMouse, 40);
    UpgradeState.sequenceNumber = 0;
    UpgradeState.commandCounter = 1;
    UpgradeState.packetSize = 25;
    UpgradeState.packetsPerBatch = 40;
    BuildInitNew();
    sim::ClearTranscript();
    RunCommandStep(L"CMD_FW_OTA_INIT_NEW Error", 10, kResultInitNew, 100);
  }
  std::shared_ptr<sim::OtaDevice> device_;
};

TEST_F(CommandStep, AnsweredAtOnceReadsOnce) {
  InitNewStep({});
  EXPECT_EQ(EventsNamed("get_feature").size(), 1u);
  EXPECT_EQ(UpgradeState.pollCount, 1);
  EXPECT_EQ(sim::NowMs(), 10u);
  EXPECT_TRUE(sim::MessageBoxesShown().empty());
}

TEST_F(CommandStep, LateAnswerIsPolledForAtTheInterval) {
  InitNewStep({.answerFaults = {{CMD_FW_OTA_INIT_NEW, 1, AnswerFault::Kind::late, 4}}});
  EXPECT_EQ(EventsNamed("get_feature").size(), 4u);
  EXPECT_EQ(UpgradeState.pollCount, 4);
  EXPECT_EQ(sim::NowMs(), 10u + 3 * 100);
}

TEST_F(CommandStep, StaleAnswerIsReadAgain) {
  InitNewStep({.answerFaults = {{CMD_FW_OTA_INIT_NEW, 1, AnswerFault::Kind::stale}}});
  EXPECT_EQ(UpgradeState.pollCount, 2);
}

TEST_F(CommandStep, AnswerOnTheHundredthReadStillCounts) {
  InitNewStep({.answerFaults = {{CMD_FW_OTA_INIT_NEW, 1, AnswerFault::Kind::late, 100}}});
  EXPECT_EQ(UpgradeState.pollCount, 100);
}

TEST_F(CommandStep, NoAnswerIn100ReadsFailsAfterBoxThenResult) {
  EXPECT_THROW(
      InitNewStep({.answerFaults = {{CMD_FW_OTA_INIT_NEW, 1, AnswerFault::Kind::late, 101}}}),
      WorkerExit);
  EXPECT_EQ(EventsNamed("get_feature").size(), 100u);
  EXPECT_EQ(sim::NowMs(), 10u + 99 * 100);
  const auto events = sim::TranscriptEvents();
  ASSERT_GE(events.size(), 2u);
  EXPECT_EQ(events[events.size() - 2].ev, "message_box");
  EXPECT_EQ(events[events.size() - 2].Text("text"), "CMD_FW_OTA_INIT_NEW Error");
  EXPECT_EQ(events.back().ev, "post");
  EXPECT_EQ(DrainPosted(),
            (std::vector<sim::PostedMessage>{{dialog_.Window(), WM_OTA_RESULT, 0, 1}}));
}

TEST_F(CommandStep, FailedReadsAreNeverAccepted) {
  // A failed read leaves the buffer as the step prepared it: 03 and zeros, never accepted.
  device_ = PlugOtaDevice();
  PrepareUpgrade(std::vector<std::uint8_t>(100), kTargetMouse, 40);
  sim::SetInterfaceFaults(kOtaPath, {.failReads = true});
  BuildInitNew();
  EXPECT_THROW(RunCommandStep(L"CMD_FW_OTA_INIT_NEW Error", 10, kResultInitNew, 100), WorkerExit);
  EXPECT_EQ(UpgradeState.receiveBuffer[0], 3);
  EXPECT_EQ(UpgradeState.receiveBuffer[4], 0);
  EXPECT_EQ(UpgradeState.pollCount, 101);
}

TEST_F(CommandStep, UnservableAnnouncementFailsAtOnce) {
  EXPECT_THROW(InitNewStep({.packetSize = 0, .answerFaults = {}}), WorkerExit);
  EXPECT_EQ(EventsNamed("get_feature").size(), 1u);
  EXPECT_EQ(sim::MessageBoxesShown(), std::vector<std::wstring>{L"CMD_FW_OTA_INIT_NEW Error"});
  EXPECT_EQ(UpgradeState.packetSize, 25);
}

}  // namespace
