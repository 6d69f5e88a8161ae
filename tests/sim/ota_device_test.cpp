// The device model finds every kind of wrong report, so a passing upgrade test means
// the wire was right.
#include "platform/sim/ota_device.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/os.h"
#include "support/sim_machine.h"
#include "update/ota_messages.h"
#include "update/ota_reports.h"
#include "update/upgrade_worker.h"

namespace {

using testing_support::MakeImage;
using testing_support::SimMachine;

// Passes reports on to the device, changing the one with the given index (from 0).
class Corrupting : public sim::HidInterfaceModel {
 public:
  Corrupting(std::shared_ptr<sim::OtaDevice> device, int index,
             std::function<void(std::vector<std::uint8_t>&)> change)
      : device_(std::move(device)), index_(index), change_(std::move(change)) {}
  bool SetFeature(std::span<const std::uint8_t> report) override {
    std::vector<std::uint8_t> copy(report.begin(), report.end());
    if (count_++ == index_) change_(copy);
    return device_->SetFeature(copy);
  }
  bool GetFeature(std::span<std::uint8_t> report) override { return device_->GetFeature(report); }

 private:
  std::shared_ptr<sim::OtaDevice> device_;
  int index_;
  int count_ = 0;
  std::function<void(std::vector<std::uint8_t>&)> change_;
};

void Reseal(std::vector<std::uint8_t>& r) {
  std::uint8_t sum = 0;
  for (std::size_t i = 2; i < 64; ++i) sum = static_cast<std::uint8_t>(sum + r[i]);
  r[1] = sum;
}

struct CorruptionCase {
  const char* name;
  int reportIndex;  // 0 init, 1 check, 2 create, 3.. data reports of object 0
  std::function<void(std::vector<std::uint8_t>&)> change;
};

class OtaDeviceChecks : public SimMachine, public ::testing::WithParamInterface<CorruptionCase> {};

TEST_P(OtaDeviceChecks, FindsTheFaultAndTheUpgradeFails) {
  auto device = std::make_shared<sim::OtaDevice>();
  sim::PlugInterface(
      kOtaPath, std::make_shared<Corrupting>(device, GetParam().reportIndex, GetParam().change));
  const auto image = MakeImage(5000);
  PrepareUpgrade(image, kTargetMouse, 40);
  ASSERT_TRUE(os::StartThread(UpgradeWorker, const_cast<std::uint8_t*>(image.data())));
  sim::JoinWorkers();
  EXPECT_FALSE(device->Faults().empty());
  EXPECT_FALSE(device->UpgradeComplete());
  const auto posted = DrainPosted();
  ASSERT_FALSE(posted.empty());
  EXPECT_EQ(posted.back().message, WM_OTA_RESULT);
  EXPECT_EQ(posted.back().wParam, 0u);
}

const auto kData = 3;  // first data report

INSTANTIATE_TEST_SUITE_P(
    Cases, OtaDeviceChecks,
    ::testing::Values(CorruptionCase{"Checksum", kData, [](auto& r) { r[1] ^= 1; }},
                      CorruptionCase{"HeaderByte2", 1,
                                     [](auto& r) {
                                       r[2] = 0x66;
                                       Reseal(r);
                                     }},
                      CorruptionCase{"SequenceNumber", 1,
                                     [](auto& r) {
                                       r[4] = 2;
                                       Reseal(r);
                                     }},
                      CorruptionCase{"CommandCounter", 2,
                                     [](auto& r) {
                                       r[7] += 1;
                                       Reseal(r);
                                     }},
                      CorruptionCase{"DataCounter", kData,
                                     [](auto& r) {
                                       r[7] += 1;
                                       Reseal(r);
                                     }},
                      CorruptionCase{"DataSequenceByte", kData,
                                     [](auto& r) {
                                       r[4] = 1;
                                       Reseal(r);
                                     }},
                      CorruptionCase{"ObjectOffset", 2,
                                     [](auto& r) {
                                       r[11] = 0x10;
                                       Reseal(r);
                                     }},
                      CorruptionCase{"ObjectLength", 2,
                                     [](auto& r) {
                                       r[15] = 0x08;
                                       Reseal(r);
                                     }},
                      CorruptionCase{"ShortDataReportMidObject", kData + 5,
                                     [](auto& r) {
                                       r[8] = 24;
                                       r[9 + 24] = 0;
                                       Reseal(r);
                                     }},
                      CorruptionCase{"LongerThanAnnounced", kData,
                                     [](auto& r) {
                                       r[8] = 26;
                                       r[34] = 1;
                                       Reseal(r);
                                     }},
                      CorruptionCase{"PaddingNotZero", kData,
                                     [](auto& r) {
                                       r[50] = 1;
                                       Reseal(r);
                                     }},
                      CorruptionCase{"PayloadByteChangedSoVerifySumDiffers", kData,
                                     [](auto& r) {
                                       r[10] ^= 0x40;
                                       Reseal(r);
                                     }},
                      CorruptionCase{"InitNewSizeZero", 0,
                                     [](auto& r) {
                                       r[10] = r[11] = r[12] = r[13] = 0;
                                       Reseal(r);
                                     }},
                      CorruptionCase{"UnknownCommand", 1,
                                     [](auto& r) {
                                       r[6] = r[9] = 0x99;
                                       Reseal(r);
                                     }}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(SimMachine, DeviceRejectsAShortOrForeignReport) {
  sim::OtaDevice device;
  std::vector<std::uint8_t> report(63, 0);
  report[0] = 3;
  EXPECT_FALSE(device.SetFeature(report));
  std::vector<std::uint8_t> foreign(64, 0);
  foreign[0] = 4;
  EXPECT_FALSE(device.SetFeature(foreign));
  EXPECT_FALSE(device.GetFeature(foreign));
}

TEST_F(SimMachine, DeviceWithoutACommandAnswersNothingYet) {
  sim::OtaDevice device;
  std::vector<std::uint8_t> answer(64, 0xEE);
  answer[0] = 3;
  EXPECT_TRUE(device.GetFeature(answer));
  EXPECT_EQ(answer, [] {
    std::vector<std::uint8_t> expected(64, 0);
    expected[0] = 3;
    return expected;
  }());
}

}  // namespace
