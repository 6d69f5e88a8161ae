// HID report I/O on one interface path.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace hid {

// An open device handle. The invalid value marks a closed handle.
struct Handle {
  std::intptr_t value = -1;
  friend bool operator==(Handle, Handle) = default;
};
inline constexpr Handle kInvalidHandle{};

enum class Access { read, write };

// Opens the interface with read or write access, sharing both, overlapped.
// A failed open yields kInvalidHandle.
Handle Open(const std::wstring& path, Access access);

// Closes the handle and sets it to kInvalidHandle; an invalid one is left alone.
void Close(Handle& handle);

// Each call is synchronous and reports whether the device took (or gave) the report.
// report[0] is the report id. A failed get leaves the caller's bytes as they were.
bool SetFeature(Handle handle, std::span<const std::uint8_t> report);
bool GetFeature(Handle handle, std::span<std::uint8_t> report);
bool SetOutputReport(Handle handle, std::span<const std::uint8_t> report);

// False only where every device is known to be simulated.
bool ReachesRealDevices();

}  // namespace hid
