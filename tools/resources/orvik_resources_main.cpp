// orvik-resources: the build's resource helpers. Draws the program's icon file and
// embeds a compiled resource file into a C++ source for the simulated machine.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "tools/resources/byte_array_source.h"
#include "tools/resources/ico_file.h"
#include "tools/resources/icon_art.h"

namespace {

constexpr int kIconSizes[] = {128, 96, 72, 64, 48, 40, 32};

void Usage() {
  std::fputs(
      "usage: orvik-resources icon OUT.ico\n"
      "       orvik-resources embed IN OUT.cpp QUALIFIED_NAME\n"
      "icon   draws the program's icon in its seven sizes\n"
      "embed  writes a source defining std::span<const std::uint8_t> QUALIFIED_NAME()\n",
      stderr);
}

// Through a temporary file, so that a failed run leaves no output for the build to trust.
bool WriteFile(const std::filesystem::path& path, const void* bytes, std::size_t size) {
  const std::filesystem::path temporary = path.string() + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(bytes), static_cast<std::streamsize>(size));
    if (!out) {
      std::fprintf(stderr, "orvik-resources: cannot write %s\n", temporary.string().c_str());
      return false;
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  if (error) {
    std::fprintf(stderr, "orvik-resources: cannot write %s\n", path.string().c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 2 && args[0] == "icon") {
    std::vector<resource_tools::IconImage> images;
    for (const int size : kIconSizes) images.push_back({size, resource_tools::DrawIcon(size)});
    const auto file = resource_tools::IcoFile(images);
    return WriteFile(args[1], file.data(), file.size()) ? 0 : 1;
  }
  if (args.size() == 4 && args[0] == "embed") {
    std::ifstream in(args[1], std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    if (!in.eof() && in.fail()) {
      std::fprintf(stderr, "orvik-resources: cannot read %s\n", args[1].c_str());
      return 1;
    }
    if (!std::filesystem::exists(args[1])) {
      std::fprintf(stderr, "orvik-resources: %s does not exist\n", args[1].c_str());
      return 1;
    }
    const auto source = resource_tools::ByteArraySource(bytes, args[3]);
    return WriteFile(args[2], source.data(), source.size()) ? 0 : 1;
  }
  Usage();
  return 2;
}
