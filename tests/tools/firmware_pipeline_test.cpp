#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "platform/sim/sim_resources.h"
#include "tools/firmware/embedding_sources.h"
#include "tools/firmware/image_form_check.h"
#include "tools/firmware/image_set.h"
#include "tools/firmware/stand_in_images.h"

namespace {

using firmware_tools::ImageSpec;
using firmware_tools::kFirmwareSet;
using firmware_tools::MakeStandInImage;
using firmware_tools::SetOrigin;
using firmware_tools::Word;

const ImageSpec& Spec(std::uint16_t id) {
  return *std::ranges::find(kFirmwareSet, id, &ImageSpec::id);
}

bool Contains(const std::vector<std::string>& lines, const std::string& part) {
  return std::ranges::any_of(lines, [&](const auto& l) { return l.find(part) != l.npos; });
}

class StandIn : public ::testing::TestWithParam<ImageSpec> {};

TEST_P(StandIn, IsDeterministicOfTheCatalogueSizeAndPassesTheCheck) {
  const auto image = MakeStandInImage(GetParam());
  EXPECT_EQ(image.size(), GetParam().size);
  EXPECT_EQ(image, MakeStandInImage(GetParam()));
  EXPECT_EQ(firmware_tools::CheckImage(GetParam(), image), std::vector<std::string>{});
}

TEST_P(StandIn, SaysWhatItIs) {
  const auto image = MakeStandInImage(GetParam());
  const std::string text(image.begin(), image.end());
  EXPECT_NE(text.find(firmware_tools::kStandInMarker), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Catalogue, StandIn, ::testing::ValuesIn(kFirmwareSet),
                         [](const auto& p) { return std::to_string(p.param.id); });

TEST(StandIns, HaveTheOutwardFormOfTheirKind) {
  for (const std::uint16_t id : std::vector<std::uint16_t>{250, 255, 276, 283, 284, 285, 286}) {
    const auto image = MakeStandInImage(Spec(id));
    const std::uint32_t reset = Word(image, 1);
    EXPECT_EQ(reset >> 16, 0x1000u) << id;  // one flash base for all
    EXPECT_EQ(reset & 1, 1u) << id;         // Thumb
    EXPECT_EQ(Word(image, 0) % 4, 0u) << id;
  }

  const auto linkedAtZero = MakeStandInImage(Spec(277));
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < 8; ++i) sum += Word(linkedAtZero, i);
  EXPECT_EQ(sum, 0u);
  EXPECT_EQ(Word(linkedAtZero, 1) & 1, 1u);
  EXPECT_LT(Word(linkedAtZero, 1), linkedAtZero.size());

  const auto riscV = MakeStandInImage(Spec(278));
  EXPECT_EQ(Word(riscV, 0) & 0x7F, 0x6Fu);
  for (std::size_t i = 1; i <= 12; ++i) EXPECT_EQ(Word(riscV, i), 0x00000013u) << i;
}

TEST(StandIns, SizesAreNoMultiplesOfObjectsOrChunks) {
  for (const ImageSpec& spec : kFirmwareSet) EXPECT_NE(spec.size % 4096, 0u) << spec.id;
  EXPECT_NE(Spec(277).size % 57, 0u);
  EXPECT_NE(Spec(278).size % 59, 0u);
}

TEST(StandIns, ImagesOfEqualSizeDiffer) {
  EXPECT_NE(MakeStandInImage(Spec(284)), MakeStandInImage(Spec(286)));
}

struct Damage {
  std::string name;
  std::uint16_t id;
  std::function<void(std::vector<std::uint8_t>&)> apply;
  std::string problem;
};

class DamagedImage : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedImage, IsRejectedWithAReason) {
  auto image = MakeStandInImage(Spec(GetParam().id));
  GetParam().apply(image);
  const auto problems = firmware_tools::CheckImage(Spec(GetParam().id), image);
  EXPECT_TRUE(Contains(problems, GetParam().problem)) << ::testing::PrintToString(problems);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, DamagedImage,
    ::testing::Values(
        Damage{"ShortByOne", 283, [](auto& i) { i.pop_back(); },
               "101703 bytes, where image 283 has 101704"},
        Damage{"LongerByOne", 250, [](auto& i) { i.push_back(0); }, "64017 bytes"},
        Damage{"ResetWithoutThumbBit", 250, [](auto& i) { i[4] &= 0xFE; }, "reset vector"},
        Damage{"ResetOutsideFlash", 255, [](auto& i) { i[7] = 0x20; }, "reset vector"},
        Damage{"UnalignedStack", 276, [](auto& i) { i[0] |= 2; }, "initial stack pointer"},
        Damage{"SumOfWordsOff", 277, [](auto& i) { i[28] ^= 1; }, "words 0 to 7 sum to"},
        Damage{"ResetBeyondImageAtZero", 277, [](auto& i) { i[6] = 1; },
               "inside an image linked at 0"},
        Damage{"NoJal", 278, [](auto& i) { i[0] = 0x13; }, "not a JAL"},
        Damage{"NopReplaced", 278, [](auto& i) { i[20] = 0x93; }, "word 5 is"},
        Damage{"TooShort", 278, [](auto& i) { i.resize(40); }, "too short"}),
    [](const auto& p) { return p.param.name; });

// A directory of its own under the system's temporary directory, removed at the end.
class ImageDirectory : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    directory_ = std::filesystem::temp_directory_path() /
                 ("orvik-firmware-" + std::to_string(getpid()) + "-" + test->name());
    std::filesystem::remove_all(directory_);
    std::filesystem::create_directories(directory_);
    for (const ImageSpec& spec : kFirmwareSet) Write(spec.id, MakeStandInImage(spec));
  }
  void TearDown() override { std::filesystem::remove_all(directory_); }

  void Write(std::uint16_t id, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(firmware_tools::ImagePath(directory_, id), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
  }

  // Runs the build's own tool; its exit status, with what it wrote to stderr.
  int RunTool(const std::string& arguments, std::string& errors) {
    const auto log = directory_ / "stderr.txt";
    const std::string command =
        std::string(ORVIK_FIRMWARE_TOOL) + " " + arguments + " 2>" + log.string();
    const int status = std::system(command.c_str());
    std::ifstream in(log);
    errors.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::filesystem::path directory_;
};

TEST_F(ImageDirectory, GeneratedSetFitsAsStandIns) {
  const auto set = firmware_tools::ReadImageSet(directory_, SetOrigin::standIn);
  EXPECT_EQ(set.problems, std::vector<std::string>{});
  ASSERT_EQ(set.images.size(), kFirmwareSet.size());
  for (std::size_t i = 0; i < kFirmwareSet.size(); ++i) {
    EXPECT_EQ(set.images[i].spec.id, kFirmwareSet[i].id);
    EXPECT_EQ(set.images[i].bytes, MakeStandInImage(kFirmwareSet[i]));
  }
}

TEST_F(ImageDirectory, StandInsPassedOffAsRealImagesAreRefused) {
  auto altered = MakeStandInImage(Spec(284));
  altered[1000] ^= 0xFF;
  Write(284, altered);
  const auto set = firmware_tools::ReadImageSet(directory_, SetOrigin::real);
  EXPECT_EQ(set.problems.size(), kFirmwareSet.size());
  EXPECT_TRUE(Contains(set.problems, "283.bin: a generated stand-in, not firmware"));
  EXPECT_TRUE(Contains(set.problems, "284.bin: a generated stand-in, not firmware"));
}

TEST_F(ImageDirectory, EveryMismatchIsNamed) {
  std::filesystem::remove(firmware_tools::ImagePath(directory_, 277));
  auto shortImage = MakeStandInImage(Spec(283));
  shortImage.pop_back();
  Write(283, shortImage);
  const auto set = firmware_tools::ReadImageSet(directory_, SetOrigin::standIn);
  EXPECT_EQ(set.problems.size(), 2u);
  EXPECT_TRUE(Contains(set.problems, "277.bin: missing"));
  EXPECT_TRUE(Contains(set.problems, "283.bin: 101703 bytes"));
}

TEST_F(ImageDirectory, ResourceScriptNamesEachImageAsBinInChinesePrc) {
  const auto set = firmware_tools::ReadImageSet(directory_, SetOrigin::standIn);
  const std::string script = firmware_tools::ResourceScript(set.images);
  EXPECT_NE(script.find("LANGUAGE 4, 2"), std::string::npos);
  for (const ImageSpec& spec : kFirmwareSet) {
    const std::string line = std::to_string(spec.id) + " BIN \"" +
                             firmware_tools::ImagePath(directory_, spec.id).generic_string() +
                             "\"\n";
    EXPECT_NE(script.find(line), std::string::npos) << line;
  }
}

TEST_F(ImageDirectory, ResourceScriptRefusesPathsItCannotQuote) {
  auto set = firmware_tools::ReadImageSet(directory_, SetOrigin::standIn);
  set.images[4].path = directory_ / "a\"b" / "278.bin";
  EXPECT_EQ(firmware_tools::ResourceScript(set.images), "");
}

TEST_F(ImageDirectory, ToolStopsTheBuildOnAMismatchAndLeavesNoOutput) {
  auto image = MakeStandInImage(Spec(250));
  image[4] &= 0xFE;
  Write(250, image);
  const auto out = directory_ / "firmware.rc";
  std::string errors;
  EXPECT_EQ(RunTool("embed-rc " + directory_.string() + " " + out.string(), errors), 1);
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_NE(errors.find("do not fit the catalogue"), std::string::npos) << errors;
  EXPECT_NE(errors.find("250.bin: word 1, the reset vector"), std::string::npos) << errors;
}

TEST_F(ImageDirectory, ToolEmbedsAFittingSet) {
  const auto out = directory_ / "firmware_images.cpp";
  std::string errors;
  EXPECT_EQ(RunTool("embed-cpp " + directory_.string() + " " + out.string(), errors), 0) << errors;
  EXPECT_TRUE(std::filesystem::exists(out));
  EXPECT_EQ(RunTool("embed-cpp " + directory_.string() + " " + out.string() + " --real", errors),
            1);
  EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(EmbeddedSet, IsTheGeneratedStandInsInAStandInBuild) {
  if (!kStandInFirmwareEmbedded)
    GTEST_SKIP() << "this build embeds the images of ORVIK_FIRMWARE_DIR";
  for (const ImageSpec& spec : kFirmwareSet) {
    const auto entries = sim::ProgramResources();
    const auto entry = std::ranges::find(entries, spec.id, &sim::ResourceEntry::id);
    ASSERT_NE(entry, entries.end()) << spec.id;
    EXPECT_TRUE(std::ranges::equal(entry->bytes, MakeStandInImage(spec))) << spec.id;
  }
}

}  // namespace
