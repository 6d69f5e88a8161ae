// A C++ source that defines a function returning a file's bytes.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace resource_tools {

// `qualifiedName` such as "sim::UiResourceFile": defines
// std::span<const std::uint8_t> qualifiedName() over the bytes.
std::string ByteArraySource(std::span<const std::uint8_t> bytes, const std::string& qualifiedName);

}  // namespace resource_tools
