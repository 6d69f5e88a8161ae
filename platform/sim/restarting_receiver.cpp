#include "platform/sim/restarting_receiver.h"

#include "platform/sim/device_layouts.h"
#include "platform/sim/identity_device.h"
#include "platform/sim/virtual_clock.h"

namespace sim {
namespace {

// GUID_DEVINTERFACE_USB_DEVICE as it lies in memory.
constexpr std::uint8_t kUsbDeviceClass[16] = {0x10, 0xBF, 0xDC, 0xA5, 0x30, 0x65, 0xD2, 0x11,
                                              0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED};

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

std::wstring UsbInterfaceName(const UsbDevice& device) {
  std::wstring id = device.instanceId;
  for (auto& c : id) {
    if (c == L'\\') c = L'#';
  }
  return L"\\\\?\\" + id + L"#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
}

std::vector<std::uint8_t> DeviceInterfaceBroadcast(const std::wstring& name) {
  std::vector<std::uint8_t> out;
  Put32(out, static_cast<std::uint32_t>(28 + 2 * (name.size() + 1)));
  Put32(out, 5);
  Put32(out, 0);
  out.insert(out.end(), std::begin(kUsbDeviceClass), std::end(kUsbDeviceClass));
  for (const wchar_t c : name) {
    out.push_back(static_cast<std::uint8_t>(c));
    out.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(c) >> 8));
  }
  out.push_back(0);
  out.push_back(0);
  return out;
}

RestartingReceiver MakeRestartingReceiver(int port, RestartOptions options,
                                          DeviceBroadcast broadcast) {
  RestartingReceiver result;
  result.boot = std::make_shared<BootModeDevice>(options.boot);
  result.bootDevice = MakeBootModeReceiver(port, {.ota = result.boot});

  // What the restart needs of the receiver: its paths and name, not its models, which
  // hold this very callback.
  auto leaving = std::make_shared<UsbDevice>();
  const UsbDevice arriving = result.bootDevice;
  // The restart runs later on the clock, never under the bus lock the switch arrives in.
  options.ota.onBootSwitch = [leaving, arriving, options, broadcast] {
    Schedule(options.leaveAfterMs, [leaving, broadcast] {
      UnplugUsbDevice(*leaving);
      broadcast(kDeviceRemoveComplete, UsbInterfaceName(*leaving));
    });
    if (!options.comesBack) return;
    Schedule(options.returnAfterMs, [arriving, options, broadcast] {
      PlugUsbDevice(arriving);
      for (int i = 0; i < options.arrivalBroadcasts; ++i) {
        broadcast(kDeviceArrival, UsbInterfaceName(arriving));
      }
    });
  };
  result.ota = std::make_shared<OtaDevice>(options.ota);
  result.receiver =
      MakeReceiver(port, {.ota = result.ota,
                          .identity = std::make_shared<IdentityDevice>(
                              IdentityDeviceOptions{.answer = ReceiverIdentityAnswer(2, 0xF0)})});
  *leaving = result.receiver;
  for (auto& description : leaving->interfaces) description.model = nullptr;
  return result;
}

}  // namespace sim
