#include "platform/sim/usb_device.h"

#include <stdexcept>

#include "platform/sim/described_interfaces.h"

namespace sim {
namespace {

// GUIDs of the property categories, in memory order.
constexpr std::array<std::uint8_t, 16> kDeviceCategory = {
    0x4e, 0x25, 0x5c, 0xa4, 0x1c, 0xdf, 0xfd, 0x4e, 0x80, 0x20, 0x67, 0xd1, 0x46, 0xa8, 0x50, 0xe0};
constexpr std::array<std::uint8_t, 16> kInstanceCategory = {
    0xc8, 0x4f, 0xc3, 0x78, 0x4a, 0x10, 0xca, 0x4a, 0x9e, 0xa4, 0x52, 0x4d, 0x52, 0x99, 0x6e, 0x57};
constexpr std::array<std::uint8_t, 16> kRelationCategory = {
    0xc5, 0xa6, 0x40, 0x43, 0xfa, 0x93, 0x06, 0x47, 0x97, 0x2c, 0x7b, 0x64, 0x80, 0x08, 0xa5, 0xa7};

template <typename Device>
auto& FindInterface(Device& device, InterfaceRole role) {
  for (auto& description : device.interfaces) {
    if (description.role == role) return description;
  }
  throw std::out_of_range("the device has no interface of this role");
}

void AppendUnit(std::vector<std::uint8_t>& out, std::uint32_t unit) {
  out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
  out.push_back(static_cast<std::uint8_t>((unit >> 8) & 0xFF));
}

void AppendText(std::vector<std::uint8_t>& out, std::wstring_view text) {
  for (const wchar_t c : text) {
    const auto code = static_cast<std::uint32_t>(c);
    if (code >= 0x10000) {
      AppendUnit(out, 0xD800 + ((code - 0x10000) >> 10));
      AppendUnit(out, 0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      AppendUnit(out, code);
    }
  }
  AppendUnit(out, 0);
}

}  // namespace

namespace property_keys {
const hid::PropertyKey kDeviceDesc{kDeviceCategory, 2};
const hid::PropertyKey kHardwareIds{kDeviceCategory, 3};
const hid::PropertyKey kClass{kDeviceCategory, 9};
const hid::PropertyKey kClassGuid{kDeviceCategory, 10};
const hid::PropertyKey kDriver{kDeviceCategory, 11};
const hid::PropertyKey kManufacturer{kDeviceCategory, 13};
const hid::PropertyKey kEnumeratorName{kDeviceCategory, 24};
const hid::PropertyKey kInstanceId{kInstanceCategory, 256};
const hid::PropertyKey kParent{kRelationCategory, 8};
}  // namespace property_keys

HidInterfaceDescription& UsbDevice::Interface(InterfaceRole role) {
  return FindInterface(*this, role);
}

const HidInterfaceDescription& UsbDevice::Interface(InterfaceRole role) const {
  return FindInterface(*this, role);
}

void PlugUsbDevice(const UsbDevice& device) {
  for (const auto& description : device.interfaces) {
    PlugDescribedInterface(std::make_shared<const HidInterfaceDescription>(description));
  }
}

void UnplugUsbDevice(const UsbDevice& device) {
  for (const auto& description : device.interfaces) UnplugInterface(description.path);
}

std::vector<std::uint8_t> TextValue(std::wstring_view text) {
  std::vector<std::uint8_t> out;
  AppendText(out, text);
  return out;
}

std::vector<std::uint8_t> MultiTextValue(const std::vector<std::wstring>& texts) {
  std::vector<std::uint8_t> out;
  for (const auto& text : texts) AppendText(out, text);
  AppendUnit(out, 0);
  return out;
}

}  // namespace sim
