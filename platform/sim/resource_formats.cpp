#include "platform/sim/resource_formats.h"

namespace sim {
namespace {

// Little-endian reads that fail instead of running past the end.
class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> data, std::size_t offset = 0)
      : data_(data), offset_(offset) {}

  bool ok() const { return ok_; }
  std::size_t offset() const { return offset_; }
  void Seek(std::size_t offset) {
    if (offset > data_.size()) ok_ = false;
    offset_ = offset;
  }
  void AlignTo4() { Seek((offset_ + 3) & ~std::size_t{3}); }

  std::uint16_t U16() {
    if (!Has(2)) return 0;
    const auto value = static_cast<std::uint16_t>(data_[offset_] | (data_[offset_ + 1] << 8));
    offset_ += 2;
    return value;
  }
  std::uint32_t U32() {
    const std::uint32_t low = U16();
    return low | (static_cast<std::uint32_t>(U16()) << 16);
  }
  std::int16_t I16() { return static_cast<std::int16_t>(U16()); }
  std::uint8_t U8() {
    if (!Has(1)) return 0;
    return data_[offset_++];
  }
  // A NUL-terminated UTF-16 string.
  std::wstring String() {
    const std::size_t start = offset_;
    while (ok_ && U16() != 0) {
    }
    if (!ok_) return {};
    return WideFromUtf16(data_.subspan(start, offset_ - start - 2));
  }
  // 0x0000: none; 0xFFFF: an ordinal follows; else a string.
  ResourceName NameOrOrdinal() {
    ResourceName name;
    if (!Has(2)) return name;
    const std::uint16_t first =
        static_cast<std::uint16_t>(data_[offset_] | (data_[offset_ + 1] << 8));
    if (first == 0xFFFF) {
      offset_ += 2;
      name.ordinal = U16();
    } else {
      name.text = String();
    }
    return name;
  }
  std::span<const std::uint8_t> Bytes(std::size_t count) {
    if (!Has(count)) return {};
    const auto bytes = data_.subspan(offset_, count);
    offset_ += count;
    return bytes;
  }

 private:
  bool Has(std::size_t count) {
    if (!ok_ || offset_ > data_.size() || data_.size() - offset_ < count) ok_ = false;
    return ok_;
  }

  std::span<const std::uint8_t> data_;
  std::size_t offset_;
  bool ok_ = true;
};

struct VersionNode {
  std::wstring key;
  std::uint16_t type = 0;
  std::span<const std::uint8_t> value;
  std::vector<VersionNode> children;
};

std::optional<VersionNode> ParseVersionNode(std::span<const std::uint8_t> data, std::size_t at,
                                            int depth) {
  Reader r(data, at);
  const std::uint16_t length = r.U16();
  const std::uint16_t valueLength = r.U16();
  VersionNode node;
  node.type = r.U16();
  node.key = r.String();
  r.AlignTo4();
  const std::size_t end = at + length;
  if (!r.ok() || length < 6 || end > data.size() || depth > 4) return std::nullopt;
  const std::size_t valueBytes = node.type == 1 ? std::size_t{valueLength} * 2 : valueLength;
  if (r.offset() + valueBytes > end) {
    // Text values may count their terminator loosely; keep what the node holds.
    if (node.type != 1) return std::nullopt;
    node.value = data.subspan(r.offset(), end - r.offset());
  } else {
    node.value = data.subspan(r.offset(), valueBytes);
  }
  r.Seek(r.offset() + node.value.size());
  r.AlignTo4();
  while (r.ok() && r.offset() + 6 <= end) {
    auto child = ParseVersionNode(data.first(end), r.offset(), depth + 1);
    if (!child) return std::nullopt;
    const std::size_t childLength =
        static_cast<std::size_t>(data[r.offset()] | (data[r.offset() + 1] << 8));
    node.children.push_back(std::move(*child));
    r.Seek(r.offset() + childLength);
    r.AlignTo4();
  }
  return node;
}

std::wstring TextUpToNul(std::span<const std::uint8_t> bytes) {
  std::size_t units = bytes.size() / 2;
  for (std::size_t i = 0; i < units; ++i) {
    if (bytes[2 * i] == 0 && bytes[2 * i + 1] == 0) {
      units = i;
      break;
    }
  }
  return WideFromUtf16(bytes.first(units * 2));
}

}  // namespace

std::wstring WideFromUtf16(std::span<const std::uint8_t> bytes) {
  std::wstring text;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const std::uint32_t unit = bytes[i] | (bytes[i + 1] << 8);
    if constexpr (sizeof(wchar_t) == 2) {
      text.push_back(static_cast<wchar_t>(unit));
    } else if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
      const std::uint32_t low = bytes[i + 2] | (bytes[i + 3] << 8);
      if (low >= 0xDC00 && low < 0xE000) {
        text.push_back(static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00)));
        i += 2;
      } else {
        text.push_back(static_cast<wchar_t>(unit));
      }
    } else {
      text.push_back(static_cast<wchar_t>(unit));
    }
  }
  return text;
}

std::optional<std::vector<ResourceRecord>> ParseResFile(std::span<const std::uint8_t> file) {
  std::vector<ResourceRecord> records;
  Reader r(file);
  while (r.ok() && r.offset() < file.size()) {
    const std::size_t start = r.offset();
    const std::uint32_t dataSize = r.U32();
    const std::uint32_t headerSize = r.U32();
    ResourceRecord record;
    record.type = r.NameOrOrdinal();
    record.name = r.NameOrOrdinal();
    r.AlignTo4();
    r.U32();  // data version
    r.U16();  // memory flags
    record.language = r.U16();
    if (!r.ok() || headerSize < 32) return std::nullopt;
    r.Seek(start + headerSize);
    record.data = r.Bytes(dataSize);
    r.AlignTo4();
    if (!r.ok()) return std::nullopt;
    // The file opens with an empty record that marks it as 32-bit.
    if (start != 0 || dataSize != 0) records.push_back(record);
  }
  return records;
}

std::wstring DialogItemTemplate::ClassName() const {
  if (!windowClass.ordinal) return windowClass.text;
  switch (*windowClass.ordinal) {
    case 0x80:
      return L"Button";
    case 0x81:
      return L"Edit";
    case 0x82:
      return L"Static";
    case 0x83:
      return L"ListBox";
    case 0x84:
      return L"ScrollBar";
    case 0x85:
      return L"ComboBox";
    default:
      return {};
  }
}

std::optional<DialogTemplate> ParseDialogTemplate(std::span<const std::uint8_t> data) {
  constexpr std::uint32_t kDsSetFont = 0x40;
  Reader r(data);
  DialogTemplate dialog;
  if (r.U16() != 1 || r.U16() != 0xFFFF) return std::nullopt;
  dialog.helpId = r.U32();
  dialog.exStyle = r.U32();
  dialog.style = r.U32();
  const std::uint16_t count = r.U16();
  dialog.x = r.I16();
  dialog.y = r.I16();
  dialog.cx = r.I16();
  dialog.cy = r.I16();
  dialog.menu = r.NameOrOrdinal();
  dialog.windowClass = r.NameOrOrdinal();
  dialog.title = r.String();
  if (dialog.style & kDsSetFont) {
    dialog.hasFont = true;
    dialog.pointSize = r.U16();
    dialog.weight = r.U16();
    dialog.italic = r.U8();
    dialog.charSet = r.U8();
    dialog.typeface = r.String();
  }
  for (std::uint16_t i = 0; i < count && r.ok(); ++i) {
    r.AlignTo4();
    DialogItemTemplate item;
    item.helpId = r.U32();
    item.exStyle = r.U32();
    item.style = r.U32();
    item.x = r.I16();
    item.y = r.I16();
    item.cx = r.I16();
    item.cy = r.I16();
    item.id = r.U32();
    item.windowClass = r.NameOrOrdinal();
    item.title = r.NameOrOrdinal();
    r.Bytes(r.U16());  // creation data
    dialog.items.push_back(std::move(item));
  }
  if (!r.ok()) return std::nullopt;
  return dialog;
}

std::wstring StringFromBlock(std::span<const std::uint8_t> block, int id) {
  Reader r(block);
  for (int index = 0; index < 16 && r.ok(); ++index) {
    const std::uint16_t length = r.U16();
    const auto text = r.Bytes(std::size_t{length} * 2);
    if (r.ok() && index == (id & 15)) return WideFromUtf16(text);
  }
  return {};
}

std::optional<std::vector<IconGroupEntry>> ParseIconGroup(std::span<const std::uint8_t> data) {
  Reader r(data);
  if (r.U16() != 0 || r.U16() != 1) return std::nullopt;
  const std::uint16_t count = r.U16();
  std::vector<IconGroupEntry> entries;
  for (std::uint16_t i = 0; i < count && r.ok(); ++i) {
    IconGroupEntry entry;
    entry.width = r.U8();
    entry.height = r.U8();
    if (entry.width == 0) entry.width = 256;
    if (entry.height == 0) entry.height = 256;
    r.U8();  // colour count
    r.U8();  // reserved
    entry.planes = r.U16();
    entry.bitCount = r.U16();
    entry.bytes = r.U32();
    entry.iconId = r.U16();
    entries.push_back(entry);
  }
  if (!r.ok()) return std::nullopt;
  return entries;
}

std::optional<VersionInfo> ParseVersionInfo(std::span<const std::uint8_t> data) {
  constexpr std::uint32_t kFixedSignature = 0xFEEF04BD;
  const auto root = ParseVersionNode(data, 0, 0);
  if (!root || root->key != L"VS_VERSION_INFO" || root->value.size() < 52) return std::nullopt;
  Reader fixed(root->value);
  if (fixed.U32() != kFixedSignature) return std::nullopt;
  fixed.U32();  // structure version
  VersionInfo info;
  info.fileVersionMs = fixed.U32();
  info.fileVersionLs = fixed.U32();
  info.productVersionMs = fixed.U32();
  info.productVersionLs = fixed.U32();
  for (const auto& block : root->children) {
    if (block.key == L"StringFileInfo") {
      for (const auto& table : block.children) {
        std::vector<std::pair<std::wstring, std::wstring>> values;
        for (const auto& value : table.children) {
          values.emplace_back(value.key, TextUpToNul(value.value));
        }
        info.strings.emplace_back(table.key, std::move(values));
      }
    } else if (block.key == L"VarFileInfo") {
      for (const auto& var : block.children) {
        if (var.key != L"Translation") continue;
        Reader pairs(var.value);
        while (pairs.offset() + 4 <= var.value.size()) {
          const std::uint16_t language = pairs.U16();
          info.translations.emplace_back(language, pairs.U16());
        }
      }
    }
  }
  return info;
}

}  // namespace sim
