#include "update/ota_reports.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "update/upgrade_state.h"

namespace {

std::vector<std::uint8_t> Bytes(std::initializer_list<int> head, std::size_t total = 64) {
  std::vector<std::uint8_t> out(total, 0);
  std::size_t i = 0;
  for (int b : head) out[i++] = static_cast<std::uint8_t>(b);
  return out;
}

std::vector<std::uint8_t> Sent() {
  return {UpgradeState.sendBuffer.begin(), UpgradeState.sendBuffer.begin() + 64};
}

void SetAnswer(std::initializer_list<int> head) {
  UpgradeState.receiveBuffer.fill(0);
  std::size_t i = 0;
  for (int b : head) UpgradeState.receiveBuffer[i++] = static_cast<std::uint8_t>(b);
}

class OtaReports : public ::testing::Test {
 protected:
  void SetUp() override { UpgradeState = UpgradeStateRecord{}; }
  void TearDown() override { UpgradeState = UpgradeStateRecord{}; }
};

TEST_F(OtaReports, InitialRecordHoldsProgramStartValues) {
  EXPECT_EQ(UpgradeState.UpgradeTarget, 0);
  EXPECT_EQ(UpgradeState.busy.Load(), 0u);
  EXPECT_EQ(UpgradeState.readHandle, hid::kInvalidHandle);
  EXPECT_EQ(UpgradeState.writeHandle, hid::kInvalidHandle);
  EXPECT_EQ(UpgradeState.packetDelayMs, 50);
  EXPECT_EQ(UpgradeState.commandCounter, 1);
}

TEST_F(OtaReports, InitNewFor64016BytesThenItsCheck) {
  UpgradeState.imageSize = 64016;
  UpgradeState.sendBuffer.fill(0xAA);  // every build clears all 66 bytes first
  BuildInitNew();
  EXPECT_EQ(Sent(), Bytes({0x03, 0xFE, 0x65, 0x3A, 0x00, 0x00, 0x27, 0x01, 0x06, 0x27, 0x10, 0xFA,
                           0x00, 0x00}));
  EXPECT_EQ(UpgradeState.sendBuffer[64], 0);
  EXPECT_EQ(UpgradeState.sendBuffer[65], 0);
  EXPECT_EQ(UpgradeState.sequenceNumber, 1);
  EXPECT_EQ(UpgradeState.commandCounter, 2);

  BuildInitNewCheck();
  EXPECT_EQ(Sent(), Bytes({0x03, 0x28, 0x65, 0x3A, 0x01, 0x00, 0x42, 0x02, 0x02, 0x42}));
  EXPECT_EQ(UpgradeState.sequenceNumber, 2);
  EXPECT_EQ(UpgradeState.commandCounter, 3);
}

TEST_F(OtaReports, InitNewIgnoresCountersItFinds) {
  UpgradeState.sequenceNumber = 0x33;
  UpgradeState.commandCounter = 0x77;
  UpgradeState.imageSize = 0x01020304;
  BuildInitNew();
  EXPECT_EQ(UpgradeState.sendBuffer[4], 0);
  EXPECT_EQ(UpgradeState.sendBuffer[7], 1);
  EXPECT_EQ(Sent()[10], 0x04);
  EXPECT_EQ(Sent()[13], 0x01);
  EXPECT_EQ(UpgradeState.sequenceNumber, 1);
  EXPECT_EQ(UpgradeState.commandCounter, 2);
}

TEST_F(OtaReports, ThirdObjectCreateCarriesOffset8192) {
  UpgradeState.objectIndex = 2;
  UpgradeState.sequenceNumber = 5;
  UpgradeState.commandCounter = 6;
  BuildObjectCreate();
  const auto sent = Sent();
  EXPECT_EQ(std::vector<std::uint8_t>(sent.begin() + 4, sent.begin() + 18),
            (std::vector<std::uint8_t>{0x05, 0x00, 0x25, 0x06, 0x09, 0x25, 0x00, 0x20, 0x00, 0x00,
                                       0x00, 0x10, 0x00, 0x00}));
  EXPECT_EQ(UpgradeState.objectIndex, 3);
  EXPECT_EQ(UpgradeState.sequenceNumber, 6);
  EXPECT_EQ(UpgradeState.commandCounter, 7);
}

TEST_F(OtaReports, LargestObjectOffsetUsesAll32Bits) {
  UpgradeState.objectIndex = 254;
  BuildObjectCreate();
  EXPECT_EQ(Sent()[10], 0x00);
  EXPECT_EQ(Sent()[11], 0xE0);
  EXPECT_EQ(Sent()[12], 0x0F);
  EXPECT_EQ(Sent()[13], 0x00);
}

TEST_F(OtaReports, DataReportOf21Bytes) {
  std::vector<std::uint8_t> payload(21);
  for (std::size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<std::uint8_t>(0xC0 + i);
  UpgradeState.sequenceNumber = 9;
  UpgradeState.commandCounter = 10;
  UpgradeState.byteSum = 0x1234;
  BuildObjectWrite(payload.data(), 21);
  const auto sent = Sent();
  EXPECT_EQ(sent[0], 0x03);
  EXPECT_EQ(sent[4], 0x00);
  EXPECT_EQ(sent[6], 0x40);
  EXPECT_EQ(sent[7], 10);
  EXPECT_EQ(sent[8], 0x15);
  EXPECT_TRUE(std::equal(payload.begin(), payload.end(), sent.begin() + 9));
  for (std::size_t i = 30; i < 64; ++i) EXPECT_EQ(sent[i], 0) << i;
  std::uint8_t sum = 0;
  for (std::size_t i = 2; i < 64; ++i) sum = static_cast<std::uint8_t>(sum + sent[i]);
  EXPECT_EQ(sent[1], sum);
  // A data report moves no counter and no sum.
  EXPECT_EQ(UpgradeState.sequenceNumber, 9);
  EXPECT_EQ(UpgradeState.commandCounter, 10);
  EXPECT_EQ(UpgradeState.byteSum, 0x1234);
}

TEST_F(OtaReports, DataReportWithoutDataBuildsNothing) {
  UpgradeState.sendBuffer.fill(0x5A);
  BuildObjectWrite(nullptr, 10);
  EXPECT_EQ(UpgradeState.sendBuffer[0], 0x5A);
  EXPECT_EQ(UpgradeState.sendBuffer[65], 0x5A);
}

TEST_F(OtaReports, VerifyUpgradeAndResetLayouts) {
  UpgradeState.sequenceNumber = 0x10;
  UpgradeState.commandCounter = 0x11;
  UpgradeState.byteSum = 0xBEEF;
  UpgradeState.imageSize = 101704;  // 0x00018D48
  BuildObjectVerify();
  EXPECT_EQ(Sent(),
            Bytes({0x03, (0x65 + 0x3A + 0x10 + 0x41 + 0x11 + 0x03 + 0x41 + 0xEF + 0xBE) & 0xFF,
                   0x65, 0x3A, 0x10, 0x00, 0x41, 0x11, 0x03, 0x41, 0xEF, 0xBE}));
  BuildUpgrade();
  const auto upgrade = Sent();
  EXPECT_EQ(std::vector<std::uint8_t>(upgrade.begin() + 4, upgrade.begin() + 22),
            (std::vector<std::uint8_t>{0x11, 0x00, 0x18, 0x12, 0x0C, 0x18, 0x48, 0x8D, 0x01, 0x00,
                                       0xEF, 0xBE, 0x00, 0x2E, 0x00, 0x2E, 0x00, 0x00}));
  BuildMcuReset();
  const auto reset = Sent();
  EXPECT_EQ(std::vector<std::uint8_t>(reset.begin() + 4, reset.begin() + 11),
            (std::vector<std::uint8_t>{0x12, 0x00, 0x22, 0x13, 0x02, 0x22, 0x00}));
  EXPECT_EQ(UpgradeState.sequenceNumber, 0x13);
  EXPECT_EQ(UpgradeState.commandCounter, 0x14);
}

TEST_F(OtaReports, BootSwitchDerivedFromTheResetReport) {
  UpgradeState.sequenceNumber = 0x7E;
  UpgradeState.commandCounter = 0x7F;
  BuildMcuReset();
  auto bootSwitch = Sent();
  bootSwitch[1] = 0x50;
  bootSwitch[2] = 0x50;
  EXPECT_EQ(bootSwitch, Bytes({0x03, 0x50, 0x50, 0x3A, 0x7E, 0x00, 0x22, 0x7F, 0x02, 0x22, 0x00}));
}

TEST_F(OtaReports, NumberingWrapsAfter255Commands) {
  UpgradeState.sequenceNumber = 0xFF;
  UpgradeState.commandCounter = 0x00;
  BuildObjectVerify();
  EXPECT_EQ(Sent()[4], 0xFF);
  EXPECT_EQ(Sent()[7], 0x00);
  EXPECT_EQ(UpgradeState.sequenceNumber, 0x00);
  EXPECT_EQ(UpgradeState.commandCounter, 0x01);
  SetAnswer({0x03, 0x65, 0x00, 0x25, 0xFF});
  EXPECT_EQ(CheckAnswer(), AnswerVerdict::accepted);
}

TEST_F(OtaReports, SealSumsBytes2To63Only) {
  UpgradeState.sendBuffer.fill(0);
  UpgradeState.sendBuffer[0] = 0xFF;
  UpgradeState.sendBuffer[2] = 0x80;
  UpgradeState.sendBuffer[63] = 0x81;
  UpgradeState.sendBuffer[64] = 0x77;
  UpgradeState.sendBuffer[65] = 0x77;
  SealReport();
  EXPECT_EQ(UpgradeState.sendBuffer[1], 0x01);
}

struct AnswerCase {
  const char* name;
  std::uint8_t sequenceNumber;  // as it stands after the last build
  std::vector<int> answer;
  AnswerVerdict verdict;
  std::uint16_t packetSize;  // after the check; defaults are 25 / 40
  std::uint16_t packetsPerBatch;
};

std::vector<int> InitNewAnswer(int packetSize, int perBatch, int byte7 = 0x10, int byte9 = 0,
                               int sequence = 0) {
  std::vector<int> a(64, 0);
  const int head[] = {0x03, 0x65, 0x00, 0x25, sequence, 0x00, 0x0E, byte7, 0x27, byte9};
  std::copy(std::begin(head), std::end(head), a.begin());
  for (int i = 10; i <= 18; ++i) a[i] = 0xA0 + i;  // unused bytes may hold anything
  a[19] = packetSize & 0xFF;
  a[20] = packetSize >> 8;
  a[21] = perBatch & 0xFF;
  a[22] = perBatch >> 8;
  return a;
}

class AnswerCheck : public OtaReports, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(AnswerCheck, Judges) {
  const auto& c = GetParam();
  UpgradeState.sequenceNumber = c.sequenceNumber;
  UpgradeState.packetSize = 25;
  UpgradeState.packetsPerBatch = 40;
  UpgradeState.receiveBuffer.fill(0);
  std::copy(c.answer.begin(), c.answer.end(), UpgradeState.receiveBuffer.begin());
  EXPECT_EQ(CheckAnswer(), c.verdict);
  EXPECT_EQ(UpgradeState.packetSize, c.packetSize);
  EXPECT_EQ(UpgradeState.packetsPerBatch, c.packetsPerBatch);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AnswerCheck,
    ::testing::Values(
        AnswerCase{"InitNewAnswerSets55And10", 1, InitNewAnswer(55, 10), AnswerVerdict::accepted,
                   55, 10},
        AnswerCase{"WithoutLengthMarkKeepsDefaults", 1, InitNewAnswer(55, 10, 0x0F),
                   AnswerVerdict::accepted, 25, 40},
        AnswerCase{"NonZeroByte9AcceptedButSetsNothing", 1, InitNewAnswer(55, 10, 0x10, 1),
                   AnswerVerdict::accepted, 25, 40},
        AnswerCase{"MarksInAnyAcceptedAnswerSetValues", 7, InitNewAnswer(30, 3, 0x10, 0, 6),
                   AnswerVerdict::accepted, 30, 3},
        AnswerCase{"StaleSequenceRejected",
                   7,
                   {0x03, 0x65, 0x00, 0x25, 5},
                   AnswerVerdict::rejected,
                   25,
                   40},
        AnswerCase{"StaleAnswerWithMarksSetsNothing", 7, InitNewAnswer(30, 3, 0x10, 0, 5),
                   AnswerVerdict::rejected, 25, 40},
        AnswerCase{
            "WrongReportId", 1, {0x04, 0x65, 0x00, 0x25, 0}, AnswerVerdict::rejected, 25, 40},
        AnswerCase{"WrongByte1", 1, {0x03, 0x66, 0x00, 0x25, 0}, AnswerVerdict::rejected, 25, 40},
        AnswerCase{"WrongByte2", 1, {0x03, 0x65, 0x01, 0x25, 0}, AnswerVerdict::rejected, 25, 40},
        AnswerCase{"WrongByte3", 1, {0x03, 0x65, 0x00, 0x24, 0}, AnswerVerdict::rejected, 25, 40},
        AnswerCase{"EmptyBufferRejected", 1, {0x03}, AnswerVerdict::rejected, 25, 40},
        AnswerCase{"AnythingAfterByte4Accepted",
                   3,
                   {0x03, 0x65, 0x00, 0x25, 2, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
                   AnswerVerdict::accepted,
                   25,
                   40},
        AnswerCase{"PacketSizeZeroUnservable", 1, InitNewAnswer(0, 10), AnswerVerdict::unservable,
                   25, 40},
        AnswerCase{"PacketSize56Unservable", 1, InitNewAnswer(56, 10), AnswerVerdict::unservable,
                   25, 40},
        AnswerCase{"PacketSizeAbove8BitsUnservable", 1, InitNewAnswer(0x0119, 10),
                   AnswerVerdict::unservable, 25, 40},
        AnswerCase{"BatchZeroUnservable", 1, InitNewAnswer(25, 0), AnswerVerdict::unservable, 25,
                   40},
        AnswerCase{"SmallestServable", 1, InitNewAnswer(1, 1), AnswerVerdict::accepted, 1, 1},
        AnswerCase{"LargestServable", 1, InitNewAnswer(55, 0xFFFF), AnswerVerdict::accepted, 55,
                   0xFFFF}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
