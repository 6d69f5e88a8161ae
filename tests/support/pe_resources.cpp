#include "support/pe_resources.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace testing_support {
namespace {

constexpr std::uint32_t kHighBit = 0x80000000u;
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::size_t kResourceDirectoryIndex = 2;
// Bounds the walk of a damaged tree whose entries share subdirectories.
constexpr std::size_t kMaxEntries = 1 << 20;

// Every read is bounds-checked; a read past the end throws and ends the parse.
class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  void Need(std::size_t at, std::size_t count) const {
    if (at > bytes_.size() || count > bytes_.size() - at) {
      throw std::out_of_range("read past the end of the file at offset " + std::to_string(at));
    }
  }
  std::uint16_t U16(std::size_t at) const {
    Need(at, 2);
    return static_cast<std::uint16_t>(bytes_[at] | bytes_[at + 1] << 8);
  }
  std::uint32_t U32(std::size_t at) const {
    return static_cast<std::uint32_t>(U16(at)) | static_cast<std::uint32_t>(U16(at + 2)) << 16;
  }
  std::span<const std::uint8_t> Bytes(std::size_t at, std::size_t count) const {
    Need(at, count);
    return bytes_.subspan(at, count);
  }

 private:
  std::span<const std::uint8_t> bytes_;
};

struct Section {
  std::uint32_t virtualAddress = 0;
  std::uint32_t rawSize = 0;
  std::uint32_t rawOffset = 0;
};

class Parser {
 public:
  explicit Parser(std::span<const std::uint8_t> image) : file_(image) {}

  std::vector<PeResource> Parse() {
    if (file_.U16(0) != 0x5A4D) throw std::runtime_error("no MZ header");
    const std::size_t pe = file_.U32(0x3C);
    if (file_.U32(pe) != 0x00004550) throw std::runtime_error("no PE signature");
    const std::size_t sectionCount = file_.U16(pe + 6);
    const std::size_t optionalSize = file_.U16(pe + 20);
    const std::size_t optional = pe + 24;
    const std::uint16_t magic = file_.U16(optional);
    if (magic != kPe32Magic && magic != kPe32PlusMagic) {
      throw std::runtime_error("unknown optional header magic " + std::to_string(magic));
    }
    const std::size_t countAt = optional + (magic == kPe32PlusMagic ? 108 : 92);
    if (file_.U32(countAt) <= kResourceDirectoryIndex) return {};
    const std::size_t directory = countAt + 4 + 8 * kResourceDirectoryIndex;
    for (std::size_t i = 0; i < sectionCount; ++i) {
      const std::size_t at = optional + optionalSize + 40 * i;
      sections_.push_back({file_.U32(at + 12), file_.U32(at + 16), file_.U32(at + 20)});
    }
    const std::uint32_t rva = file_.U32(directory);
    if (rva == 0) return {};
    root_ = Offset(rva, 16);
    std::vector<PeResource> resources;
    WalkDirectory(root_, 0, PeResource{}, resources);
    return resources;
  }

 private:
  // The file offset of `count` bytes at the relative virtual address, within one section.
  std::size_t Offset(std::uint32_t rva, std::size_t count) const {
    for (const Section& s : sections_) {
      if (rva >= s.virtualAddress && rva - s.virtualAddress < s.rawSize &&
          count <= s.rawSize - (rva - s.virtualAddress)) {
        return s.rawOffset + (rva - s.virtualAddress);
      }
    }
    throw std::runtime_error("address " + std::to_string(rva) + " lies in no section's data");
  }

  PeResourceName Name(std::uint32_t field) const {
    if ((field & kHighBit) == 0) return {static_cast<std::uint16_t>(field), {}};
    const std::size_t at = root_ + (field & ~kHighBit);
    const std::size_t length = file_.U16(at);
    PeResourceName name;
    for (std::size_t i = 0; i < length; ++i) {
      name.text.push_back(static_cast<char16_t>(file_.U16(at + 2 + 2 * i)));
    }
    return name;
  }

  // Levels: 0 type, 1 name, 2 language, whose entries point at the data.
  void WalkDirectory(std::size_t at, int level, PeResource resource,
                     std::vector<PeResource>& out) const {
    const std::size_t entries = std::size_t{file_.U16(at + 12)} + file_.U16(at + 14);
    for (std::size_t i = 0; i < entries; ++i) {
      if (++visited_ > kMaxEntries) throw std::runtime_error("resource tree too large");
      const std::size_t entry = at + 16 + 8 * i;
      const std::uint32_t nameField = file_.U32(entry);
      const std::uint32_t target = file_.U32(entry + 4);
      const bool isDirectory = (target & kHighBit) != 0;
      if (isDirectory != (level < 2)) {
        throw std::runtime_error("resource tree level " + std::to_string(level) + " is damaged");
      }
      if (level == 0) resource.type = Name(nameField);
      if (level == 1) resource.name = Name(nameField);
      if (level < 2) {
        WalkDirectory(root_ + (target & ~kHighBit), level + 1, resource, out);
        continue;
      }
      resource.language = static_cast<std::uint16_t>(nameField);
      const std::size_t dataEntry = root_ + target;
      const std::uint32_t size = file_.U32(dataEntry + 4);
      const auto bytes = file_.Bytes(Offset(file_.U32(dataEntry), size), size);
      resource.codePage = file_.U32(dataEntry + 8);
      resource.data.assign(bytes.begin(), bytes.end());
      out.push_back(resource);
    }
  }

  Reader file_;
  std::vector<Section> sections_;
  std::size_t root_ = 0;
  mutable std::size_t visited_ = 0;
};

}  // namespace

PeResources ReadPeResources(std::span<const std::uint8_t> image) {
  try {
    return {Parser(image).Parse(), {}};
  } catch (const std::exception& e) {
    return {{}, e.what()};
  }
}

PeResources ReadPeResourceFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {{}, "cannot read " + path.string()};
  const std::vector<std::uint8_t> image{std::istreambuf_iterator<char>(in),
                                        std::istreambuf_iterator<char>()};
  return ReadPeResources(image);
}

std::vector<PeResource> ResourcesOfType(const PeResources& all, const PeResourceName& type) {
  std::vector<PeResource> out;
  for (const PeResource& resource : all.resources) {
    if (resource.type == type) out.push_back(resource);
  }
  return out;
}

}  // namespace testing_support
