// A fresh simulated machine per test: empty bus, virtual clock at 0, transcript on,
// the upgrade record as at program start, and a main dialog whose window takes posts.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/sim/hid_bus.h"
#include "platform/sim/ota_device.h"
#include "platform/sim/sim_os.h"
#include "platform/sim/sim_resources.h"
#include "platform/sim/sim_ui.h"
#include "platform/sim/transcript.h"
#include "platform/sim/virtual_clock.h"
#include "update/upgrade_state.h"

namespace testing_support {

class HeadlessDialog : public ui::Dialog {
 public:
  HeadlessDialog() : ui::Dialog(0) { AttachWindow(ui::WindowHandle{this}); }
};

// Deterministic image bytes that are not a repeating pattern.
inline std::vector<std::uint8_t> MakeImage(std::uint32_t size, std::uint32_t seed = 1) {
  std::vector<std::uint8_t> image(size);
  std::uint32_t x = seed * 2654435761u + 12345u;
  for (auto& b : image) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = static_cast<std::uint8_t>(x >> 24);
  }
  return image;
}

// The faults a device model found, for a failure message.
inline std::string Joined(const std::vector<std::string>& faults) {
  std::string out;
  for (const auto& fault : faults) out += fault + "; ";
  return out.empty() ? "no fault recorded" : out;
}

// Writes the transcript as JSON Lines, reads it back, and checks every event came back
// as it was.
inline std::vector<sim::TranscriptEvent> TranscriptReadBack() {
  std::stringstream text;
  sim::WriteTranscript(text);
  std::size_t bad = 99;
  auto back = sim::ReadTranscript(text, &bad);
  EXPECT_EQ(bad, 0u);
  const auto original = sim::TranscriptEvents();
  EXPECT_EQ(back.size(), original.size());
  for (std::size_t i = 0; i < back.size() && i < original.size(); ++i) {
    EXPECT_EQ(back[i].t, original[i].t);
    EXPECT_EQ(sim::ToJsonLine(back[i]), sim::ToJsonLine(original[i]));
  }
  return back;
}

inline std::vector<sim::TranscriptEvent> EventsNamed(const std::string& ev) {
  std::vector<sim::TranscriptEvent> out;
  for (auto& e : sim::TranscriptEvents()) {
    if (e.ev == ev) out.push_back(e);
  }
  return out;
}

class SimMachine : public ::testing::Test {
 protected:
  static inline const std::wstring kOtaPath =
      L"\\\\?\\hid#vid_093a&pid_622c&mi_01&col02#7&2f1b3c4d&0&0001#"
      L"{4d1e55b2-f16f-11cf-88cb-001111000030}";

  void SetUp() override {
    sim::ResetBus();
    sim::ResetResources();
    sim::ResetUi();
    sim::UseVirtualClock();
    sim::ClearTranscript();
    sim::EnableTranscript(true);
    UpgradeState = UpgradeStateRecord{};
    sim::OpenWindow(dialog_.Window());
    UpgradeState.dialog = &dialog_;
  }

  void TearDown() override {
    sim::ResetUi();  // releases any box a failing test left held
    sim::JoinWorkers();
    sim::EnableTranscript(false);
    sim::ClearTranscript();
    hid::Close(UpgradeState.readHandle);
    hid::Close(UpgradeState.writeHandle);
    UpgradeState = UpgradeStateRecord{};
  }

  std::shared_ptr<sim::OtaDevice> PlugOtaDevice(sim::OtaDeviceOptions options = {}) {
    auto device = std::make_shared<sim::OtaDevice>(std::move(options));
    sim::PlugInterface(kOtaPath, device);
    return device;
  }

  // What the upgrade start leaves behind before it starts the worker.
  void PrepareUpgrade(const std::vector<std::uint8_t>& image, std::uint8_t target,
                      std::uint8_t packetDelayMs) {
    UpgradeState.readHandle = hid::Open(kOtaPath, hid::Access::read);
    UpgradeState.writeHandle = hid::Open(kOtaPath, hid::Access::write);
    UpgradeState.imageSize = static_cast<std::uint32_t>(image.size());
    UpgradeState.UpgradeTarget = target;
    UpgradeState.busy = 1;
    UpgradeState.packetDelayMs = packetDelayMs;
  }

  std::vector<sim::PostedMessage> DrainPosted() {
    std::vector<sim::PostedMessage> out;
    while (auto message = sim::TakePostedMessage(dialog_.Window())) out.push_back(*message);
    return out;
  }

  HeadlessDialog dialog_;
};

}  // namespace testing_support
