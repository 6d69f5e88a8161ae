// The simulated program's embedded resources, and test controls over their lookup.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "platform/os.h"

namespace sim {

// One resource as the build embedded it.
struct ResourceEntry {
  std::uint16_t id = 0;
  std::wstring_view type;
  std::uint16_t language = 0;
  std::span<const std::uint8_t> bytes;
};

// Defined by the source that the build generates from the embedded image set.
std::span<const ResourceEntry> ProgramResources();

// From now on the lookup of this id stops at the given step (notFound, notLoaded or
// notLocked); found lifts the fault.
void FailResource(std::uint16_t id, os::ResourceLookup failure);
// Serves these bytes as the resource of type "BIN" with this id, in place of what the
// build embedded under the id. They stay valid until ResetResources.
void ReplaceResource(std::uint16_t id, std::vector<std::uint8_t> bytes);
// The ids of every lookup since the last reset, in order.
std::vector<std::uint16_t> ResourceLookups();
// Back to the embedded resources with no fault; forgets the lookups.
void ResetResources();

}  // namespace sim
