// Physical USB devices on the simulated bus: each one shows several HID interfaces,
// and each interface carries what the HID class driver and the device manager report
// of it (ids, report descriptor capabilities, device node properties) besides the
// model that answers its reports. Plugging a device plugs all its interfaces at once.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/hid_enum.h"
#include "platform/sim/hid_bus.h"

namespace sim {

// What an interface is for, so a test can pick it out; the enumeration never shows it.
enum class InterfaceRole { other, ota, identity, output };

// Failures of single enumeration calls on one interface.
struct EnumerationFaults {
  bool failDetail = false;            // its detail cannot be read
  bool failDetailAllocation = false;  // no buffer for its detail can be allocated
  bool failQueryOpen = false;
  bool failAttributes = false;
  bool failParsedData = false;
  bool invalidCaps = false;       // the top-level caps report invalid parsed data
  bool invalidValueCaps = false;  // the feature value caps report invalid parsed data
  // A descriptor whose top-level caps count other than its feature values.
  std::optional<std::uint16_t> reportedFeatureValueCaps;
  // The parser reports every feature value it has, even beyond the capacity given.
  bool overstateValueCapsCount = false;
  bool failPropertyKeys = false;
};

struct DeviceProperty {
  hid::PropertyKey key;
  std::vector<std::uint8_t> value;  // raw bytes, as the device manager stores them
  bool readFails = false;
};

struct HidInterfaceDescription {
  std::wstring path;
  InterfaceRole role = InterfaceRole::other;
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  // The top-level collection.
  std::uint16_t usagePage = 0;
  std::uint16_t usage = 0;
  std::vector<hid::ValueCaps> featureValues;
  // Properties of the interface's device node, in the order the device manager lists them.
  std::vector<DeviceProperty> properties;
  EnumerationFaults faults;
  // Answers the interface's reports; null: one that takes and gives none.
  std::shared_ptr<HidInterfaceModel> model;
};

struct UsbDevice {
  std::wstring instanceId;  // of the USB device node
  std::vector<HidInterfaceDescription> interfaces;

  // The first interface of the role; the device must have one.
  HidInterfaceDescription& Interface(InterfaceRole role);
  const HidInterfaceDescription& Interface(InterfaceRole role) const;
};

// Interfaces are enumerated in the order they were plugged in.
void PlugUsbDevice(const UsbDevice& device);
void UnplugUsbDevice(const UsbDevice& device);

// While set, the snapshot of present interfaces cannot be taken.
void FailInterfaceSets(bool fail);
// Snapshots and parsed descriptors handed out and not yet released.
std::size_t OpenInterfaceSetCount();
std::size_t ParsedDataCount();

// Property values as the device manager stores texts: UTF-16, little-endian, with the
// terminating zero; a multi-string ends with a second zero.
std::vector<std::uint8_t> TextValue(std::wstring_view text);
std::vector<std::uint8_t> MultiTextValue(const std::vector<std::wstring>& texts);

// Keys of the device manager's standard properties.
namespace property_keys {
extern const hid::PropertyKey kDeviceDesc;
extern const hid::PropertyKey kHardwareIds;
extern const hid::PropertyKey kClass;
extern const hid::PropertyKey kClassGuid;
extern const hid::PropertyKey kDriver;
extern const hid::PropertyKey kManufacturer;
extern const hid::PropertyKey kEnumeratorName;
extern const hid::PropertyKey kInstanceId;
extern const hid::PropertyKey kParent;
}  // namespace property_keys

}  // namespace sim
