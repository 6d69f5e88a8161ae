#include "platform/sim/device_layouts.h"

#include <cwctype>
#include <string>
#include <utility>

#include "platform/sim/boot_mode_device.h"
#include "platform/sim/identity_device.h"
#include "platform/sim/ota_device.h"

namespace sim {
namespace {

constexpr std::uint16_t kVendor = 0x093A;
constexpr std::uint16_t kMouseProduct = 0x622C;
constexpr std::uint16_t kReceiverProduct = 0x522C;
constexpr std::uint16_t kBootModeProduct = 0x9999;

constexpr std::wstring_view kHidInterfaceClass = L"{4d1e55b2-f16f-11cf-88cb-001111000030}";
constexpr std::wstring_view kHidDeviceClass = L"{745a17a0-74d3-11d0-b6fe-00a0c90f57da}";
// The same class GUID as the device manager stores it, in memory order.
const std::vector<std::uint8_t> kHidDeviceClassBytes = {
    0xa0, 0x17, 0x5a, 0x74, 0xd3, 0x74, 0xd0, 0x11, 0xb6, 0xfe, 0x00, 0xa0, 0xc9, 0x0f, 0x57, 0xda};

std::wstring Hex(std::uint32_t value, int digits) {
  static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring out(static_cast<std::size_t>(digits), L'0');
  for (int i = digits - 1; i >= 0; --i, value >>= 4) {
    out[static_cast<std::size_t>(i)] = kDigits[value & 0xF];
  }
  return out;
}

// Stands in for the hash Windows makes of a parent's id and a port.
std::uint32_t Scramble(std::uint32_t x) {
  x ^= x >> 16;
  x *= 0x7feb352dU;
  x ^= x >> 15;
  x *= 0x846ca68bU;
  x ^= x >> 16;
  return x;
}

std::uint32_t PortSeed(int port) {
  return 0x1F2E3D4CU ^ (static_cast<std::uint32_t>(port) * 0x9E3779B1U);
}

std::wstring IdsPart(std::uint16_t vendorId, std::uint16_t productId) {
  return L"VID_" + Hex(vendorId, 4) + L"&PID_" + Hex(productId, 4);
}

std::wstring Lower(std::wstring text) {
  for (auto& c : text) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  return text;
}

// \\?\hid#vid_093a&pid_622c&mi_01&col02#8&1a2b3c4d&0&0001#{4d1e55b2-...}
std::wstring InterfacePath(const std::wstring& hidInstanceId) {
  std::wstring path = L"\\\\?\\" + Lower(hidInstanceId) + L"#" + std::wstring(kHidInterfaceClass);
  for (std::size_t i = 4; i < path.size(); ++i) {
    if (path[i] == L'\\') path[i] = L'#';
  }
  return path;
}

// "&MI_01&COL02" as a hardware id spells it: "&MI_01&Col02".
std::wstring HardwareIdFunction(std::wstring function) {
  const auto col = function.find(L"&COL");
  if (col != std::wstring::npos) function.replace(col, 4, L"&Col");
  return function;
}

struct Collection {
  std::wstring function;  // "&MI_01&COL02", "&COL03" or empty
  InterfaceRole role = InterfaceRole::other;
  std::uint16_t usagePage = 0;
  std::uint16_t usage = 0;
  std::vector<hid::ValueCaps> featureValues;
  std::wstring description;
  std::shared_ptr<HidInterfaceModel> model;
};

HidInterfaceDescription MakeInterface(std::uint16_t vendorId, std::uint16_t productId,
                                      const std::wstring& parentInstanceId,
                                      const std::wstring& hidUnique, Collection collection,
                                      int driverIndex) {
  const std::wstring ids = IdsPart(vendorId, productId);
  const std::wstring hidInstanceId = L"HID\\" + ids + collection.function + L"\\" + hidUnique;
  const std::wstring hwFunction = HardwareIdFunction(collection.function);
  HidInterfaceDescription description;
  description.path = InterfacePath(hidInstanceId);
  description.role = collection.role;
  description.vendorId = vendorId;
  description.productId = productId;
  description.usagePage = collection.usagePage;
  description.usage = collection.usage;
  description.featureValues = std::move(collection.featureValues);
  description.model = std::move(collection.model);
  using namespace property_keys;
  description.properties = {
      {kDeviceDesc, TextValue(collection.description)},
      {kHardwareIds,
       MultiTextValue(
           {L"HID\\" + ids + L"&REV_0100" + hwFunction, L"HID\\" + ids + hwFunction,
            L"HID_DEVICE_UP:" + Hex(collection.usagePage, 4) + L"_U:" + Hex(collection.usage, 4),
            L"HID_DEVICE"})},
      {kClass, TextValue(L"HIDClass")},
      {kClassGuid, kHidDeviceClassBytes},
      {kDriver, TextValue(std::wstring(kHidDeviceClass) + L"\\" +
                          Hex(static_cast<std::uint32_t>(driverIndex), 4))},
      {kManufacturer, TextValue(L"(Standard system devices)")},
      {kEnumeratorName, TextValue(L"HID")},
      {kInstanceId, TextValue(hidInstanceId)},
      {kParent, TextValue(parentInstanceId)},
  };
  return description;
}

std::shared_ptr<HidInterfaceModel> OrDefault(std::shared_ptr<HidInterfaceModel> model,
                                             std::shared_ptr<HidInterfaceModel> fallback) {
  return model ? std::move(model) : std::move(fallback);
}

std::shared_ptr<HidInterfaceModel> Silent() {
  return std::make_shared<HidInterfaceModel>();
}

Collection Pointer(std::wstring function) {
  return {std::move(function),
          InterfaceRole::other,
          0x0001,
          0x0002,
          {},
          L"HID-compliant mouse",
          Silent()};
}

Collection Ota(std::wstring function, std::uint16_t page, std::shared_ptr<HidInterfaceModel> m) {
  return {std::move(function),
          InterfaceRole::ota,
          page,
          0x0001,
          {{page, 0x0001}},
          L"HID-compliant vendor-defined device",
          std::move(m)};
}

Collection Identity(std::wstring function, std::shared_ptr<HidInterfaceModel> model) {
  return {std::move(function),
          InterfaceRole::identity,
          0xFF05,
          0x0004,
          {{0xFF05, 0x0004}},
          L"HID-compliant vendor-defined device",
          std::move(model)};
}

Collection Output(std::wstring function, std::uint16_t page,
                  std::shared_ptr<HidInterfaceModel> model) {
  return {std::move(function),
          InterfaceRole::output,
          page,
          0x0001,
          {},
          L"HID-compliant vendor-defined device",
          std::move(model)};
}

// A device of one USB interface: every collection hangs off the USB device node.
UsbDevice SingleInterfaceDevice(int port, std::uint16_t vendorId, std::uint16_t productId,
                                std::vector<Collection> collections) {
  UsbDevice device;
  const std::uint32_t seed = PortSeed(port);
  device.instanceId = L"USB\\" + IdsPart(vendorId, productId) + L"\\5&" + Hex(seed, 8) + L"&0&" +
                      std::to_wstring(port);
  const std::wstring hidUnique =
      L"6&" + Hex(Scramble(seed ^ (std::uint32_t{vendorId} << 16 | productId)), 8) + L"&0&";
  int index = 0;
  for (auto& collection : collections) {
    device.interfaces.push_back(MakeInterface(vendorId, productId, device.instanceId,
                                              hidUnique + Hex(static_cast<std::uint32_t>(index), 4),
                                              std::move(collection), port * 16 + index));
    ++index;
  }
  return device;
}

}  // namespace

UsbDevice MakeMouse(int port, DeviceModels models) {
  UsbDevice device;
  const std::uint32_t seed = PortSeed(port) ^ kMouseProduct;
  const std::wstring ids = IdsPart(kVendor, kMouseProduct);
  device.instanceId = L"USB\\" + ids + L"\\6&" + Hex(seed, 8) + L"&0&" + std::to_wstring(port);
  const std::wstring usbUnique = L"7&" + Hex(Scramble(seed), 8) + L"&0&";

  std::vector<std::pair<int, Collection>> collections;
  collections.emplace_back(0, Pointer(L"&MI_00"));
  collections.emplace_back(1, Collection{L"&MI_01&COL01",
                                         InterfaceRole::other,
                                         0x000C,
                                         0x0001,
                                         {},
                                         L"HID-compliant consumer control device",
                                         Silent()});
  collections.emplace_back(
      1, Ota(L"&MI_01&COL02", 0xFF00, OrDefault(models.ota, std::make_shared<OtaDevice>())));
  collections.emplace_back(
      1, Identity(L"&MI_01&COL03", OrDefault(models.identity, std::make_shared<IdentityDevice>())));
  collections.emplace_back(1, Output(L"&MI_01&COL04", 0xFF05, OrDefault(models.output, Silent())));

  int collectionIndex = 0;
  for (auto& [usbInterface, collection] : collections) {
    const auto mi = static_cast<std::uint32_t>(usbInterface);
    const std::wstring parent =
        L"USB\\" + ids + L"&MI_0" + std::to_wstring(mi) + L"\\" + usbUnique + Hex(mi, 4);
    // Each USB interface numbers its collections from 0.
    const std::uint32_t number =
        usbInterface == 0 ? 0 : static_cast<std::uint32_t>(collectionIndex - 1);
    const std::wstring hidUnique =
        L"8&" + Hex(Scramble(seed + 1 + mi), 8) + L"&0&" + Hex(number, 4);
    device.interfaces.push_back(MakeInterface(kVendor, kMouseProduct, parent, hidUnique,
                                              std::move(collection), port * 16 + collectionIndex));
    ++collectionIndex;
  }
  return device;
}

UsbDevice MakeReceiver(int port, DeviceModels models) {
  std::vector<Collection> collections;
  collections.push_back(Pointer(L"&COL01"));
  collections.push_back(
      {L"&COL02", InterfaceRole::other, 0x0001, 0x0006, {}, L"HID Keyboard Device", Silent()});
  collections.push_back(
      Ota(L"&COL03", 0xFF00, OrDefault(models.ota, std::make_shared<OtaDevice>())));
  collections.push_back(Identity(
      L"&COL04", OrDefault(models.identity, std::make_shared<IdentityDevice>(IdentityDeviceOptions{
                                                .answer = ReceiverIdentityAnswer(1, 0x00)}))));
  collections.push_back(Output(L"&COL05", 0xFF05, OrDefault(models.output, Silent())));
  return SingleInterfaceDevice(port, kVendor, kReceiverProduct, std::move(collections));
}

UsbDevice MakeBootModeReceiver(int port, DeviceModels models) {
  std::vector<Collection> collections;
  collections.push_back(
      Ota(L"&COL01", 0xFF01, OrDefault(models.ota, std::make_shared<BootModeDevice>())));
  collections.push_back(Output(L"&COL02", 0xFF01, OrDefault(models.output, Silent())));
  if (models.identity) collections.push_back(Identity(L"&COL03", models.identity));
  return SingleInterfaceDevice(port, kVendor, kBootModeProduct, std::move(collections));
}

UsbDevice MakeOtherDevice(int port, std::uint16_t vendorId, std::uint16_t productId) {
  std::vector<Collection> collections;
  collections.push_back(Pointer(L"&COL01"));
  collections.push_back(Ota(L"&COL02", 0xFF00, Silent()));
  collections.push_back(Identity(L"&COL03", Silent()));
  collections.push_back(Output(L"&COL04", 0xFF05, Silent()));
  return SingleInterfaceDevice(port, vendorId, productId, std::move(collections));
}

}  // namespace sim
