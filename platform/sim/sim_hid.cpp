// hid.h on the simulated bus.
#include <algorithm>
#include <map>
#include <mutex>
#include <vector>

#include "platform/hid.h"
#include "platform/hid_enum.h"
#include "platform/sim/described_interfaces.h"
#include "platform/sim/hid_bus.h"
#include "platform/sim/transcript.h"

namespace sim {

bool HidInterfaceModel::SetFeature(std::span<const std::uint8_t>) {
  return false;
}
bool HidInterfaceModel::GetFeature(std::span<std::uint8_t>) {
  return false;
}
bool HidInterfaceModel::SetOutputReport(std::span<const std::uint8_t>) {
  return false;
}

namespace {

struct BusInterface {
  std::shared_ptr<HidInterfaceModel> model;
  InterfaceFaults faults;
  bool present = false;
  // What the enumeration shows of the interface; null: it is not enumerated.
  std::shared_ptr<const HidInterfaceDescription> description;
  std::uint64_t arrival = 0;
};

struct OpenHandle {
  std::wstring path;
  hid::Access access;
  // The model the handle was opened on: a device plugged in again under the
  // same path is another device, which this handle no longer reaches.
  std::weak_ptr<HidInterfaceModel> model;
  // Opened with neither read nor write access: no report travels through it.
  bool query = false;
  // A whole device plugged in again is another device too, even with the same models.
  std::weak_ptr<const HidInterfaceDescription> description;
};

// Whether the handle still reaches the interface it was opened on.
bool Reaches(const OpenHandle& open, const BusInterface& device) {
  return device.present && open.model.lock() == device.model &&
         open.description.lock() == device.description;
}

struct Bus {
  std::mutex mutex;
  std::map<std::wstring, BusInterface> interfaces;
  std::map<std::intptr_t, OpenHandle> handles;
  std::intptr_t nextHandle = 0x100;
  std::uint64_t nextArrival = 0;
};

Bus& TheBus() {
  static Bus bus;
  return bus;
}

const char* AccessName(hid::Access access) {
  return access == hid::Access::read ? "read" : "write";
}

enum class ReportCall { setFeature, getFeature, setOutput };

// Runs one report call under the bus lock; returns the path for the transcript.
bool CallModel(hid::Handle handle, ReportCall call, std::span<std::uint8_t> inOut,
               std::span<const std::uint8_t> out, std::wstring& path) {
  auto& bus = TheBus();
  std::lock_guard lock(bus.mutex);
  const auto open = bus.handles.find(handle.value);
  if (open == bus.handles.end()) return false;
  path = open->second.path;
  const auto found = bus.interfaces.find(path);
  if (found == bus.interfaces.end() || !Reaches(open->second, found->second)) return false;
  auto& device = found->second;
  if (open->second.query) return false;
  const bool writes = call != ReportCall::getFeature;
  // A report travels only the way the handle was opened for.
  if (writes != (open->second.access == hid::Access::write)) return false;
  if (writes ? device.faults.failWrites : device.faults.failReads) return false;
  switch (call) {
    case ReportCall::setFeature:
      return device.model->SetFeature(out);
    case ReportCall::setOutput:
      return device.model->SetOutputReport(out);
    case ReportCall::getFeature: {
      // The device answers into a copy, so a failed read leaves the caller's bytes alone.
      std::vector<std::uint8_t> answer(inOut.begin(), inOut.end());
      if (!device.model->GetFeature(answer)) return false;
      std::copy(answer.begin(), answer.end(), inOut.begin());
      return true;
    }
  }
  return false;
}

bool Write(hid::Handle handle, ReportCall call, const char* ev,
           std::span<const std::uint8_t> report) {
  std::wstring path;
  const bool ok = CallModel(handle, call, {}, report, path);
  if (!TranscriptEnabled()) return ok;
  Record(ev, {{"path", Utf8(path)},
              {"len", static_cast<std::int64_t>(report.size())},
              {"data", HexBytes(report)},
              {"ok", ok}});
  return ok;
}

}  // namespace

void PlugInterface(const std::wstring& path, std::shared_ptr<HidInterfaceModel> model) {
  auto& bus = TheBus();
  std::lock_guard lock(bus.mutex);
  auto& device = bus.interfaces[path];
  device.model = std::move(model);
  device.faults = {};
  device.present = true;
  device.description = nullptr;
  device.arrival = bus.nextArrival++;
}

void PlugDescribedInterface(std::shared_ptr<const HidInterfaceDescription> description) {
  auto& bus = TheBus();
  std::lock_guard lock(bus.mutex);
  auto& device = bus.interfaces[description->path];
  device.model = description->model ? description->model : std::make_shared<HidInterfaceModel>();
  device.faults = {};
  device.present = true;
  device.description = std::move(description);
  device.arrival = bus.nextArrival++;
}

std::vector<std::shared_ptr<const HidInterfaceDescription>> PresentDescribedInterfaces() {
  auto& bus = TheBus();
  std::lock_guard lock(bus.mutex);
  std::vector<const BusInterface*> present;
  for (const auto& [path, device] : bus.interfaces) {
    if (device.present && device.description) present.push_back(&device);
  }
  std::sort(present.begin(), present.end(),
            [](const BusInterface* a, const BusInterface* b) { return a->arrival < b->arrival; });
  std::vector<std::shared_ptr<const HidInterfaceDescription>> out;
  for (const auto* device : present) out.push_back(device->description);
  return out;
}

std::shared_ptr<const HidInterfaceDescription> DescriptionBehind(hid::Handle handle) {
  auto& bus = TheBus();
  std::lock_guard lock(bus.mutex);
  const auto open = bus.handles.find(handle.value);
  if (open == bus.handles.end()) return nullptr;
  const auto found = bus.interfaces.find(open->second.path);
  if (found == bus.interfaces.end() || !Reaches(open->second, found->second)) return nullptr;
  return found->second.description;
}

void UnplugInterface(const std::wstring& path) {
  auto& bus = TheBus();
  std::lock_guard lock(bus.mutex);
  const auto found = bus.interfaces.find(path);
  if (found != bus.interfaces.end()) found->second.present = false;
}

bool InterfacePresent(const std::wstring& path) {
  auto& bus = TheBus();
  std::lock_guard lock(bus.mutex);
  const auto found = bus.interfaces.find(path);
  return found != bus.interfaces.end() && found->second.present;
}

void SetInterfaceFaults(const std::wstring& path, const InterfaceFaults& faults) {
  auto& bus = TheBus();
  std::lock_guard lock(bus.mutex);
  bus.interfaces[path].faults = faults;
}

void ResetBus() {
  {
    auto& bus = TheBus();
    std::lock_guard lock(bus.mutex);
    bus.interfaces.clear();
    bus.handles.clear();
  }
  ResetEnumeration();
}

std::size_t OpenHandleCount() {
  auto& bus = TheBus();
  std::lock_guard lock(bus.mutex);
  return bus.handles.size();
}

}  // namespace sim

namespace hid {

Handle Open(const std::wstring& path, Access access) {
  auto& bus = sim::TheBus();
  Handle handle = kInvalidHandle;
  {
    std::lock_guard lock(bus.mutex);
    const auto found = bus.interfaces.find(path);
    if (found != bus.interfaces.end() && found->second.present && !found->second.faults.failOpen) {
      handle.value = bus.nextHandle++;
      bus.handles[handle.value] = {path, access, found->second.model, false,
                                   found->second.description};
    }
  }
  sim::Record("hid_open", {{"path", sim::Utf8(path)},
                           {"access", sim::AccessName(access)},
                           {"ok", handle != kInvalidHandle}});
  return handle;
}

Handle OpenForQuery(const std::wstring& path) {
  auto& bus = sim::TheBus();
  Handle handle = kInvalidHandle;
  {
    std::lock_guard lock(bus.mutex);
    const auto found = bus.interfaces.find(path);
    if (found != bus.interfaces.end() && found->second.present &&
        !(found->second.description && found->second.description->faults.failQueryOpen)) {
      handle.value = bus.nextHandle++;
      bus.handles[handle.value] = {path, Access::read, found->second.model, true,
                                   found->second.description};
    }
  }
  sim::Record("hid_open",
              {{"path", sim::Utf8(path)}, {"access", "query"}, {"ok", handle != kInvalidHandle}});
  return handle;
}

void Close(Handle& handle) {
  if (handle == kInvalidHandle) return;
  std::wstring path;
  {
    auto& bus = sim::TheBus();
    std::lock_guard lock(bus.mutex);
    const auto open = bus.handles.find(handle.value);
    if (open != bus.handles.end()) {
      path = open->second.path;
      bus.handles.erase(open);
    }
  }
  sim::Record("hid_close", {{"path", sim::Utf8(path)}});
  handle = kInvalidHandle;
}

bool SetFeature(Handle handle, std::span<const std::uint8_t> report) {
  return sim::Write(handle, sim::ReportCall::setFeature, "set_feature", report);
}

bool SetOutputReport(Handle handle, std::span<const std::uint8_t> report) {
  return sim::Write(handle, sim::ReportCall::setOutput, "set_output", report);
}

bool GetFeature(Handle handle, std::span<std::uint8_t> report) {
  std::wstring path;
  const bool ok = sim::CallModel(handle, sim::ReportCall::getFeature, report, {}, path);
  if (!sim::TranscriptEnabled()) return ok;
  sim::Record("get_feature", {{"path", sim::Utf8(path)},
                              {"len", static_cast<std::int64_t>(report.size())},
                              {"data", sim::HexBytes(report)},
                              {"ok", ok}});
  return ok;
}

}  // namespace hid
