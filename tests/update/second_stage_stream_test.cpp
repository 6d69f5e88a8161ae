// The two second-image streams of the 8K receivers, against their device models.
#include <gtest/gtest.h>

#include "platform/sim/boot_mode_device.h"
#include "platform/sim/output_report_device.h"
#include "support/sim_machine.h"
#include "update/boot_mode_stream.h"
#include "update/ota_reports.h"
#include "update/output_report_stream.h"

namespace {

using testing_support::EventsNamed;
using testing_support::MakeImage;
using testing_support::SimMachine;

std::vector<std::uint8_t> Bytes(const sim::TranscriptEvent& e) {
  const auto hex = e.Text("data");
  std::vector<std::uint8_t> out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return out;
}

class OutputReportStream : public SimMachine {
 protected:
  std::shared_ptr<sim::OutputReportDevice> Plug(sim::OutputReportDeviceOptions options = {}) {
    auto device = std::make_shared<sim::OutputReportDevice>(options);
    sim::PlugInterface(kOtaPath, device);
    UpgradeState.readHandle = hid::Open(kOtaPath, hid::Access::read);
    UpgradeState.writeHandle = hid::Open(kOtaPath, hid::Access::write);
    // What the main image leaves in the buffer: its reset report.
    UpgradeState.sequenceNumber = 0x6A;
    UpgradeState.commandCounter = 0x6B;
    BuildMcuReset();
    return device;
  }
};

TEST_F(OutputReportStream, Image277Shape) {
  const auto image = MakeImage(29068, 277);
  const auto device = Plug();
  ASSERT_TRUE(SendOutputReportImage(image));
  EXPECT_TRUE(device->TransferComplete()) << testing_support::Joined(device->Faults());
  EXPECT_EQ(device->Image(), image);

  const auto writes = EventsNamed("set_output");
  ASSERT_EQ(writes.size(), 1u + 510 + 1);
  auto header = Bytes(writes.front());
  ASSERT_EQ(header.size(), 65u);
  EXPECT_EQ(
      std::vector<std::uint8_t>(header.begin(), header.begin() + 10),
      (std::vector<std::uint8_t>{0x08, 0x00, 0x50, 0x00, 0x00, 0x04, 0x8C, 0x71, 0x00, 0x00}));
  for (std::size_t i = 10; i < 64; ++i) EXPECT_EQ(header[i], 0) << i;
  EXPECT_EQ(header[64], 0x59);
  EXPECT_EQ(Bytes(writes[509])[5], 57);
  EXPECT_EQ(Bytes(writes[510])[5], 55);
  const auto end = Bytes(writes.back());
  EXPECT_EQ(std::vector<std::uint8_t>(end.begin(), end.begin() + 3),
            (std::vector<std::uint8_t>{0x08, 0x00, 0x52}));
  EXPECT_EQ(end[64], 0x5A);
  // Nothing read back, no pause.
  EXPECT_TRUE(EventsNamed("get_feature").empty());
  EXPECT_TRUE(EventsNamed("sleep").empty());
}

struct SizeCase {
  std::uint32_t size;
  std::size_t dataReports;
  int lastLength;
};

class OutputReportSizes : public OutputReportStream,
                          public ::testing::WithParamInterface<SizeCase> {};

TEST_P(OutputReportSizes, EndWithTheShortReport) {
  const auto& c = GetParam();
  const auto image = MakeImage(c.size, 5);
  const auto device = Plug();
  ASSERT_TRUE(SendOutputReportImage(image));
  EXPECT_TRUE(device->TransferComplete());
  EXPECT_EQ(device->Image(), image);
  const auto writes = EventsNamed("set_output");
  ASSERT_EQ(writes.size(), c.dataReports + 2);
  const auto last = Bytes(writes[writes.size() - 2]);
  EXPECT_EQ(last[5], c.lastLength);
  if (c.lastLength == 0) {
    EXPECT_EQ(last[64], 0x59);  // 08 + 51 alone
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, OutputReportSizes,
                         ::testing::Values(SizeCase{57 * 3, 4, 0}, SizeCase{1, 1, 1},
                                           SizeCase{58, 2, 1}, SizeCase{70000, 1229, 4}));

TEST_F(OutputReportStream, StopsAtTheFirstRefusedWrite) {
  for (const int refused : {1, 2, 511, 512}) {
    SetUp();
    const auto device = Plug({.refuseReport = refused});
    EXPECT_FALSE(SendOutputReportImage(MakeImage(29068)));
    EXPECT_EQ(device->ReportsReceived(), refused);
    EXPECT_EQ(EventsNamed("set_output").size(), static_cast<std::size_t>(refused));
    TearDown();
  }
}

class BootModeStream : public SimMachine {
 protected:
  std::shared_ptr<sim::BootModeDevice> Plug(sim::BootModeDeviceOptions options = {}) {
    auto device = std::make_shared<sim::BootModeDevice>(options);
    sim::PlugInterface(kOtaPath, device);
    UpgradeState.readHandle = hid::Open(kOtaPath, hid::Access::read);
    UpgradeState.writeHandle = hid::Open(kOtaPath, hid::Access::write);
    return device;
  }
  BootAnswerBuffer answer_{};
};

TEST_F(BootModeStream, Image278Shape) {
  const auto image = MakeImage(18620, 278);
  const auto device = Plug();
  // The start report carries the tail of the boot switch that preceded it.
  UpgradeState.sendBuffer.fill(0);
  const std::uint8_t tail[] = {0x03, 0x50, 0x50, 0x3A, 0x21, 0x00, 0x22, 0x22, 0x02, 0x22};
  std::copy(std::begin(tail), std::end(tail), UpgradeState.sendBuffer.begin());
  ASSERT_TRUE(SendBootModeImage(image, answer_));
  ASSERT_TRUE(SendBootModeEndReport());
  EXPECT_TRUE(device->TransferComplete()) << testing_support::Joined(device->Faults());
  EXPECT_EQ(device->PassImage(1), image);
  EXPECT_EQ(device->PassImage(2), image);
  const auto start = device->StartReport();
  ASSERT_EQ(start.size(), 65u);
  EXPECT_EQ(std::vector<std::uint8_t>(start.begin(), start.begin() + 11),
            (std::vector<std::uint8_t>{0x04, 0x81, 0x00, 0x3A, 0x21, 0x00, 0x22, 0x22, 0x02, 0x22,
                                       0x00}));

  const auto writes = EventsNamed("set_feature");
  ASSERT_EQ(writes.size(), 1u + 2 * 316 + 1);
  for (const std::size_t first : {1u, 317u}) {
    const auto report = Bytes(writes[first]);
    EXPECT_EQ(report[1], first == 1 ? 0x80 : 0x82);
    EXPECT_EQ(report[2], 59);
    EXPECT_EQ(report[3], 0x3B);
    EXPECT_EQ(report[4], 0x00);
    const auto last = Bytes(writes[first + 315]);
    EXPECT_EQ(last[2], 35);
    EXPECT_EQ(last[3], 0xBC);
    EXPECT_EQ(last[4], 0x48);
  }
  // Every data report is followed by 5 ms and one 64-byte read of report 4.
  const auto reads = EventsNamed("get_feature");
  EXPECT_EQ(reads.size(), 1u + 2 * 316);
  for (const auto& read : reads) {
    EXPECT_EQ(read.Number("len"), 64);
    EXPECT_EQ(read.Text("data").substr(0, 2), "04");
  }
  EXPECT_EQ(sim::NowMs(), 2u * 316 * 5);
}

TEST_F(BootModeStream, WholeMultipleOf59EndsEachPassWithAnEmptyReport) {
  const auto image = MakeImage(59 * 4, 9);
  const auto device = Plug();
  ASSERT_TRUE(SendBootModeImage(image, answer_));
  const auto writes = EventsNamed("set_feature");
  ASSERT_EQ(writes.size(), 1u + 2 * 5);
  const auto empty = Bytes(writes[5]);
  EXPECT_EQ(empty[2], 0);
  EXPECT_EQ(empty[3], 236);
  EXPECT_EQ(empty[4], 0);
  EXPECT_EQ(EventsNamed("get_feature").size(), 1u + 2 * 5);
  EXPECT_EQ(device->PassImage(2), image);
}

TEST_F(BootModeStream, OffsetsAbove65535KeepTheirLow16Bits) {
  const auto image = MakeImage(70000, 10);
  const auto device = Plug();
  ASSERT_TRUE(SendBootModeImage(image, answer_));
  ASSERT_TRUE(SendBootModeEndReport());
  EXPECT_TRUE(device->TransferComplete()) << testing_support::Joined(device->Faults());
  const auto writes = EventsNamed("set_feature");
  const auto last = Bytes(writes[1 + 1186]);  // 1186 full reports, then 26 bytes
  EXPECT_EQ(last[2], 26);
  EXPECT_EQ(last[3] | (last[4] << 8), 70000 - 65536);
}

struct BootFaultCase {
  const char* name;
  sim::BootModeDeviceOptions options;
  std::size_t writes;  // reports written before the stream gave up
};

class BootModeFaults : public BootModeStream,
                       public ::testing::WithParamInterface<BootFaultCase> {};

TEST_P(BootModeFaults, StopTheStream) {
  const auto& c = GetParam();
  Plug(c.options);
  EXPECT_FALSE(SendBootModeImage(MakeImage(18620), answer_));
  EXPECT_EQ(EventsNamed("set_feature").size(), c.writes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BootModeFaults,
    ::testing::Values(BootFaultCase{"StartRefused", {.refuseReport = 1}, 1},
                      BootFaultCase{"FirstDataRefused", {.refuseReport = 2}, 2},
                      BootFaultCase{"LastOfFirstPassRefused", {.refuseReport = 317}, 317},
                      BootFaultCase{"MiddleOfSecondPassRefused", {.refuseReport = 450}, 450},
                      BootFaultCase{"LastOfSecondPassRefused", {.refuseReport = 633}, 633},
                      BootFaultCase{"DataAnswerUnreadable", {.failAnswerRead = 3}, 3},
                      BootFaultCase{"UnpluggedMidStream", {.vanishAtReport = 100}, 100}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(BootModeStream, UnreadableStartAnswerStillPasses) {
  const auto image = MakeImage(100);
  const auto device = Plug({.failAnswerRead = 1});
  EXPECT_TRUE(SendBootModeImage(image, answer_));
  EXPECT_EQ(device->PassImage(2), image);
}

TEST_F(BootModeStream, EndReportOnAClearedBuffer) {
  const auto device = Plug();
  UpgradeState.sendBuffer.fill(0xEE);
  ASSERT_TRUE(SendBootModeEndReport());
  auto expected = std::vector<std::uint8_t>(65, 0);
  expected[0] = 0x04;
  expected[1] = 0x83;
  EXPECT_EQ(Bytes(EventsNamed("set_feature").back()), expected);
  EXPECT_EQ(device->EndReports(), 1);
  sim::UnplugInterface(kOtaPath);
  EXPECT_FALSE(SendBootModeEndReport());
}

}  // namespace
