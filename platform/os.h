// Threads, time and the program's embedded resources, as the portable code sees them.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace os {

using ThreadEntry = void (*)(void* argument);

// Starts a detached thread running entry(argument), default stack size.
// Returns false when the thread could not be started.
bool StartThread(ThreadEntry entry, void* argument);

void Sleep(std::uint32_t milliseconds);

// How far the lookup of an embedded resource got: each step can fail on its own.
enum class ResourceLookup { found, notFound, notLoaded, notLocked };

struct EmbeddedResource {
  ResourceLookup lookup = ResourceLookup::notFound;
  // Set when found: read-only bytes that stay valid until the process ends.
  std::span<const std::uint8_t> bytes;
};

// Finds, loads and locks the resource of the program's own module that has this integer
// id and the named type; type names match regardless of case.
EmbeddedResource FindEmbeddedResource(std::uint16_t id, std::wstring_view type);

}  // namespace os
