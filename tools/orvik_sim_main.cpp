// orvik-sim: runs the update engine against a simulated device and shows what a
// user would see: the moving progress bar, any message box, and the outcome.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/hid.h"
#include "platform/os.h"
#include "platform/sim/hid_bus.h"
#include "platform/sim/ota_device.h"
#include "platform/sim/sim_os.h"
#include "platform/sim/sim_ui.h"
#include "platform/sim/transcript.h"
#include "platform/sim/virtual_clock.h"
#include "update/ota_messages.h"
#include "update/upgrade_state.h"
#include "update/upgrade_worker.h"

namespace {

constexpr const wchar_t* kDevicePath =
    L"\\\\?\\hid#vid_093a&pid_622c&mi_01&col02#7&2f1b3c4d&0&0001#"
    L"{4d1e55b2-f16f-11cf-88cb-001111000030}";

struct Options {
  std::uint32_t imageSize = 64016;
  sim::OtaDeviceOptions device;
  bool realClock = false;
  double speed = 1.0;
  std::string transcript;
};

void Usage(std::FILE* to) {
  std::fputs(
      "usage: orvik-sim [--size BYTES] [--packet SIZExBATCH] [--clock virtual|real[:SPEED]]\n"
      "                 [--transcript FILE]\n"
      "Upgrades a simulated mouse with a stand-in image of BYTES bytes (default 64016).\n"
      "  --packet      what the device announces in its first answer (default 25x40)\n"
      "  --clock       virtual (default): pauses take no time; real: true pacing,\n"
      "                optionally SPEED times faster\n"
      "  --transcript  writes every HID call, pause and message as JSON Lines\n"
      "Exit status: 0 on \"升级成功\", 1 on failure, 2 on bad arguments.\n",
      to);
}

std::optional<unsigned long> Number(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const unsigned long value = std::strtoul(text.c_str(), &end, 10);
  if (*end != '\0') return std::nullopt;
  return value;
}

std::optional<Options> Parse(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--size" && hasValue) {
      const auto size = Number(argv[++i]);
      if (!size || *size > 0xFFFFFFFFul) return std::nullopt;
      options.imageSize = static_cast<std::uint32_t>(*size);
    } else if (arg == "--packet" && hasValue) {
      const std::string value = argv[++i];
      const auto x = value.find('x');
      if (x == std::string::npos) return std::nullopt;
      const auto size = Number(value.substr(0, x));
      const auto batch = Number(value.substr(x + 1));
      if (!size || !batch || *size > 0xFFFF || *batch > 0xFFFF) return std::nullopt;
      options.device.packetSize = static_cast<std::uint16_t>(*size);
      options.device.packetsPerBatch = static_cast<std::uint16_t>(*batch);
    } else if (arg == "--clock" && hasValue) {
      const std::string value = argv[++i];
      if (value == "virtual") {
        options.realClock = false;
      } else if (value.rfind("real", 0) == 0) {
        options.realClock = true;
        if (value.size() > 4) {
          if (value[4] != ':') return std::nullopt;
          char* end = nullptr;
          options.speed = std::strtod(value.c_str() + 5, &end);
          if (*end != '\0' || !(options.speed > 0)) return std::nullopt;
        }
      } else {
        return std::nullopt;
      }
    } else if (arg == "--transcript" && hasValue) {
      options.transcript = argv[++i];
    } else {
      return std::nullopt;
    }
  }
  return options;
}

std::vector<std::uint8_t> StandInImage(std::uint32_t size) {
  std::vector<std::uint8_t> image(size);
  std::uint32_t x = 0x2545F491u;
  for (auto& b : image) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = static_cast<std::uint8_t>(x);
  }
  return image;
}

class DemoDialog : public ui::Dialog {
 public:
  DemoDialog() : ui::Dialog(0) { AttachWindow(ui::WindowHandle{this}); }
};

void DrawBar(long position, long range, bool terminal) {
  if (!terminal || range <= 0) return;
  const long shown = position > range ? range : position;
  const int width = 40;
  const int filled = static_cast<int>(shown * width / range);
  std::printf("\r[%s%s] %3ld%%", std::string(filled, '#').c_str(),
              std::string(width - filled, '.').c_str(), shown * 100 / range);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const auto options = Parse(argc, argv);
  if (!options) {
    Usage(stderr);
    return 2;
  }
  if (options->realClock) {
    sim::UseRealClock(options->speed);
  } else {
    sim::UseVirtualClock();
  }
  sim::EnableTranscript(!options->transcript.empty());

  auto device = std::make_shared<sim::OtaDevice>(options->device);
  sim::PlugInterface(kDevicePath, device);
  DemoDialog dialog;
  sim::OpenWindow(dialog.Window());
  UpgradeState.dialog = &dialog;

  const auto image = StandInImage(options->imageSize);
  UpgradeState.readHandle = hid::Open(kDevicePath, hid::Access::read);
  UpgradeState.writeHandle = hid::Open(kDevicePath, hid::Access::write);
  UpgradeState.imageSize = options->imageSize;
  UpgradeState.UpgradeTarget = kTargetMouse;
  UpgradeState.busy = 1;
  UpgradeState.packetDelayMs = 40;
  std::printf("simulated mouse upgrade: %u bytes, device announces %ux%u\n", options->imageSize,
              options->device.packetSize, options->device.packetsPerBatch);
  if (!os::StartThread(UpgradeWorker, const_cast<std::uint8_t*>(image.data()))) {
    std::puts("the worker thread could not be started");
    return 1;
  }

  const bool terminal = isatty(fileno(stdout)) != 0;
  long range = 0;
  long position = 0;
  bool success = false;
  for (;;) {
    const auto message = sim::WaitForPostedMessage(dialog.Window(), std::chrono::hours(1));
    if (!message) break;
    if (message->message == WM_OTA_PROGRESS) {
      if (message->wParam == 0) range = static_cast<long>(message->lParam & 0xFFFF);
      if (message->wParam == 1) position = static_cast<long>(message->lParam);
      DrawBar(position, range, terminal);
    } else if (message->message == WM_OTA_RESULT) {
      success = message->wParam == 1;
      UpgradeState.busy = 0;
      break;
    }
  }
  sim::JoinWorkers();
  if (terminal) std::puts("");
  for (const auto& box : sim::MessageBoxesShown()) {
    std::printf("message box: %s\n", sim::Utf8(box).c_str());
  }

  const bool exact = device->Image() == image && device->UpgradeComplete();
  std::printf("%s after %llu ms of device time; the device %s\n", success ? "升级成功" : "升级失败",
              static_cast<unsigned long long>(sim::NowMs()),
              exact ? "holds the exact image" : "does not hold the image");
  for (const auto& fault : device->Faults()) std::printf("device fault: %s\n", fault.c_str());

  if (!options->transcript.empty()) {
    std::ofstream out(options->transcript);
    sim::WriteTranscript(out);
    if (!out) {
      std::fprintf(stderr, "could not write %s\n", options->transcript.c_str());
      return 1;
    }
  }
  return success && exact ? 0 : 1;
}
