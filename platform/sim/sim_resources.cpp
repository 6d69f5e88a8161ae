// os.h's resources on the simulated machine: the build's embedded set, with faults.
#include "platform/sim/sim_resources.h"

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

namespace sim {
namespace {

struct Resources {
  std::mutex mutex;
  std::map<std::uint16_t, os::ResourceLookup> faults;
  // Every replacement is kept until the reset, so bytes handed out stay valid even
  // after the id has been replaced again.
  std::vector<std::unique_ptr<const std::vector<std::uint8_t>>> kept;
  std::map<std::uint16_t, const std::vector<std::uint8_t>*> replacements;
  std::vector<std::uint16_t> lookups;
};

Resources& TheResources() {
  static Resources resources;
  return resources;
}

constexpr std::wstring_view kReplacementType = L"BIN";

wchar_t FoldCase(wchar_t c) {
  return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

bool SameTypeName(std::wstring_view a, std::wstring_view b) {
  return std::ranges::equal(a, b, [](wchar_t x, wchar_t y) { return FoldCase(x) == FoldCase(y); });
}

std::span<const std::uint8_t> Bytes(const std::vector<std::uint8_t>& bytes) {
  // A located resource always has an address, also when it is empty.
  static const std::uint8_t empty = 0;
  return bytes.empty() ? std::span<const std::uint8_t>(&empty, 0) : std::span(bytes);
}

}  // namespace

void FailResource(std::uint16_t id, os::ResourceLookup failure) {
  auto& resources = TheResources();
  std::lock_guard lock(resources.mutex);
  if (failure == os::ResourceLookup::found) {
    resources.faults.erase(id);
  } else {
    resources.faults[id] = failure;
  }
}

void ReplaceResource(std::uint16_t id, std::vector<std::uint8_t> bytes) {
  auto& resources = TheResources();
  std::lock_guard lock(resources.mutex);
  resources.kept.push_back(std::make_unique<const std::vector<std::uint8_t>>(std::move(bytes)));
  resources.replacements[id] = resources.kept.back().get();
}

std::vector<std::uint16_t> ResourceLookups() {
  auto& resources = TheResources();
  std::lock_guard lock(resources.mutex);
  return resources.lookups;
}

void ResetResources() {
  auto& resources = TheResources();
  std::lock_guard lock(resources.mutex);
  resources.faults.clear();
  resources.replacements.clear();
  resources.kept.clear();
  resources.lookups.clear();
}

}  // namespace sim

namespace os {

EmbeddedResource FindEmbeddedResource(std::uint16_t id, std::wstring_view type) {
  auto& resources = sim::TheResources();
  std::lock_guard lock(resources.mutex);
  resources.lookups.push_back(id);

  std::optional<std::span<const std::uint8_t>> bytes;
  if (const auto replaced = resources.replacements.find(id);
      replaced != resources.replacements.end()) {
    if (sim::SameTypeName(sim::kReplacementType, type)) bytes = sim::Bytes(*replaced->second);
  } else {
    const auto entries = sim::ProgramResources();
    const auto entry = std::ranges::find_if(entries, [&](const sim::ResourceEntry& e) {
      return e.id == id && sim::SameTypeName(e.type, type);
    });
    if (entry != entries.end()) bytes = entry->bytes;
  }

  const auto fault = resources.faults.find(id);
  const ResourceLookup failure =
      fault != resources.faults.end() ? fault->second : ResourceLookup::found;
  if (!bytes || failure == ResourceLookup::notFound) return {ResourceLookup::notFound, {}};
  if (failure != ResourceLookup::found) return {failure, {}};
  return {ResourceLookup::found, *bytes};
}

}  // namespace os
