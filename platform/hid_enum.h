// Enumeration of the present HID interfaces and what can be read of each one: its
// path, its USB ids, its report descriptor's capabilities and its device node's
// properties. Every call can fail on its own; the caller decides what a failure means.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "platform/hid.h"

namespace hid {

// A snapshot of the HID interfaces present when it was taken; members are numbered
// from 0 in enumeration order.
struct InterfaceSet {
  std::intptr_t value = 0;
  friend bool operator==(InterfaceSet, InterfaceSet) = default;
};
inline constexpr InterfaceSet kInvalidInterfaceSet{};

// Yields kInvalidInterfaceSet when the snapshot cannot be taken.
InterfaceSet OpenPresentInterfaces();
// Sets the set to kInvalidInterfaceSet; an invalid one is left alone.
void CloseInterfaceSet(InterfaceSet& set);

// False once memberIndex is past the last interface.
bool InterfaceExists(InterfaceSet set, std::uint32_t memberIndex);

enum class DetailStatus {
  ok,
  unavailable,  // the detail could not be read, or read whole: pass the interface over
  outOfMemory,  // no buffer for the detail could be allocated
};

struct InterfaceDetail {
  DetailStatus status = DetailStatus::unavailable;
  std::wstring path;  // the interface path, valid with DetailStatus::ok
};

// Reads the interface path and remembers the interface's device node for the
// property calls below.
InterfaceDetail ReadInterfaceDetail(InterfaceSet set, std::uint32_t memberIndex);

// Opens the interface with neither read nor write access, enough to ask the HID class
// driver about it. Closed with hid::Close; a failed open yields kInvalidHandle.
Handle OpenForQuery(const std::wstring& path);

struct Attributes {
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
};
bool GetAttributes(Handle handle, Attributes& attributes);

// The parsed report descriptor of an interface.
struct ParsedData {
  std::intptr_t value = 0;
  friend bool operator==(ParsedData, ParsedData) = default;
};
inline constexpr ParsedData kNoParsedData{};

bool GetParsedData(Handle handle, ParsedData& data);
// Sets the data to kNoParsedData; kNoParsedData is left alone.
void FreeParsedData(ParsedData& data);

// The status codes of the HID report descriptor parser, as 32-bit values; codes not
// named here pass through unchanged.
enum class ParserStatus : std::uint32_t {
  success = 0x00110000,
  invalidPreparsedData = 0xC0110001,
  bufferTooSmall = 0xC0110007,
  usageNotFound = 0xC0110004,
};

struct TopLevelCaps {
  std::uint16_t usage = 0;
  std::uint16_t usagePage = 0;
  std::uint16_t numberFeatureValueCaps = 0;
};
ParserStatus GetCaps(ParsedData data, TopLevelCaps& caps);

// One feature value of the descriptor: its page and its usage (the first usage of a range).
struct ValueCaps {
  std::uint16_t usagePage = 0;
  std::uint16_t usage = 0;
};

// The feature value capabilities of every page, collection and usage. The capacity is
// caps.size(); count receives how many the parser reports.
ParserStatus GetFeatureValueCaps(ParsedData data, std::span<ValueCaps> caps, std::uint16_t& count);

// A device property key: the category's 16 bytes as the GUID lies in memory, and the
// property id within the category.
struct PropertyKey {
  std::array<std::uint8_t, 16> category{};
  std::uint32_t id = 0;
  friend bool operator==(const PropertyKey&, const PropertyKey&) = default;
};

// The property calls take the device node that ReadInterfaceDetail found for the member.

// The keys of the device node's properties. Entries the call does not fill read as
// property id 0 when the caller zeroed the array. Fails, writing nothing the caller may
// rely on, when the node has more properties than keys.size().
bool GetDevicePropertyKeys(InterfaceSet set, std::uint32_t memberIndex,
                           std::span<PropertyKey> keys);

// The raw bytes of one property value, written from the start of the buffer; the bytes
// after the value are left as they were. Fails when the value does not fit.
bool GetDeviceProperty(InterfaceSet set, std::uint32_t memberIndex, const PropertyKey& key,
                       std::span<std::uint8_t> value);

}  // namespace hid
