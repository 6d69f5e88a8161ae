// orvik-firmware: the build's image pipeline. Generates the stand-in images, checks the
// set that is to be embedded, and writes the source that embeds it.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "tools/firmware/embedding_sources.h"
#include "tools/firmware/image_set.h"
#include "tools/firmware/stand_in_images.h"

namespace {

using firmware_tools::SetOrigin;

void Usage() {
  std::fputs(
      "usage: orvik-firmware generate DIR\n"
      "       orvik-firmware embed-cpp|embed-rc DIR OUT [--real]\n"
      "generate   writes the nine stand-in images DIR/<id>.bin\n"
      "embed-cpp  checks the images of DIR and writes the C++ source that embeds them\n"
      "embed-rc   checks the images of DIR and writes the resource script that embeds them\n"
      "--real     DIR holds firmware: a generated stand-in in it is an error\n",
      stderr);
}

// Through a temporary file, so that a failed run leaves no output for the build to trust.
bool WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  const std::filesystem::path temporary = path.string() + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
      std::fprintf(stderr, "orvik-firmware: cannot write %s\n", temporary.string().c_str());
      return false;
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  if (error) {
    std::fprintf(stderr, "orvik-firmware: cannot write %s: %s\n", path.string().c_str(),
                 error.message().c_str());
    return false;
  }
  return true;
}

int Generate(const std::filesystem::path& directory) {
  std::error_code error;
  std::filesystem::create_directories(directory, error);
  for (const auto& spec : firmware_tools::kFirmwareSet) {
    const auto image = firmware_tools::MakeStandInImage(spec);
    if (!WriteFile(firmware_tools::ImagePath(directory, spec.id),
                   std::string(image.begin(), image.end()))) {
      return 1;
    }
  }
  return 0;
}

int Embed(bool resourceScript, const std::filesystem::path& directory,
          const std::filesystem::path& out, SetOrigin origin) {
  std::filesystem::remove(out);
  const auto set = firmware_tools::ReadImageSet(directory, origin);
  if (!set.problems.empty()) {
    std::fprintf(stderr, "orvik-firmware: the images in %s do not fit the catalogue:\n",
                 std::filesystem::absolute(directory).generic_string().c_str());
    for (const auto& problem : set.problems) std::fprintf(stderr, "  %s\n", problem.c_str());
    if (origin == SetOrigin::real) {
      std::fputs(
          "Give ORVIK_FIRMWARE_DIR a directory with the nine firmware images, or leave\n"
          "it empty to build with stand-in images.\n",
          stderr);
    }
    return 1;
  }
  const std::string source = resourceScript ? firmware_tools::ResourceScript(set.images)
                                            : firmware_tools::EmbeddedArraysSource(set.images);
  if (source.empty()) {
    std::fprintf(stderr,
                 "orvik-firmware: a resource script cannot name the files of %s; use a path\n"
                 "without quotes or backslashes\n",
                 directory.generic_string().c_str());
    return 1;
  }
  return WriteFile(out, source) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "generate" && argc == 3) return Generate(argv[2]);
  const bool real = argc == 5 && std::string(argv[4]) == "--real";
  if ((command == "embed-cpp" || command == "embed-rc") && (argc == 4 || real)) {
    return Embed(command == "embed-rc", argv[2], argv[3],
                 real ? SetOrigin::real : SetOrigin::standIn);
  }
  Usage();
  return 2;
}
