#include "discovery/grouping_id.h"

std::wstring CutGroupingId(std::wstring_view value) {
  const auto firstBackslash = value.find(L'\\');
  if (firstBackslash == std::wstring_view::npos) return {};
  const auto secondBackslash = value.find(L'\\', firstBackslash + 1);
  if (secondBackslash == std::wstring_view::npos) return {};
  const std::wstring_view unique = value.substr(secondBackslash + 1);
  const auto firstAmpersand = unique.find(L'&');
  if (firstAmpersand == std::wstring_view::npos) return {};
  const auto secondAmpersand = unique.find(L'&', firstAmpersand + 1);
  if (secondAmpersand == std::wstring_view::npos) return {};
  const std::wstring_view tail = unique.substr(secondAmpersand);
  // The tail occurs at its own place at the latest, so the search always succeeds.
  return std::wstring(unique.substr(0, unique.find(tail)));
}

std::wstring PropertyText(std::span<const std::uint8_t> buffer) {
  std::wstring text;
  for (std::size_t at = 0; at + 1 < buffer.size(); at += 2) {
    const auto unit = static_cast<wchar_t>(buffer[at] | (buffer[at + 1] << 8));
    if (unit == 0) break;
    text.push_back(unit);
  }
  return text;
}
