#include "platform/sim/transcript.h"

#include <atomic>
#include <charconv>
#include <istream>
#include <mutex>
#include <ostream>

#include "platform/sim/virtual_clock.h"

namespace sim {
namespace {

struct TranscriptStore {
  std::atomic<bool> enabled{false};
  std::mutex mutex;
  std::vector<TranscriptEvent> events;
};

TranscriptStore& Store() {
  static TranscriptStore store;
  return store;
}

thread_local bool isWorkerThread = false;

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

void AppendJsonString(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      out += "\\u00";
      out += kHex[u >> 4];
      out += kHex[u & 0xF];
    } else {
      out += c;
    }
  }
  out += '"';
}

// A small reader for the flat objects this file writes.
class LineParser {
 public:
  explicit LineParser(std::string_view text) : text_(text) {}

  std::optional<std::vector<std::pair<std::string, TranscriptValue>>> Object() {
    std::vector<std::pair<std::string, TranscriptValue>> members;
    if (!Take('{')) return std::nullopt;
    if (Take('}')) return End(std::move(members));
    do {
      auto key = String();
      if (!key || !Take(':')) return std::nullopt;
      auto value = Value();
      if (!value) return std::nullopt;
      members.emplace_back(std::move(*key), std::move(*value));
    } while (Take(','));
    if (!Take('}')) return std::nullopt;
    return End(std::move(members));
  }

 private:
  std::optional<std::vector<std::pair<std::string, TranscriptValue>>> End(
      std::vector<std::pair<std::string, TranscriptValue>> members) {
    SkipSpace();
    if (pos_ != text_.size()) return std::nullopt;
    return members;
  }

  void SkipSpace() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                   text_[pos_] == '\r' || text_[pos_] == '\n')) {
      ++pos_;
    }
  }

  bool Take(char c) {
    SkipSpace();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  bool TakeWord(std::string_view word) {
    if (text_.substr(pos_, word.size()) != word) return false;
    pos_ += word.size();
    return true;
  }

  std::optional<TranscriptValue> Value() {
    SkipSpace();
    if (pos_ >= text_.size()) return std::nullopt;
    if (text_[pos_] == '"') {
      auto s = String();
      if (!s) return std::nullopt;
      return TranscriptValue{std::move(*s)};
    }
    if (TakeWord("true")) return TranscriptValue{true};
    if (TakeWord("false")) return TranscriptValue{false};
    std::int64_t number = 0;
    const char* first = text_.data() + pos_;
    const auto [end, error] = std::from_chars(first, text_.data() + text_.size(), number);
    if (error != std::errc{} || end == first) return std::nullopt;
    pos_ += static_cast<std::size_t>(end - first);
    return TranscriptValue{number};
  }

  std::optional<unsigned> Hex4() {
    if (pos_ + 4 > text_.size()) return std::nullopt;
    unsigned value = 0;
    const auto [end, error] =
        std::from_chars(text_.data() + pos_, text_.data() + pos_ + 4, value, 16);
    if (error != std::errc{} || end != text_.data() + pos_ + 4) return std::nullopt;
    pos_ += 4;
    return value;
  }

  std::optional<std::string> String() {
    if (!Take('"')) return std::nullopt;
    std::string out;
    while (pos_ < text_.size()) {
      const char c = text_[pos_++];
      if (c == '"') return out;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= text_.size()) return std::nullopt;
      const char escaped = text_[pos_++];
      switch (escaped) {
        case '"':
        case '\\':
        case '/':
          out += escaped;
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          auto unit = Hex4();
          if (!unit) return std::nullopt;
          char32_t code = *unit;
          if (code >= 0xD800 && code < 0xDC00 && TakeWord("\\u")) {
            auto low = Hex4();
            if (!low || *low < 0xDC00 || *low >= 0xE000) return std::nullopt;
            code = 0x10000 + ((code - 0xD800) << 10) + (*low - 0xDC00);
          }
          AppendUtf8(out, code);
          break;
        }
        default:
          return std::nullopt;
      }
    }
    return std::nullopt;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace

const TranscriptValue* TranscriptEvent::Find(std::string_view key) const {
  for (const auto& [name, value] : fields) {
    if (name == key) return &value;
  }
  return nullptr;
}

std::string TranscriptEvent::Text(std::string_view key) const {
  const auto* value = Find(key);
  const auto* text = value ? std::get_if<std::string>(value) : nullptr;
  return text ? *text : std::string{};
}

std::int64_t TranscriptEvent::Number(std::string_view key) const {
  const auto* value = Find(key);
  const auto* number = value ? std::get_if<std::int64_t>(value) : nullptr;
  return number ? *number : 0;
}

bool TranscriptEvent::Flag(std::string_view key) const {
  const auto* value = Find(key);
  const auto* flag = value ? std::get_if<bool>(value) : nullptr;
  return flag && *flag;
}

void EnableTranscript(bool on) {
  Store().enabled = on;
}
bool TranscriptEnabled() {
  return Store().enabled;
}

void ClearTranscript() {
  auto& store = Store();
  std::lock_guard lock(store.mutex);
  store.events.clear();
}

void Record(std::string ev, std::vector<std::pair<std::string, TranscriptValue>> fields) {
  auto& store = Store();
  if (!store.enabled) return;
  TranscriptEvent event{NowMs(), CurrentThreadName(), std::move(ev), std::move(fields)};
  std::lock_guard lock(store.mutex);
  store.events.push_back(std::move(event));
}

std::vector<TranscriptEvent> TranscriptEvents() {
  auto& store = Store();
  std::lock_guard lock(store.mutex);
  return store.events;
}

std::string ToJsonLine(const TranscriptEvent& event) {
  std::string line = "{\"t\":" + std::to_string(event.t) + ",\"thread\":";
  AppendJsonString(line, event.thread);
  line += ",\"ev\":";
  AppendJsonString(line, event.ev);
  for (const auto& [key, value] : event.fields) {
    line += ',';
    AppendJsonString(line, key);
    line += ':';
    if (const auto* text = std::get_if<std::string>(&value)) {
      AppendJsonString(line, *text);
    } else if (const auto* flag = std::get_if<bool>(&value)) {
      line += *flag ? "true" : "false";
    } else {
      line += std::to_string(std::get<std::int64_t>(value));
    }
  }
  line += '}';
  return line;
}

std::optional<TranscriptEvent> ParseJsonLine(std::string_view line) {
  auto members = LineParser(line).Object();
  if (!members) return std::nullopt;
  TranscriptEvent event;
  bool haveTime = false, haveThread = false, haveEv = false;
  for (auto& [key, value] : *members) {
    if (key == "t" && std::holds_alternative<std::int64_t>(value) &&
        std::get<std::int64_t>(value) >= 0) {
      event.t = static_cast<std::uint64_t>(std::get<std::int64_t>(value));
      haveTime = true;
    } else if (key == "thread" && std::holds_alternative<std::string>(value)) {
      event.thread = std::get<std::string>(value);
      haveThread = true;
    } else if (key == "ev" && std::holds_alternative<std::string>(value)) {
      event.ev = std::get<std::string>(value);
      haveEv = true;
    } else {
      event.fields.emplace_back(std::move(key), std::move(value));
    }
  }
  if (!haveTime || !haveThread || !haveEv) return std::nullopt;
  return event;
}

void WriteTranscript(std::ostream& out) {
  for (const auto& event : TranscriptEvents()) out << ToJsonLine(event) << '\n';
}

std::vector<TranscriptEvent> ReadTranscript(std::istream& in, std::size_t* badLine) {
  std::vector<TranscriptEvent> events;
  std::string line;
  std::size_t number = 0;
  if (badLine) *badLine = 0;
  while (std::getline(in, line)) {
    ++number;
    if (line.empty()) continue;
    auto event = ParseJsonLine(line);
    if (!event) {
      if (badLine) *badLine = number;
      break;
    }
    events.push_back(std::move(*event));
  }
  return events;
}

void MarkCurrentThreadAsWorker() {
  isWorkerThread = true;
}
std::string CurrentThreadName() {
  return isWorkerThread ? "worker" : "ui";
}

std::string HexBytes(std::span<const std::uint8_t> bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const auto b : bytes) {
    out += kHex[b >> 4];
    out += kHex[b & 0xF];
  }
  return out;
}

std::string Utf8(std::wstring_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = static_cast<char32_t>(text[i]);
    // wchar_t is UTF-16 on Windows and UTF-32 here; join surrogate pairs either way.
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {
      const auto low = static_cast<char32_t>(text[i + 1]);
      if (low >= 0xDC00 && low < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if ((c >= 0xD800 && c < 0xE000) || c > 0x10FFFF) c = 0xFFFD;
    AppendUtf8(out, c);
  }
  return out;
}

}  // namespace sim
