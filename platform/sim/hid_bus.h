// The simulated HID bus: interfaces by path, each played by a device model.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace sim {

// The device side of one HID interface. Each call returns whether the device
// took or gave the report; the bus calls them one at a time.
class HidInterfaceModel {
 public:
  virtual ~HidInterfaceModel() = default;
  virtual bool SetFeature(std::span<const std::uint8_t> report);
  virtual bool GetFeature(std::span<std::uint8_t> report);
  virtual bool SetOutputReport(std::span<const std::uint8_t> report);
};

// Failures of the bus itself, on one interface.
struct InterfaceFaults {
  bool failOpen = false;
  bool failWrites = false;  // set feature and set output report
  bool failReads = false;   // get feature
};

void PlugInterface(const std::wstring& path, std::shared_ptr<HidInterfaceModel> model);
// Handles open on it stay allocated but every call through them fails, as after a
// real removal.
void UnplugInterface(const std::wstring& path);
bool InterfacePresent(const std::wstring& path);
void SetInterfaceFaults(const std::wstring& path, const InterfaceFaults& faults);

// Removes every interface and forgets every handle.
void ResetBus();
// Handles opened and not yet closed.
std::size_t OpenHandleCount();

}  // namespace sim
