// The devices a gamer's machine shows, interface by interface, with Windows-style
// instance ids and interface paths. The port tells two devices of the same kind apart:
// devices on different ports get different instance ids.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/sim/usb_device.h"

namespace sim {

struct DeviceModels {
  // Null picks the layout's default for the interface (see each layout).
  std::shared_ptr<HidInterfaceModel> ota;
  std::shared_ptr<HidInterfaceModel> identity;
  std::shared_ptr<HidInterfaceModel> output;
};

// A mouse by cable, product 0x622C, composite: interface 0 is the pointer; interface 1
// carries a consumer-control collection, the OTA collection (feature value usage 1 on
// page 0xFF00), the identity collection (feature value usage 4 on page 0xFF05) and the
// output collection (usage 1 on page 0xFF05, no feature values).
// Defaults: an OtaDevice, an IdentityDevice answering model 2 with sensor byte 0xF0, and
// an output interface that takes no report.
UsbDevice MakeMouse(int port, DeviceModels models = {});

// A 1K or 8K receiver, product 0x522C, one USB interface with pointer, keyboard, OTA,
// identity and output collections laid out as on the mouse.
// Defaults: an OtaDevice, an IdentityDevice answering class 1, an output interface that
// takes no report.
UsbDevice MakeReceiver(int port, DeviceModels models = {});

// An 8K receiver restarted into its boot mode, product 0x9999: an OTA collection with a
// feature value usage 1 on page 0xFF01 and an output collection usage 1 on page 0xFF01;
// an identity collection only when models.identity is given. The instance id's unique
// part is that of a receiver on the same port, as Windows derives it from the port.
// Defaults: a BootModeDevice, an output interface that takes no report.
UsbDevice MakeBootModeReceiver(int port, DeviceModels models = {});

// Another product: the same collections as a receiver (OTA, identity and output ones
// included) under the given ids, none of whose interfaces takes a report.
UsbDevice MakeOtherDevice(int port, std::uint16_t vendorId, std::uint16_t productId);

}  // namespace sim
