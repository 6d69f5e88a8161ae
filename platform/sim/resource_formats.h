// Decoders of the binary resource formats the resource compiler writes: the .res file,
// extended dialog templates, string-table blocks, icon groups and version blocks.
// Every decoder checks each length against its input and yields nullopt for bad data.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace sim {

inline constexpr std::uint16_t kRtIcon = 3;
inline constexpr std::uint16_t kRtDialog = 5;
inline constexpr std::uint16_t kRtString = 6;
inline constexpr std::uint16_t kRtGroupIcon = 14;
inline constexpr std::uint16_t kRtVersion = 16;
inline constexpr std::uint16_t kRtManifest = 24;

// A resource type or name: an ordinal, or a string.
struct ResourceName {
  std::optional<std::uint16_t> ordinal;
  std::wstring text;
  friend bool operator==(const ResourceName&, const ResourceName&) = default;
};

struct ResourceRecord {
  ResourceName type;
  ResourceName name;
  std::uint16_t language = 0;
  std::span<const std::uint8_t> data;
};

// The records of a .res file, in file order, without its leading empty record.
std::optional<std::vector<ResourceRecord>> ParseResFile(std::span<const std::uint8_t> file);

struct DialogItemTemplate {
  std::uint32_t helpId = 0;
  std::uint32_t exStyle = 0;
  std::uint32_t style = 0;
  std::int16_t x = 0, y = 0, cx = 0, cy = 0;
  std::uint32_t id = 0;
  ResourceName windowClass;
  ResourceName title;
  // The predefined class an ordinal stands for ("Button", "Edit", ...), or the name.
  std::wstring ClassName() const;
};

struct DialogTemplate {
  std::uint32_t helpId = 0;
  std::uint32_t exStyle = 0;
  std::uint32_t style = 0;
  std::int16_t x = 0, y = 0, cx = 0, cy = 0;
  ResourceName menu;
  ResourceName windowClass;
  std::wstring title;
  bool hasFont = false;
  std::uint16_t pointSize = 0;
  std::uint16_t weight = 0;
  std::uint8_t italic = 0;
  std::uint8_t charSet = 0;
  std::wstring typeface;
  std::vector<DialogItemTemplate> items;
};

// Extended templates only (DIALOGEX), which is what the program's resources hold.
std::optional<DialogTemplate> ParseDialogTemplate(std::span<const std::uint8_t> data);

// String `id` out of its block (block name (id >> 4) + 1); empty when it is not there.
std::wstring StringFromBlock(std::span<const std::uint8_t> block, int id);

struct IconGroupEntry {
  int width = 0;  // 256 where the file stores 0
  int height = 0;
  std::uint16_t planes = 0;
  std::uint16_t bitCount = 0;
  std::uint32_t bytes = 0;
  std::uint16_t iconId = 0;
};
std::optional<std::vector<IconGroupEntry>> ParseIconGroup(std::span<const std::uint8_t> data);

struct VersionInfo {
  std::uint32_t fileVersionMs = 0, fileVersionLs = 0;
  std::uint32_t productVersionMs = 0, productVersionLs = 0;
  // Keyed by "LLLLCCCC" (language and code page, hex) then by value name.
  std::vector<std::pair<std::wstring, std::vector<std::pair<std::wstring, std::wstring>>>> strings;
  // Language and code page pairs of VarFileInfo\Translation.
  std::vector<std::pair<std::uint16_t, std::uint16_t>> translations;
};
std::optional<VersionInfo> ParseVersionInfo(std::span<const std::uint8_t> data);

// UTF-16 code units, little-endian, to a wide string.
std::wstring WideFromUtf16(std::span<const std::uint8_t> bytes);

}  // namespace sim
