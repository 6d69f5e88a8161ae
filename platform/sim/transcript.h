// The transcript of the simulated machine: every HID call, pause, posted message,
// message box and status text, with virtual time and thread, as JSON Lines.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace sim {

using TranscriptValue = std::variant<std::int64_t, std::string, bool>;

struct TranscriptEvent {
  std::uint64_t t = 0;
  std::string thread;
  std::string ev;
  std::vector<std::pair<std::string, TranscriptValue>> fields;

  const TranscriptValue* Find(std::string_view key) const;
  // Typed reads; a missing or differently typed field reads as empty, 0 or false.
  std::string Text(std::string_view key) const;
  std::int64_t Number(std::string_view key) const;
  bool Flag(std::string_view key) const;
};

// Recording is off until a test or tool turns it on.
void EnableTranscript(bool on);
bool TranscriptEnabled();
void ClearTranscript();
void Record(std::string ev, std::vector<std::pair<std::string, TranscriptValue>> fields = {});
std::vector<TranscriptEvent> TranscriptEvents();

std::string ToJsonLine(const TranscriptEvent& event);
// Nullopt when the line is not one flat JSON object of string, integer and boolean values.
std::optional<TranscriptEvent> ParseJsonLine(std::string_view line);
void WriteTranscript(std::ostream& out);
// Stops at the first line that does not parse; its number is reported through badLine.
std::vector<TranscriptEvent> ReadTranscript(std::istream& in, std::size_t* badLine = nullptr);

// "ui" for the thread that runs the dialog, "worker" for threads the program starts.
void MarkCurrentThreadAsWorker();
std::string CurrentThreadName();

std::string HexBytes(std::span<const std::uint8_t> bytes);
std::string Utf8(std::wstring_view text);

}  // namespace sim
