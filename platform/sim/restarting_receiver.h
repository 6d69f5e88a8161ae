// An 8K receiver of model 3 as it behaves around its second image: on CMD_FW_BOOT_SWITCH
// it restarts, its 0x522C interfaces leave and its boot-mode (0x9999) interfaces arrive,
// each change announced by the broadcast a real USB device causes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/sim/boot_mode_device.h"
#include "platform/sim/ota_device.h"
#include "platform/sim/usb_device.h"

namespace sim {

inline constexpr std::uint32_t kDeviceArrival = 0x8000;
inline constexpr std::uint32_t kDeviceRemoveComplete = 0x8004;

// Delivers one WM_DEVICECHANGE broadcast of a USB device interface.
using DeviceBroadcast = std::function<void(std::uint32_t event, const std::wstring& name)>;

struct RestartOptions {
  std::uint32_t leaveAfterMs = 100;    // from the boot switch
  std::uint32_t returnAfterMs = 1500;  // from the boot switch
  bool comesBack = true;
  int arrivalBroadcasts = 1;  // a device may be announced more than once
  OtaDeviceOptions ota;       // its onBootSwitch is the restart
  BootModeDeviceOptions boot;
};

struct RestartingReceiver {
  UsbDevice receiver;
  UsbDevice bootDevice;
  std::shared_ptr<OtaDevice> ota;
  std::shared_ptr<BootModeDevice> boot;
};

// Not plugged in yet: PlugUsbDevice(result.receiver) does that.
RestartingReceiver MakeRestartingReceiver(int port, RestartOptions options,
                                          DeviceBroadcast broadcast);

// The USB device interface name that broadcasts carry for the device.
std::wstring UsbInterfaceName(const UsbDevice& device);
// The bytes of a DEV_BROADCAST_DEVICEINTERFACE_W for the name: size, type 5, the USB
// device class, the name with its terminator.
std::vector<std::uint8_t> DeviceInterfaceBroadcast(const std::wstring& name);

}  // namespace sim
