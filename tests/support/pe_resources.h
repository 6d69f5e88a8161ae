// Reads the resource tree of a Windows executable (PE32 or PE32+): for every resource
// its type, name, language and bytes, as the loader would find them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace testing_support {

// A resource type or name: an integer id, or a string when `text` is not empty.
struct PeResourceName {
  std::uint16_t id = 0;
  std::u16string text;
  friend bool operator==(const PeResourceName&, const PeResourceName&) = default;
};

struct PeResource {
  PeResourceName type;
  PeResourceName name;
  std::uint16_t language = 0;
  std::uint32_t codePage = 0;
  std::vector<std::uint8_t> data;
};

struct PeResources {
  std::vector<PeResource> resources;  // in the order of the resource directory
  std::string error;                  // set when the file is no PE image or is damaged
};

PeResources ReadPeResources(std::span<const std::uint8_t> image);
PeResources ReadPeResourceFile(const std::filesystem::path& path);

// The resources of one type, in directory order.
std::vector<PeResource> ResourcesOfType(const PeResources& all, const PeResourceName& type);

}  // namespace testing_support
