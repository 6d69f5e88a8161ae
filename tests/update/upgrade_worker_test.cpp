#include "update/upgrade_worker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <sstream>

#include "platform/os.h"
#include "support/sim_machine.h"
#include "update/ota_messages.h"
#include "update/ota_reports.h"

namespace {

using sim::AnswerFault;
using sim::PostedMessage;
using testing_support::EventsNamed;
using testing_support::MakeImage;
using testing_support::SimMachine;

bool IsWire(const sim::TranscriptEvent& e) {
  return e.ev == "set_feature" || e.ev == "get_feature" || e.ev == "set_output";
}

// Byte 6 of a sent OTA report, from the transcript's hex.
int SentCommand(const sim::TranscriptEvent& e) {
  return std::stoi(e.Text("data").substr(12, 2), nullptr, 16);
}

int SentLength(const sim::TranscriptEvent& e) {
  return std::stoi(e.Text("data").substr(16, 2), nullptr, 16);
}

class Worker : public SimMachine {
 protected:
  std::shared_ptr<sim::OtaDevice> Upgrade(const std::vector<std::uint8_t>& image,
                                          sim::OtaDeviceOptions options = {},
                                          std::uint8_t packetDelayMs = 40) {
    auto device = PlugOtaDevice(std::move(options));
    PrepareUpgrade(image, kTargetMouse, packetDelayMs);
    EXPECT_TRUE(os::StartThread(UpgradeWorker, const_cast<std::uint8_t*>(image.data())));
    sim::JoinWorkers();
    return device;
  }

  // The worker's own sequence of data reports per batch, computed from scratch.
  struct Plan {
    std::vector<PostedMessage> posts;
    int dataReports = 0;
    int verifies = 0;
  };
  Plan Expected(std::uint32_t size, std::uint32_t packetSize, std::uint32_t perBatch) {
    Plan plan;
    const auto objects = static_cast<std::intptr_t>((size + 4095) / 4096);
    plan.posts.push_back({dialog_.Window(), WM_OTA_PROGRESS, 0, objects * 6});
    std::intptr_t counter = 3;  // after start and confirmation
    for (std::uint32_t offset = 0; offset < size; offset += 4096) {
      ++counter;  // create
      std::uint32_t left = std::min<std::uint32_t>(4096, size - offset);
      while (left > 0) {
        for (std::uint32_t k = 0; k < perBatch && left > 0; ++k) {
          plan.posts.push_back({dialog_.Window(), WM_OTA_PROGRESS, 1, counter});
          left -= std::min(left, packetSize);
          ++plan.dataReports;
        }
        ++counter;  // verify
        ++plan.verifies;
      }
    }
    plan.posts.push_back({dialog_.Window(), WM_OTA_PROGRESS, 1, objects * 6});
    plan.posts.push_back({dialog_.Window(), WM_OTA_RESULT, 1, 0});
    return plan;
  }

  void ExpectSuccess(const std::shared_ptr<sim::OtaDevice>& device,
                     const std::vector<std::uint8_t>& image, std::uint32_t packetSize,
                     std::uint32_t perBatch) {
    EXPECT_TRUE(device->Faults().empty()) << testing_support::Joined(device->Faults());
    EXPECT_TRUE(device->UpgradeComplete());
    EXPECT_EQ(device->Image(), image);
    const auto plan = Expected(static_cast<std::uint32_t>(image.size()), packetSize, perBatch);
    EXPECT_EQ(DrainPosted(), plan.posts);
    EXPECT_EQ(device->DataReportsReceived(), plan.dataReports);
    EXPECT_EQ(device->CommandsReceived(CMD_FW_OBJECT_VERIFY), plan.verifies);
    EXPECT_TRUE(sim::MessageBoxesShown().empty());
  }
};

class MainImageSizes : public Worker, public ::testing::WithParamInterface<std::uint32_t> {};

TEST_P(MainImageSizes, CompleteWithTheExactImageAndItsProgress) {
  const auto image = MakeImage(GetParam(), GetParam());
  const auto device = Upgrade(image);
  ExpectSuccess(device, image, 25, 40);
  // The worker leaves the pair open and busy set: the dialog owns both.
  EXPECT_NE(UpgradeState.readHandle, hid::kInvalidHandle);
  EXPECT_EQ(UpgradeState.busy.Load(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Sizes, MainImageSizes,
                         ::testing::Values(101704u, 103484u, 101708u, 71836u, 63576u, 64016u));

TEST_F(Worker, Image64016Counts) {
  const auto image = MakeImage(64016);
  Upgrade(image);
  EXPECT_EQ(UpgradeState.objectCount, 16);
  const auto posted = DrainPosted();
  EXPECT_EQ(posted.front(), (PostedMessage{dialog_.Window(), WM_OTA_PROGRESS, 0, 96}));
  // The last object: 2576 bytes in batches of 40, 40 and 24 reports, the last of 1 byte.
  const auto writes = EventsNamed("set_feature");
  std::vector<int> lastObject;
  for (auto e = writes.rbegin(); e != writes.rend() && SentCommand(*e) != CMD_FW_OBJECT_CREATE;
       ++e) {
    if (SentCommand(*e) == CMD_FW_OBJECT_WRITE) lastObject.push_back(SentLength(*e));
  }
  std::reverse(lastObject.begin(), lastObject.end());
  ASSERT_EQ(lastObject.size(), 104u);
  EXPECT_EQ(std::count(lastObject.begin(), lastObject.end() - 1, 25), 103);
  EXPECT_EQ(lastObject.back(), 1);
  int verifiesInLastObject = 0;
  for (auto e = writes.rbegin(); SentCommand(*e) != CMD_FW_OBJECT_CREATE; ++e) {
    verifiesInLastObject += SentCommand(*e) == CMD_FW_OBJECT_VERIFY;
  }
  EXPECT_EQ(verifiesInLastObject, 3);
}

struct ParameterCase {
  const char* name;
  std::uint32_t size;
  std::uint16_t packetSize;
  std::uint16_t perBatch;
  int verifies;
  int dataReports;
};

class AnnouncedParameters : public Worker, public ::testing::WithParamInterface<ParameterCase> {};

TEST_P(AnnouncedParameters, ShapeTheTransfer) {
  const auto& c = GetParam();
  const auto image = MakeImage(c.size, 7);
  const auto device = Upgrade(image, {.packetSize = c.packetSize, .packetsPerBatch = c.perBatch});
  ExpectSuccess(device, image, c.packetSize, c.perBatch);
  EXPECT_EQ(device->CommandsReceived(CMD_FW_OBJECT_VERIFY), c.verifies);
  EXPECT_EQ(device->DataReportsReceived(), c.dataReports);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AnnouncedParameters,
    ::testing::Values(
        // 4096 bytes in 75 reports of 55 (the last 26) and 8 batches
        ParameterCase{"Size55Batch10", 4096, 55, 10, 8, 75},
        ParameterCase{"DefaultsWholeObjects", 8192, 25, 40, 10, 328},
        // 512-byte batches divide the object: its last batch ends full, no empty batch follows
        ParameterCase{"BatchesDivideObject", 8192, 32, 16, 16, 256},
        ParameterCase{"OneReportPerBatch", 100, 55, 1, 2, 2},
        ParameterCase{"OneBytePackets", 300, 1, 255, 2, 300},
        ParameterCase{"SecondObjectOfOneByte", 4097, 25, 40, 6, 165},
        // a 16-bit product of 65536 would be 0
        ParameterCase{"ProductPast16Bits", 4096, 32, 2048, 1, 128}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(Worker, ObjectOfOneByteIsAnnouncedAs4096) {
  const auto image = MakeImage(4097);
  Upgrade(image);
  const auto writes = EventsNamed("set_feature");
  std::vector<std::string> creates;
  for (const auto& e : writes) {
    if (SentCommand(e) == CMD_FW_OBJECT_CREATE) creates.push_back(e.Text("data").substr(20, 16));
  }
  EXPECT_EQ(creates, (std::vector<std::string>{"0000000000100000", "0010000000100000"}));
}

struct FailureCase {
  const char* name;
  std::uint8_t command;
  int occurrence;
  const wchar_t* text;
  std::intptr_t code;
};

class StepFailures : public Worker, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(StepFailures, BoxThenResultThenSilence) {
  const auto& c = GetParam();
  sim::HoldMessageBoxes(true);
  const auto image = MakeImage(9000);
  auto device =
      PlugOtaDevice({.answerFaults = {{c.command, c.occurrence, AnswerFault::Kind::never}}});
  PrepareUpgrade(image, kTargetMouse, 40);
  ASSERT_TRUE(os::StartThread(UpgradeWorker, const_cast<std::uint8_t*>(image.data())));

  ASSERT_TRUE(sim::WaitForHeldMessageBox(std::chrono::seconds(30)));
  for (const auto& m : DrainPosted()) EXPECT_NE(m.message, WM_OTA_RESULT);
  sim::DismissMessageBox();
  sim::JoinWorkers();

  EXPECT_EQ(sim::MessageBoxesShown(), std::vector<std::wstring>{c.text});
  const auto after = DrainPosted();
  ASSERT_FALSE(after.empty());
  EXPECT_EQ(after.back(), (PostedMessage{dialog_.Window(), WM_OTA_RESULT, 0, c.code}));

  const auto events = sim::TranscriptEvents();
  const auto box = std::find_if(events.begin(), events.end(),
                                [](const auto& e) { return e.ev == "message_box"; });
  ASSERT_NE(box, events.end());
  EXPECT_TRUE(std::none_of(box, events.end(), IsWire));
  EXPECT_EQ(box[1].ev, "post");
  EXPECT_EQ(box + 2, events.end());
  // The failing step made its 100 reads; the device saw nothing it objected to.
  int readsOfLastStep = 0;
  for (auto e = box; e != events.begin() && (e - 1)->ev != "set_feature"; --e) {
    readsOfLastStep += (e - 1)->ev == "get_feature";
  }
  EXPECT_EQ(readsOfLastStep, 100);
  EXPECT_TRUE(device->Faults().empty());
  // Nothing is closed or reset on this path.
  EXPECT_NE(UpgradeState.writeHandle, hid::kInvalidHandle);
  EXPECT_EQ(UpgradeState.busy.Load(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, StepFailures,
    ::testing::Values(
        FailureCase{"InitNew", CMD_FW_OTA_INIT_NEW, 1, L"CMD_FW_OTA_INIT_NEW Error", 1},
        FailureCase{"InitNewCheck", CMD_FW_INIT_NEW_CHECK, 1, L"CMD_FW_INIT_NEW_CHECK Error", 2},
        FailureCase{"FirstCreate", CMD_FW_OBJECT_CREATE, 1, L"CMD_FW_OBJECT_CREATE Error", 3},
        FailureCase{"LastCreate", CMD_FW_OBJECT_CREATE, 3, L"CMD_FW_OBJECT_CREATE Error", 3},
        FailureCase{"FirstVerify", CMD_FW_OBJECT_VERIFY, 1, L"检验失败", 4},
        FailureCase{"LastVerify", CMD_FW_OBJECT_VERIFY, 11, L"检验失败", 4},
        FailureCase{"Upgrade", CMD_FW_UPGRADE, 1, L"CMD_FW_UPGRADE Error", 5},
        FailureCase{"McuReset", CMD_FW_MCU_RESET, 1, L"CMD_FW_MCU_RESET Error", 6}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(Worker, NeverAnsweringDeviceFailsTheFirstStepAfterItsReads) {
  Upgrade(MakeImage(1000), {.answerFaults = {{CMD_FW_OTA_INIT_NEW, 0, AnswerFault::Kind::never}}});
  EXPECT_EQ(sim::NowMs(), 10u + 99 * 100);
  EXPECT_EQ(EventsNamed("set_feature").size(), 1u);
  EXPECT_EQ(EventsNamed("get_feature").size(), 100u);
  EXPECT_EQ(DrainPosted(), (std::vector<PostedMessage>{{dialog_.Window(), WM_OTA_RESULT, 0, 1}}));
}

TEST_F(Worker, FailedWritesLookLikeASilentDevice) {
  auto device = PlugOtaDevice();
  sim::SetInterfaceFaults(kOtaPath, {.failWrites = true});
  const auto image = MakeImage(1000);
  PrepareUpgrade(image, kTargetMouse, 40);
  UpgradeWorker(const_cast<std::uint8_t*>(image.data()));
  EXPECT_EQ(device->CommandsReceived(CMD_FW_OTA_INIT_NEW), 0);
  EXPECT_EQ(DrainPosted(), (std::vector<PostedMessage>{{dialog_.Window(), WM_OTA_RESULT, 0, 1}}));
}

TEST_F(Worker, PacingFollowsTheFixedPauses) {
  // A late verify answer shows the poll interval; the check step polls at 120 ms.
  const auto image = MakeImage(1200);
  Upgrade(image,
          {.answerFaults = {{CMD_FW_INIT_NEW_CHECK, 1, AnswerFault::Kind::late, 3},
                            {CMD_FW_OBJECT_VERIFY, 1, AnswerFault::Kind::late, 2}}},
          50);
  struct Timing {
    std::uint32_t before;  // pause right before the report (0: none required)
    std::uint32_t settle;
    std::uint32_t poll;
  };
  const std::map<int, Timing> timing = {
      {CMD_FW_OTA_INIT_NEW, {0, 10, 100}},   {CMD_FW_INIT_NEW_CHECK, {0, 10, 120}},
      {CMD_FW_OBJECT_CREATE, {0, 100, 100}}, {CMD_FW_OBJECT_WRITE, {50, 0, 0}},
      {CMD_FW_OBJECT_VERIFY, {80, 10, 100}}, {CMD_FW_UPGRADE, {0, 500, 100}},
      {CMD_FW_MCU_RESET, {0, 10, 100}}};

  std::vector<sim::TranscriptEvent> events;
  for (auto& e : sim::TranscriptEvents()) {
    if (e.thread == "worker" && e.ev != "post") events.push_back(e);
  }
  int lastCommand = -1;
  int reads = 0;
  for (std::size_t i = 0; i < events.size(); ++i) {
    const auto& e = events[i];
    if (e.ev == "set_feature") {
      lastCommand = SentCommand(e);
      reads = 0;
      const auto& t = timing.at(lastCommand);
      if (t.before != 0) {
        ASSERT_GT(i, 0u);
        EXPECT_EQ(events[i - 1].ev, "sleep");
        EXPECT_EQ(events[i - 1].Number("ms"), t.before) << "before command " << lastCommand;
      }
      if (t.settle != 0) {
        ASSERT_LT(i + 2, events.size());
        EXPECT_EQ(events[i + 1].Number("ms"), t.settle) << "settle of " << lastCommand;
        EXPECT_EQ(events[i + 2].ev, "get_feature");
      }
    } else if (e.ev == "get_feature") {
      ++reads;
      EXPECT_LE(reads, 100);
      if (i + 2 < events.size() && events[i + 2].ev == "get_feature") {
        EXPECT_EQ(events[i + 1].Number("ms"), timing.at(lastCommand).poll) << lastCommand;
      }
    }
  }
  // 1200 bytes: 48 reports of 25 in two batches.
  const std::uint64_t total =
      (10) + (10 + 2 * 120) + (100) + 48 * 50 + 2 * 80 + (10 + 100) + 10 + 500 + 10;
  EXPECT_EQ(sim::NowMs(), total);
}

struct BadAnnouncementCase {
  const char* name;
  std::uint16_t packetSize;
  std::uint16_t perBatch;
};

class UnservableParameters : public Worker,
                             public ::testing::WithParamInterface<BadAnnouncementCase> {};

TEST_P(UnservableParameters, InTheFirstAnswerEndTheUpgradeBeforeData) {
  const auto& c = GetParam();
  Upgrade(MakeImage(5000), {.packetSize = c.packetSize, .packetsPerBatch = c.perBatch});
  EXPECT_EQ(EventsNamed("set_feature").size(), 1u);
  EXPECT_EQ(EventsNamed("get_feature").size(), 1u);
  EXPECT_EQ(sim::MessageBoxesShown(), std::vector<std::wstring>{L"CMD_FW_OTA_INIT_NEW Error"});
  EXPECT_EQ(DrainPosted(), (std::vector<PostedMessage>{{dialog_.Window(), WM_OTA_RESULT, 0, 1}}));
}

TEST_P(UnservableParameters, InALaterAnswerEndThatStep) {
  const auto& c = GetParam();
  for (const auto& [command, code] :
       {std::pair{CMD_FW_OBJECT_CREATE, 3}, std::pair{CMD_FW_OBJECT_VERIFY, 4}}) {
    SetUp();
    const auto device =
        Upgrade(MakeImage(9000), {.reannouncements = {{command, 2, c.packetSize, c.perBatch}}});
    const auto posted = DrainPosted();
    ASSERT_FALSE(posted.empty());
    EXPECT_EQ(posted.back(), (PostedMessage{dialog_.Window(), WM_OTA_RESULT, 0, code}));
    EXPECT_EQ(device->CommandsReceived(command), 2);
    const auto writes = EventsNamed("set_feature");
    EXPECT_EQ(SentCommand(writes.back()), command) << "nothing is sent after the failing step";
    const auto events = sim::TranscriptEvents();
    const auto lastWrite = std::find_if(events.rbegin(), events.rend(),
                                        [](const auto& e) { return e.ev == "set_feature"; });
    EXPECT_EQ(std::count_if(events.rbegin(), lastWrite,
                            [](const auto& e) { return e.ev == "get_feature"; }),
              1)
        << "the announcing answer fails the step at once";
    TearDown();
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, UnservableParameters,
                         ::testing::Values(BadAnnouncementCase{"PacketSizeZero", 0, 10},
                                           BadAnnouncementCase{"PacketSize56", 56, 10},
                                           BadAnnouncementCase{"PacketSizeHuge", 0xFFFF, 1},
                                           BadAnnouncementCase{"BatchZero", 25, 0}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(Worker, ChangeAnnouncedMidObjectWaitsForTheNextObject) {
  // Announced in the second verify of object 0, used from object 1 on.
  const auto image = MakeImage(9000, 3);
  const auto device = Upgrade(image, {.reannouncements = {{CMD_FW_OBJECT_VERIFY, 2, 55, 10}}});
  EXPECT_TRUE(device->Faults().empty()) << testing_support::Joined(device->Faults());
  EXPECT_TRUE(device->UpgradeComplete());
  EXPECT_EQ(device->Image(), image);
  EXPECT_EQ(DrainPosted().back(), (PostedMessage{dialog_.Window(), WM_OTA_RESULT, 1, 0}));
  // object 0: 164 reports in 5 batches; objects 1 and 2 at 55/10: 75 + 15 reports
  EXPECT_EQ(device->DataReportsReceived(), 164 + 75 + 15);
  EXPECT_EQ(device->CommandsReceived(CMD_FW_OBJECT_VERIFY), 5 + 8 + 2);
}

TEST_F(Worker, ChangeAnnouncedByACreateHoldsForItsObject) {
  const auto image = MakeImage(9000, 4);
  const auto device = Upgrade(image, {.reannouncements = {{CMD_FW_OBJECT_CREATE, 2, 50, 3}}});
  EXPECT_TRUE(device->Faults().empty()) << testing_support::Joined(device->Faults());
  EXPECT_EQ(device->Image(), image);
  // object 0 at 25/40: 164 reports; objects 1 and 2 at 50/3: 82 + 17 reports
  EXPECT_EQ(device->DataReportsReceived(), 164 + 82 + 17);
  EXPECT_EQ(device->CommandsReceived(CMD_FW_OBJECT_VERIFY), 5 + 28 + 6);
}

TEST_F(Worker, ImageSizesOutsideTheProtocolNeverReachTheWire) {
  for (const std::uint32_t size : {0u, kMaxImageSize + 1}) {
    SetUp();
    PlugOtaDevice();
    std::vector<std::uint8_t> image(size);
    PrepareUpgrade(image, kTargetMouse, 40);
    UpgradeWorker(image.data());
    EXPECT_TRUE(EventsNamed("set_feature").empty());
    EXPECT_EQ(sim::MessageBoxesShown(), std::vector<std::wstring>{L"CMD_FW_OTA_INIT_NEW Error"});
    EXPECT_EQ(DrainPosted(), (std::vector<PostedMessage>{{dialog_.Window(), WM_OTA_RESULT, 0, 1}}));
    TearDown();
  }
}

TEST_F(Worker, LargestImageFillsAll255Objects) {
  sim::EnableTranscript(false);
  const auto image = MakeImage(kMaxImageSize, 9);
  const auto device = Upgrade(image, {.packetSize = 55, .packetsPerBatch = 200});
  EXPECT_EQ(UpgradeState.objectCount, 255);
  EXPECT_TRUE(device->UpgradeComplete());
  EXPECT_EQ(device->Image(), image);
  EXPECT_EQ(DrainPosted().front(), (PostedMessage{dialog_.Window(), WM_OTA_PROGRESS, 0, 1530}));
}

TEST_F(Worker, WithoutADialogThePostsReachNobodyAndTheWorkerStillEnds) {
  UpgradeState.dialog = nullptr;
  const auto image = MakeImage(100);
  const auto device = PlugOtaDevice();
  PrepareUpgrade(image, kTargetMouse, 40);
  UpgradeWorker(const_cast<std::uint8_t*>(image.data()));
  EXPECT_TRUE(device->UpgradeComplete());
  EXPECT_TRUE(DrainPosted().empty());
  EXPECT_EQ(EventsNamed("post").size(), 7u);  // range, 4 positions, full, result
}

TEST_F(Worker, TranscriptOfAnUpgradeReadsBackWhole) {
  const auto image = MakeImage(4097);
  Upgrade(image);
  const auto back = testing_support::TranscriptReadBack();
  // The data reports in the file carry the image: the first one holds its first 25 bytes.
  const auto first = std::find_if(back.begin(), back.end(), [](const auto& e) {
    return e.ev == "set_feature" && e.Text("data").substr(12, 2) == "40";
  });
  ASSERT_NE(first, back.end());
  EXPECT_EQ(first->Text("data").substr(18, 50), sim::HexBytes(std::span(image).first(25)));
  EXPECT_EQ(first->Number("len"), 64);
  EXPECT_EQ(first->thread, "worker");
}

}  // namespace
