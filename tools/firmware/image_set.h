// The nine image files of one directory, named <id>.bin, read and checked as a set.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tools/firmware/firmware_set.h"

namespace firmware_tools {

struct ImageFile {
  ImageSpec spec;
  std::filesystem::path path;
  std::vector<std::uint8_t> bytes;
};

struct ImageSet {
  std::vector<ImageFile> images;  // in the order of kFirmwareSet
  std::vector<std::string> problems;
};

enum class SetOrigin { standIn, real };

std::filesystem::path ImagePath(const std::filesystem::path& directory, std::uint16_t id);

// Reads and checks every image. A set that is meant to be real must not hold a
// generated stand-in: that would hand stand-ins to real devices unguarded.
ImageSet ReadImageSet(const std::filesystem::path& directory, SetOrigin origin);

}  // namespace firmware_tools
