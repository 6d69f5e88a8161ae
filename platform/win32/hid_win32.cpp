#include "platform/hid.h"

#include <algorithm>
#include <vector>

#include <windows.h>

// The HID headers declare C functions without a linkage block of their own.
extern "C" {
#include <hidsdi.h>
}

namespace {

HANDLE NativeHandle(hid::Handle handle) {
  return reinterpret_cast<HANDLE>(handle.value);
}

ULONG ReportLength(std::span<const std::uint8_t> report) {
  return static_cast<ULONG>(report.size());
}

// The HID calls take a mutable buffer even when they only read from it.
PVOID ReportBuffer(std::span<const std::uint8_t> report) {
  return const_cast<std::uint8_t*>(report.data());
}

}  // namespace

namespace hid {

Handle Open(const std::wstring& path, Access access) {
  const DWORD desiredAccess = access == Access::read ? GENERIC_READ : GENERIC_WRITE;
  const HANDLE native = CreateFileW(path.c_str(), desiredAccess, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  if (native == INVALID_HANDLE_VALUE) {
    return kInvalidHandle;
  }
  return Handle{reinterpret_cast<std::intptr_t>(native)};
}

void Close(Handle& handle) {
  if (handle == kInvalidHandle) {
    return;
  }
  CloseHandle(NativeHandle(handle));
  handle = kInvalidHandle;
}

bool SetFeature(Handle handle, std::span<const std::uint8_t> report) {
  return HidD_SetFeature(NativeHandle(handle), ReportBuffer(report), ReportLength(report)) != FALSE;
}

bool GetFeature(Handle handle, std::span<std::uint8_t> report) {
  // Starts as the caller's bytes so the report id goes out; a failed read may leave it
  // half-written, which the caller must not see.
  std::vector<std::uint8_t> received(report.begin(), report.end());
  if (HidD_GetFeature(NativeHandle(handle), received.data(), ReportLength(report)) == FALSE) {
    return false;
  }
  std::copy(received.begin(), received.end(), report.begin());
  return true;
}

bool SetOutputReport(Handle handle, std::span<const std::uint8_t> report) {
  return HidD_SetOutputReport(NativeHandle(handle), ReportBuffer(report), ReportLength(report)) !=
         FALSE;
}

bool ReachesRealDevices() {
  return true;
}

}  // namespace hid
