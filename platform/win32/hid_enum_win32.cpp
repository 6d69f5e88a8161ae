#include "platform/hid_enum.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <vector>

#include <windows.h>

#include <devpropdef.h>
#include <setupapi.h>

// The HID headers declare C functions without a linkage block of their own.
extern "C" {
#include <hidsdi.h>
}

namespace {

// SetupAPI packs its structures to 1 byte in 32-bit builds and to 8 in 64-bit ones.
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) == (sizeof(void*) == 8 ? 8 : 6));
static_assert(sizeof(GUID) == 16);

// What an InterfaceSet stands for.
struct NativeSet {
  HDEVINFO info = INVALID_HANDLE_VALUE;
  GUID hidClass{};
  // The device node that each member's detail named, for the property calls.
  std::map<std::uint32_t, SP_DEVINFO_DATA> nodes;
};

NativeSet* SetOf(hid::InterfaceSet set) {
  return reinterpret_cast<NativeSet*>(set.value);
}

HANDLE NativeHandle(hid::Handle handle) {
  return reinterpret_cast<HANDLE>(handle.value);
}

PHIDP_PREPARSED_DATA NativeParsedData(hid::ParsedData data) {
  return reinterpret_cast<PHIDP_PREPARSED_DATA>(data.value);
}

hid::ParserStatus PortableStatus(NTSTATUS status) {
  return static_cast<hid::ParserStatus>(static_cast<std::uint32_t>(status));
}

bool EnumerateMember(NativeSet& set, std::uint32_t memberIndex, SP_DEVICE_INTERFACE_DATA& data) {
  data = {};
  data.cbSize = sizeof(data);
  return SetupDiEnumDeviceInterfaces(set.info, nullptr, &set.hidClass, memberIndex, &data) != FALSE;
}

SP_DEVINFO_DATA* NodeOf(hid::InterfaceSet set, std::uint32_t memberIndex) {
  if (set == hid::kInvalidInterfaceSet) return nullptr;
  auto& nodes = SetOf(set)->nodes;
  const auto found = nodes.find(memberIndex);
  return found == nodes.end() ? nullptr : &found->second;
}

DEVPROPKEY NativeKey(const hid::PropertyKey& key) {
  DEVPROPKEY native{};
  std::memcpy(&native.fmtid, key.category.data(), key.category.size());
  native.pid = key.id;
  return native;
}

hid::PropertyKey PortableKey(const DEVPROPKEY& native) {
  hid::PropertyKey key;
  std::memcpy(key.category.data(), &native.fmtid, key.category.size());
  key.id = native.pid;
  return key;
}

}  // namespace

namespace hid {

InterfaceSet OpenPresentInterfaces() {
  std::unique_ptr<NativeSet> set(new (std::nothrow) NativeSet);
  if (!set) return kInvalidInterfaceSet;
  HidD_GetHidGuid(&set->hidClass);
  set->info =
      SetupDiGetClassDevsW(&set->hidClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (set->info == INVALID_HANDLE_VALUE) return kInvalidInterfaceSet;
  return InterfaceSet{reinterpret_cast<std::intptr_t>(set.release())};
}

void CloseInterfaceSet(InterfaceSet& set) {
  if (set == kInvalidInterfaceSet) return;
  const std::unique_ptr<NativeSet> native(SetOf(set));
  SetupDiDestroyDeviceInfoList(native->info);
  set = kInvalidInterfaceSet;
}

bool InterfaceExists(InterfaceSet set, std::uint32_t memberIndex) {
  if (set == kInvalidInterfaceSet) return false;
  SP_DEVICE_INTERFACE_DATA data;
  return EnumerateMember(*SetOf(set), memberIndex, data);
}

InterfaceDetail ReadInterfaceDetail(InterfaceSet set, std::uint32_t memberIndex) {
  if (set == kInvalidInterfaceSet) return {};
  auto& native = *SetOf(set);
  SP_DEVICE_INTERFACE_DATA data;
  if (!EnumerateMember(native, memberIndex, data)) return {};
  DWORD required = 0;
  SetupDiGetDeviceInterfaceDetailW(native.info, &data, nullptr, 0, &required, nullptr);
  if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) return {};

  // operator new aligns the buffer for the structure's DWORD.
  const std::unique_ptr<std::byte[]> buffer(new (std::nothrow) std::byte[required]);
  if (!buffer) return {DetailStatus::outOfMemory, {}};
  auto* detail = new (buffer.get()) SP_DEVICE_INTERFACE_DETAIL_DATA_W;
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
  SP_DEVINFO_DATA node{};
  node.cbSize = sizeof(node);
  if (!SetupDiGetDeviceInterfaceDetailW(native.info, &data, detail, required, nullptr, &node)) {
    return {};
  }
  // The path must end inside the buffer, or it is not the whole path.
  const std::size_t units =
      (required - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath)) / sizeof(WCHAR);
  const WCHAR* path = detail->DevicePath;
  const WCHAR* end = std::find(path, path + units, L'\0');
  if (end == path + units) return {};
  native.nodes[memberIndex] = node;
  return {DetailStatus::ok, std::wstring(path, end)};
}

Handle OpenForQuery(const std::wstring& path) {
  const HANDLE native = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (native == INVALID_HANDLE_VALUE) return kInvalidHandle;
  return Handle{reinterpret_cast<std::intptr_t>(native)};
}

bool GetAttributes(Handle handle, Attributes& attributes) {
  HIDD_ATTRIBUTES native{};
  native.Size = sizeof(native);
  if (!HidD_GetAttributes(NativeHandle(handle), &native)) return false;
  attributes = {native.VendorID, native.ProductID};
  return true;
}

bool GetParsedData(Handle handle, ParsedData& data) {
  PHIDP_PREPARSED_DATA native = nullptr;
  if (!HidD_GetPreparsedData(NativeHandle(handle), &native)) return false;
  data = ParsedData{reinterpret_cast<std::intptr_t>(native)};
  return true;
}

void FreeParsedData(ParsedData& data) {
  if (data == kNoParsedData) return;
  HidD_FreePreparsedData(NativeParsedData(data));
  data = kNoParsedData;
}

ParserStatus GetCaps(ParsedData data, TopLevelCaps& caps) {
  HIDP_CAPS native{};
  const NTSTATUS status = HidP_GetCaps(NativeParsedData(data), &native);
  caps = {native.Usage, native.UsagePage, native.NumberFeatureValueCaps};
  return PortableStatus(status);
}

ParserStatus GetFeatureValueCaps(ParsedData data, std::span<ValueCaps> caps, std::uint16_t& count) {
  const auto capacity = static_cast<USHORT>(std::min<std::size_t>(caps.size(), 0xFFFF));
  // One entry at least, so the parser is never handed a null array.
  std::vector<HIDP_VALUE_CAPS> native(std::max<std::size_t>(capacity, 1));
  USHORT length = capacity;
  const NTSTATUS status = HidP_GetSpecificValueCaps(HidP_Feature, 0, 0, 0, native.data(), &length,
                                                    NativeParsedData(data));
  count = length;
  const std::size_t filled = std::min<std::size_t>(length, capacity);
  for (std::size_t i = 0; i < filled; ++i) {
    caps[i] = {native[i].UsagePage, native[i].NotRange.Usage};
  }
  return PortableStatus(status);
}

bool GetDevicePropertyKeys(InterfaceSet set, std::uint32_t memberIndex,
                           std::span<PropertyKey> keys) {
  SP_DEVINFO_DATA* node = NodeOf(set, memberIndex);
  if (!node) return false;
  // Zeroed, so entries the call does not fill read as property id 0.
  std::vector<DEVPROPKEY> native(keys.size());
  if (!SetupDiGetDevicePropertyKeys(SetOf(set)->info, node, native.data(),
                                    static_cast<DWORD>(native.size()), nullptr, 0)) {
    return false;
  }
  std::transform(native.begin(), native.end(), keys.begin(), PortableKey);
  return true;
}

bool GetDeviceProperty(InterfaceSet set, std::uint32_t memberIndex, const PropertyKey& key,
                       std::span<std::uint8_t> value) {
  SP_DEVINFO_DATA* node = NodeOf(set, memberIndex);
  if (!node) return false;
  const DEVPROPKEY nativeKey = NativeKey(key);
  DEVPROPTYPE type = 0;
  return SetupDiGetDevicePropertyW(SetOf(set)->info, node, &nativeKey, &type, value.data(),
                                   static_cast<DWORD>(value.size()), nullptr, 0) != FALSE;
}

}  // namespace hid
