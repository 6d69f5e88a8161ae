#include "support/pe_resources.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using testing_support::PeResourceName;
using testing_support::ReadPeResources;

constexpr std::size_t kPe = 0x40;
constexpr std::size_t kOptional = kPe + 24;
constexpr std::size_t kSectionTable = kOptional + 240;
constexpr std::size_t kRaw = 0x200;
constexpr std::uint32_t kRva = 0x1000;
constexpr std::size_t kLastDataByte = 0xBA;

void Put16(std::vector<std::uint8_t>& f, std::size_t at, std::uint32_t v) {
  f[at] = static_cast<std::uint8_t>(v);
  f[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::vector<std::uint8_t>& f, std::size_t at, std::uint32_t v) {
  Put16(f, at, v & 0xFFFF);
  Put16(f, at + 2, v >> 16);
}

// A minimal PE32+ file with one section holding a resource tree of two resources:
// "BIN" 250 in language 0x0804 ("hello") and RT_RCDATA 101 in language 0x0409 (1 2 3).
std::vector<std::uint8_t> SmallExecutable() {
  std::vector<std::uint8_t> f(kRaw + kLastDataByte + 1);
  f[0] = 'M';
  f[1] = 'Z';
  Put32(f, 0x3C, kPe);
  Put32(f, kPe, 0x00004550);
  Put16(f, kPe + 4, 0x8664);
  Put16(f, kPe + 6, 1);
  Put16(f, kPe + 20, 240);
  Put16(f, kOptional, 0x20B);
  Put32(f, kOptional + 108, 16);
  Put32(f, kOptional + 112 + 16, kRva);
  Put32(f, kOptional + 112 + 20, kLastDataByte + 1);
  Put32(f, kSectionTable + 12, kRva);
  Put32(f, kSectionTable + 16, kLastDataByte + 1);
  Put32(f, kSectionTable + 20, kRaw);

  const auto r = [](std::size_t offset) { return kRaw + offset; };
  Put16(f, r(0x0C), 1);  // root: one named entry, one id entry
  Put16(f, r(0x0E), 1);
  Put32(f, r(0x10), 0x80000000 | 0x80);
  Put32(f, r(0x14), 0x80000000 | 0x20);
  Put32(f, r(0x18), 10);
  Put32(f, r(0x1C), 0x80000000 | 0x50);
  Put16(f, r(0x2E), 1);  // names of "BIN"
  Put32(f, r(0x30), 250);
  Put32(f, r(0x34), 0x80000000 | 0x38);
  Put16(f, r(0x46), 1);  // languages of "BIN" 250
  Put32(f, r(0x48), 0x0804);
  Put32(f, r(0x4C), 0x90);
  Put16(f, r(0x5E), 1);  // names of RT_RCDATA
  Put32(f, r(0x60), 101);
  Put32(f, r(0x64), 0x80000000 | 0x68);
  Put16(f, r(0x76), 1);  // languages of RT_RCDATA 101
  Put32(f, r(0x78), 0x0409);
  Put32(f, r(0x7C), 0xA0);
  Put16(f, r(0x80), 3);
  Put16(f, r(0x82), 'B');
  Put16(f, r(0x84), 'I');
  Put16(f, r(0x86), 'N');
  Put32(f, r(0x90), kRva + 0xB0);
  Put32(f, r(0x94), 5);
  Put32(f, r(0x98), 936);
  Put32(f, r(0xA0), kRva + 0xB8);
  Put32(f, r(0xA4), 3);
  for (std::size_t i = 0; i < 5; ++i) f[r(0xB0 + i)] = static_cast<std::uint8_t>("hello"[i]);
  for (std::size_t i = 0; i < 3; ++i) f[r(0xB8 + i)] = static_cast<std::uint8_t>(i + 1);
  return f;
}

TEST(PeResources, ReadsTypeNameLanguageAndBytesOfEachResource) {
  const auto all = ReadPeResources(SmallExecutable());
  ASSERT_EQ(all.error, "");
  ASSERT_EQ(all.resources.size(), 2u);

  const auto& bin = all.resources[0];
  EXPECT_EQ(bin.type, (PeResourceName{0, u"BIN"}));
  EXPECT_EQ(bin.name, (PeResourceName{250, {}}));
  EXPECT_EQ(bin.language, 0x0804);
  EXPECT_EQ(bin.codePage, 936u);
  EXPECT_EQ(bin.data, (std::vector<std::uint8_t>{'h', 'e', 'l', 'l', 'o'}));

  const auto& data = all.resources[1];
  EXPECT_EQ(data.type, (PeResourceName{10, {}}));
  EXPECT_EQ(data.name, (PeResourceName{101, {}}));
  EXPECT_EQ(data.language, 0x0409);
  EXPECT_EQ(data.data, (std::vector<std::uint8_t>{1, 2, 3}));

  const auto onlyBin = testing_support::ResourcesOfType(all, PeResourceName{0, u"BIN"});
  ASSERT_EQ(onlyBin.size(), 1u);
  EXPECT_EQ(onlyBin[0].name.id, 250);
}

TEST(PeResources, EveryTruncationIsAnError) {
  const auto whole = SmallExecutable();
  for (std::size_t length = 0; length < whole.size(); ++length) {
    const std::vector<std::uint8_t> part(whole.begin(), whole.begin() + length);
    EXPECT_NE(ReadPeResources(part).error, "") << length;
  }
}

TEST(PeResources, TreeThatLoopsBackIsAnError) {
  auto f = SmallExecutable();
  Put32(f, kRaw + 0x1C, 0x80000000);  // RT_RCDATA's names are the root again
  EXPECT_NE(ReadPeResources(f).error, "");
}

TEST(PeResources, FileWithoutResourceDirectoryHasNoResources) {
  auto f = SmallExecutable();
  Put32(f, kOptional + 112 + 16, 0);
  const auto all = ReadPeResources(f);
  EXPECT_EQ(all.error, "");
  EXPECT_TRUE(all.resources.empty());
}

TEST(PeResources, NotAnExecutableIsAnError) {
  EXPECT_NE(ReadPeResources(std::vector<std::uint8_t>(4096, 0x41)).error, "");
}

}  // namespace
