// The grouping id cut and the reading of property values as text.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "discovery/grouping_id.h"

namespace {

struct CutCase {
  const wchar_t* value;
  const wchar_t* groupId;
};

class GroupingIdCut : public ::testing::TestWithParam<CutCase> {};

TEST_P(GroupingIdCut, KeepsTheSharedPartOfTheInstanceId) {
  EXPECT_EQ(CutGroupingId(GetParam().value), GetParam().groupId);
}

INSTANTIATE_TEST_SUITE_P(
    InstanceIds, GroupingIdCut,
    ::testing::Values(CutCase{L"USB\\VID_093A&PID_622C&MI_01\\7&2A3B4C5D&0&0001", L"7&2A3B4C5D"},
                      CutCase{L"USB\\VID_093A&PID_522C\\5&1F2E3D4C&0&2", L"5&1F2E3D4C"},
                      // The tail &Y first occurs at the first "&".
                      CutCase{L"A\\B\\X&Y&Y", L"X"}, CutCase{L"USB\\ROOT_HUB", L""},
                      CutCase{L"USB\\VID_093A&PID_522C\\5&1F2E3D4C", L""},
                      CutCase{L"USB\\VID_093A&PID_522C\\NOAMPERSAND", L""}, CutCase{L"USB", L""},
                      CutCase{L"", L""},
                      // The text before the first backslash may be anything.
                      CutCase{L"\\\\a&&", L"a"}, CutCase{L"USB\\X\\&&", L""},
                      CutCase{L"USB\\X\\Y\\1&2&3&4", L"Y\\1&2"}));

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<std::uint8_t> out;
  for (int v : values) out.push_back(static_cast<std::uint8_t>(v));
  return out;
}

TEST(PropertyText, StopsAtTheFirstZeroCodeUnit) {
  EXPECT_EQ(PropertyText(Bytes({'U', 0, 'S', 0, 'B', 0, 0, 0, 'X', 0})), L"USB");
  // A zero byte that is half of a code unit does not end the text.
  EXPECT_EQ(PropertyText(Bytes({0x00, 0x4E, 'a', 0, 0, 0})), std::wstring({wchar_t{0x4E00}, L'a'}));
}

TEST(PropertyText, WithoutTerminatorTakesTheWholeBuffer) {
  std::array<std::uint8_t, 2048> buffer{};
  for (std::size_t i = 0; i < buffer.size(); i += 2) buffer[i] = 'Z';
  const auto text = PropertyText(buffer);
  EXPECT_EQ(text.size(), 1024u);
  EXPECT_EQ(text, std::wstring(1024, L'Z'));
}

TEST(PropertyText, AnOddTrailingByteIsNoCodeUnit) {
  EXPECT_EQ(PropertyText(Bytes({'A', 0, 'B'})), L"A");
  EXPECT_EQ(PropertyText({}), L"");
}

}  // namespace
