#include "tools/firmware/image_set.h"

#include <fstream>
#include <iterator>
#include <string_view>

#include "tools/firmware/image_form_check.h"
#include "tools/firmware/stand_in_images.h"

namespace firmware_tools {
namespace {

// Also catches a stand-in that was altered after it was generated.
bool IsStandIn(const std::vector<std::uint8_t>& image) {
  const std::string_view text(reinterpret_cast<const char*>(image.data()), image.size());
  return text.find(kStandInMarker) != std::string_view::npos;
}

}  // namespace

std::filesystem::path ImagePath(const std::filesystem::path& directory, std::uint16_t id) {
  return directory / (std::to_string(id) + ".bin");
}

ImageSet ReadImageSet(const std::filesystem::path& directory, SetOrigin origin) {
  ImageSet set;
  for (const ImageSpec& spec : kFirmwareSet) {
    ImageFile file{spec, std::filesystem::absolute(ImagePath(directory, spec.id)), {}};
    const std::string name = file.path.generic_string();
    std::ifstream in(file.path, std::ios::binary);
    if (!in) {
      set.problems.push_back(name + ": missing or unreadable");
      continue;
    }
    file.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    for (const std::string& problem : CheckImage(spec, file.bytes)) {
      set.problems.push_back(name + ": " + problem);
    }
    if (origin == SetOrigin::real && IsStandIn(file.bytes)) {
      set.problems.push_back(name + ": a generated stand-in, not firmware");
    }
    set.images.push_back(std::move(file));
  }
  return set;
}

}  // namespace firmware_tools
