// The identity query: one request over feature report 9, one 30 ms pause, one read, and
// the decoding of the answer by each variant.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "discovery/identity_query.h"
#include "discovery_fixture.h"
#include "platform/sim/identity_device.h"
#include "update/upgrade_state.h"

namespace {

using discovery_testing::DiscoveryTest;
using sim::IdentityAnswer;

const std::wstring kIdentityPath =
    L"\\\\?\\hid#vid_093a&pid_622c&mi_01&col03#8&3c0a41d7&0&0002#"
    L"{4d1e55b2-f16f-11cf-88cb-001111000030}";

constexpr std::uint8_t kUntouched = 0xEE;

enum class Variant { mouse, receiver };

struct DecodeCase {
  const char* name;
  Variant variant;
  IdentityAnswer answer;
  bool result;
  // What the outputs hold afterwards; kUntouched when the query did not write them.
  std::uint8_t model;
  std::uint8_t sensor;
};

class IdentityQueryTest : public DiscoveryTest {
 protected:
  std::shared_ptr<sim::IdentityDevice> Plug(sim::IdentityDeviceOptions options) {
    auto device = std::make_shared<sim::IdentityDevice>(options);
    sim::PlugInterface(kIdentityPath, device);
    return device;
  }

  // Runs the variant with both outputs preset to kUntouched.
  bool Query(Variant variant) {
    model_ = kUntouched;
    sensor_ = kUntouched;
    return variant == Variant::mouse ? QueryMouseIdentity(kIdentityPath, model_, sensor_)
                                     : QueryReceiverIdentity(kIdentityPath, model_);
  }

  void ExpectHandlesClosed() {
    EXPECT_EQ(identityReadHandle, hid::kInvalidHandle);
    EXPECT_EQ(identityWriteHandle, hid::kInvalidHandle);
    EXPECT_EQ(sim::OpenHandleCount(), 0u);
  }

  std::uint8_t model_ = 0;
  std::uint8_t sensor_ = 0;
};

class IdentityDecoding : public IdentityQueryTest,
                         public ::testing::WithParamInterface<DecodeCase> {};

TEST_P(IdentityDecoding, DecodesTheAnswerAfterOneExchange) {
  const auto& c = GetParam();
  const auto device = Plug({.answer = c.answer});
  EXPECT_EQ(Query(c.variant), c.result);
  EXPECT_EQ(model_, c.model);
  EXPECT_EQ(sensor_, c.sensor);

  const auto writes = Events("set_feature", kIdentityPath);
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].Number("len"), 9);
  EXPECT_EQ(writes[0].Text("data"), "098f00000000000000");
  const auto reads = Events("get_feature", kIdentityPath);
  ASSERT_EQ(reads.size(), 1u);
  EXPECT_EQ(reads[0].Number("len"), 9);
  const auto sleeps = Sleeps();
  ASSERT_EQ(sleeps.size(), 1u);
  EXPECT_EQ(sleeps[0].Number("ms"), 30);
  EXPECT_EQ(reads[0].t, writes[0].t + 30);
  EXPECT_TRUE(device->Faults().empty());
  ExpectHandlesClosed();
}

constexpr IdentityAnswer With(IdentityAnswer answer, std::size_t at, std::uint8_t value) {
  answer[at] = value;
  return answer;
}

using sim::MouseIdentityAnswer;
using sim::ReceiverIdentityAnswer;

INSTANTIATE_TEST_SUITE_P(
    Answers, IdentityDecoding,
    ::testing::Values(
        DecodeCase{"MouseT81Sensor3395", Variant::mouse, MouseIdentityAnswer(2, 0xF0), true, 2, 0},
        DecodeCase{"MouseT82Sensor3950", Variant::mouse, MouseIdentityAnswer(3, 0xF1), true, 3, 1},
        DecodeCase{"MouseModel1Sensor3", Variant::mouse, MouseIdentityAnswer(1, 0xF3), true, 1, 3},
        DecodeCase{"MouseModel5Sensor2", Variant::mouse, MouseIdentityAnswer(5, 0xF2), true, 5, 2},
        // Any sensor byte outside 0xF0..0xF3 is the first sensor.
        DecodeCase{"MouseSensorByteZero", Variant::mouse, MouseIdentityAnswer(2, 0x00), true, 2, 0},
        DecodeCase{"MouseSensorByteF4", Variant::mouse, MouseIdentityAnswer(2, 0xF4), true, 2, 0},
        DecodeCase{"MouseSensorByteEF", Variant::mouse, MouseIdentityAnswer(3, 0xEF), true, 3, 0},
        // A valid answer writes the sensor even when the model is refused.
        DecodeCase{"MouseModel6", Variant::mouse, MouseIdentityAnswer(6, 0xF1), false, kUntouched,
                   1},
        DecodeCase{"MouseModel0", Variant::mouse, MouseIdentityAnswer(0, 0xF2), false, kUntouched,
                   2},
        // The mouse reads byte 3, never the receiver's byte 4.
        DecodeCase{"MouseReadsOnlyByte3", Variant::mouse, ReceiverIdentityAnswer(2, 0xF1), false,
                   kUntouched, 1},
        DecodeCase{"MouseStatusByteZero", Variant::mouse, With(MouseIdentityAnswer(2, 0xF1), 2, 0),
                   false, kUntouched, kUntouched},
        DecodeCase{"MouseWrongEcho", Variant::mouse, With(MouseIdentityAnswer(2, 0xF1), 1, 0x8E),
                   false, kUntouched, kUntouched},
        DecodeCase{"MouseReportIdNotTested", Variant::mouse,
                   With(MouseIdentityAnswer(3, 0xF0), 0, 0x00), true, 3, 0},
        DecodeCase{"Receiver1K", Variant::receiver, ReceiverIdentityAnswer(1, 0x00), true, 1,
                   kUntouched},
        DecodeCase{"Receiver1KAnySubCode", Variant::receiver, ReceiverIdentityAnswer(1, 0xFA), true,
                   1, kUntouched},
        DecodeCase{"Receiver8KOutputStage", Variant::receiver, ReceiverIdentityAnswer(2, 0xFA),
                   true, 2, kUntouched},
        DecodeCase{"Receiver8KBootStage", Variant::receiver, ReceiverIdentityAnswer(2, 0xF0), true,
                   3, kUntouched},
        DecodeCase{"ReceiverClass2SubCodeF1", Variant::receiver, ReceiverIdentityAnswer(2, 0xF1),
                   false, kUntouched, kUntouched},
        DecodeCase{"ReceiverClass3", Variant::receiver, ReceiverIdentityAnswer(3, 0xF0), false,
                   kUntouched, kUntouched},
        // The receiver reads byte 4, never the mouse's byte 3.
        DecodeCase{"ReceiverReadsOnlyByte4", Variant::receiver, MouseIdentityAnswer(1, 0xF0), false,
                   kUntouched, kUntouched},
        DecodeCase{"ReceiverStatusByteZero", Variant::receiver,
                   With(ReceiverIdentityAnswer(1, 0x00), 2, 0), false, kUntouched, kUntouched},
        DecodeCase{"ReceiverWrongEcho", Variant::receiver,
                   With(ReceiverIdentityAnswer(2, 0xFA), 1, 0x0F), false, kUntouched, kUntouched}),
    discovery_testing::CaseName{});

struct TransportFault {
  const char* name;
  sim::IdentityDeviceOptions options;
  bool failOpen;
  bool pauseAndRead;  // whether the device took the request
};

class IdentityTransport : public IdentityQueryTest,
                          public ::testing::WithParamInterface<TransportFault> {};

TEST_P(IdentityTransport, FailsWithBothHandlesClosed) {
  const auto& c = GetParam();
  Plug(c.options);
  if (c.failOpen) sim::SetInterfaceFaults(kIdentityPath, {.failOpen = true});
  for (const auto variant : {Variant::mouse, Variant::receiver}) {
    sim::ClearTranscript();
    EXPECT_FALSE(Query(variant));
    EXPECT_EQ(model_, kUntouched);
    EXPECT_EQ(sensor_, kUntouched);
    EXPECT_EQ(testing_support::EventsNamed("set_feature").size(), 1u);
    const std::size_t expected = c.pauseAndRead ? 1 : 0;
    EXPECT_EQ(Sleeps().size(), expected);
    EXPECT_EQ(testing_support::EventsNamed("get_feature").size(), expected);
    ExpectHandlesClosed();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, IdentityTransport,
    ::testing::Values(TransportFault{"RequestRefused", {.refuseRequest = true}, false, false},
                      TransportFault{"AnswerUnreadable", {.failAnswerRead = true}, false, true},
                      TransportFault{"OpenFails", {}, true, false}),
    discovery_testing::CaseName{});

TEST_F(IdentityQueryTest, ClearsBothBuffersWhole) {
  const auto answer = ReceiverIdentityAnswer(2, 0xF0);
  Plug({.answer = answer});
  UpgradeState.sendBuffer.fill(0xAA);
  UpgradeState.receiveBuffer.fill(0xAA);
  EXPECT_TRUE(Query(Variant::receiver));
  ReportBuffer sent{};
  sent[0] = 0x09;
  sent[1] = 0x8F;
  EXPECT_EQ(UpgradeState.sendBuffer, sent);
  ReportBuffer received{};
  std::copy(answer.begin(), answer.end(), received.begin());
  EXPECT_EQ(UpgradeState.receiveBuffer, received);
}

TEST_F(IdentityQueryTest, AFailedReadLeavesTheReportIdAloneInTheAnswerBuffer) {
  Plug({.failAnswerRead = true});
  UpgradeState.receiveBuffer.fill(0xAA);
  EXPECT_FALSE(Query(Variant::mouse));
  ReportBuffer expected{};
  expected[0] = 0x09;
  EXPECT_EQ(UpgradeState.receiveBuffer, expected);
}

TEST_F(IdentityQueryTest, ClosesHandlesLeftFromBefore) {
  Plug({});
  identityReadHandle = hid::Open(kIdentityPath, hid::Access::read);
  identityWriteHandle = hid::Open(kIdentityPath, hid::Access::write);
  ASSERT_EQ(sim::OpenHandleCount(), 2u);
  EXPECT_TRUE(Query(Variant::mouse));
  // Two closes of the old pair, two of the query's own.
  EXPECT_EQ(Events("hid_close", kIdentityPath).size(), 4u);
  ExpectHandlesClosed();
}

TEST_F(IdentityQueryTest, OpensTheReadHandleFirst) {
  Plug({});
  EXPECT_TRUE(Query(Variant::mouse));
  const auto opens = Events("hid_open", kIdentityPath);
  ASSERT_EQ(opens.size(), 2u);
  EXPECT_EQ(opens[0].Text("access"), "read");
  EXPECT_EQ(opens[1].Text("access"), "write");
}

}  // namespace
