#include "update/firmware_catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/os.h"
#include "platform/sim/sim_resources.h"
#include "platform/sim/sim_ui.h"

namespace {

using os::ResourceLookup;

class FirmwareCatalogue : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::ResetResources();
    sim::ResetUi();
  }
  void TearDown() override {
    sim::ResetUi();
    sim::ResetResources();
  }
};

struct CatalogueEntry {
  std::uint16_t id;
  std::uint32_t size;
};

// The nine images and their sizes, as the devices in the field take them.
const CatalogueEntry kCatalogue[] = {
    {283, 101704}, {284, 103484}, {285, 101708}, {286, 103484}, {276, 71836},
    {255, 63576},  {250, 64016},  {277, 29068},  {278, 18620},
};

class EachImage : public FirmwareCatalogue, public ::testing::WithParamInterface<CatalogueEntry> {};

TEST_P(EachImage, LoadsByIntegerIdWithItsSizeAndNoMessage) {
  const auto [id, size] = GetParam();
  const auto image = LoadFirmwareImage(id);
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(image->size, size);
  EXPECT_NE(image->data, nullptr);
  EXPECT_TRUE(sim::MessageBoxesShown().empty());
  EXPECT_EQ(sim::ResourceLookups(), std::vector<std::uint16_t>{id});

  // The bytes are the executable's own, not a copy: a second load yields the same address.
  const auto again = LoadFirmwareImage(id);
  ASSERT_TRUE(again.has_value());
  EXPECT_EQ(again->data, image->data);
}

TEST_P(EachImage, SizeIsNoWholeNumberOfObjects) {
  EXPECT_NE(GetParam().size % 4096, 0u);
}

INSTANTIATE_TEST_SUITE_P(Catalogue, EachImage, ::testing::ValuesIn(kCatalogue),
                         [](const auto& p) { return std::to_string(p.param.id); });

TEST_F(FirmwareCatalogue, SecondStageImagesAreNoWholeNumberOfChunks) {
  EXPECT_NE(LoadFirmwareImage(kImageReceiver8KModel2Second)->size % 57, 0u);
  EXPECT_NE(LoadFirmwareImage(kImageReceiver8KModel3Second)->size % 59, 0u);
}

TEST_F(FirmwareCatalogue, EmbedsExactlyTheNineImagesAsBinInChinesePrc) {
  std::vector<std::uint16_t> ids;
  for (const auto& entry : sim::ProgramResources()) {
    ids.push_back(entry.id);
    EXPECT_EQ(entry.type, L"BIN") << entry.id;
    EXPECT_EQ(entry.language, 0x0804) << entry.id;
  }
  std::vector<std::uint16_t> expected;
  for (const auto& entry : kCatalogue) expected.push_back(entry.id);
  std::ranges::sort(ids);
  std::ranges::sort(expected);
  EXPECT_EQ(ids, expected);
}

struct TypeCase {
  const wchar_t* type;
  bool found;
};

class TypeName : public FirmwareCatalogue, public ::testing::WithParamInterface<TypeCase> {};

TEST_P(TypeName, MatchesRegardlessOfCase) {
  const auto resource = os::FindEmbeddedResource(kImageReceiver1K, GetParam().type);
  EXPECT_EQ(resource.lookup == ResourceLookup::found, GetParam().found);
}

INSTANTIATE_TEST_SUITE_P(Types, TypeName,
                         ::testing::Values(TypeCase{L"bin", true}, TypeCase{L"BIN", true},
                                           TypeCase{L"Bin", true}, TypeCase{L"bi", false},
                                           TypeCase{L"bins", false}, TypeCase{L"RCDATA", false}));

TEST_F(FirmwareCatalogue, LoadAsksForTheLowerCaseType) {
  // A replacement answers only to its type "BIN": found through "bin" proves the case fold.
  sim::ReplaceResource(kImageReceiver1K, {1, 2, 3});
  const auto image = LoadFirmwareImage(kImageReceiver1K);
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(image->size, 3u);
  EXPECT_EQ(os::FindEmbeddedResource(kImageReceiver1K, L"bim").lookup, ResourceLookup::notFound);
}

struct FailureCase {
  ResourceLookup failure;
  std::wstring text;
};

class LoadFailure : public FirmwareCatalogue, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(LoadFailure, ShowsItsTextOnceAndYieldsNothing) {
  sim::FailResource(kImageMouseT82Sensor3950, GetParam().failure);
  EXPECT_FALSE(LoadFirmwareImage(kImageMouseT82Sensor3950).has_value());
  EXPECT_EQ(sim::MessageBoxesShown(), std::vector<std::wstring>{GetParam().text});

  // Other images are not touched by the fault.
  EXPECT_TRUE(LoadFirmwareImage(kImageMouseT82Sensor3395).has_value());
  EXPECT_EQ(sim::MessageBoxesShown().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Steps, LoadFailure,
                         ::testing::Values(FailureCase{ResourceLookup::notFound, L"没有找到资源 "},
                                           FailureCase{ResourceLookup::notLoaded, L"加载资源失败 "},
                                           FailureCase{ResourceLookup::notLocked,
                                                       L"不能加载内存 "}));

TEST_F(FirmwareCatalogue, AnIdThatIsNotEmbeddedIsNotFound) {
  EXPECT_FALSE(LoadFirmwareImage(251).has_value());
  EXPECT_EQ(sim::MessageBoxesShown(), std::vector<std::wstring>{L"没有找到资源 "});
}

TEST_F(FirmwareCatalogue, LiftedFaultLoadsAgain) {
  sim::FailResource(kImageReceiver8KModel3, ResourceLookup::notLocked);
  EXPECT_FALSE(LoadFirmwareImage(kImageReceiver8KModel3).has_value());
  sim::FailResource(kImageReceiver8KModel3, ResourceLookup::found);
  EXPECT_TRUE(LoadFirmwareImage(kImageReceiver8KModel3).has_value());
}

TEST_F(FirmwareCatalogue, EmptyImageIsHandedOverLikeAnyOther) {
  sim::ReplaceResource(kImageReceiver8KModel3Second, {});
  const auto image = LoadFirmwareImage(kImageReceiver8KModel3Second);
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(image->size, 0u);
  EXPECT_NE(image->data, nullptr);
  EXPECT_TRUE(sim::MessageBoxesShown().empty());
}

TEST_F(FirmwareCatalogue, ReplacedBytesStayValidAfterAnotherReplacement) {
  sim::ReplaceResource(kImageReceiver8KModel2Second, {7, 8, 9});
  const auto first = LoadFirmwareImage(kImageReceiver8KModel2Second);
  sim::ReplaceResource(kImageReceiver8KModel2Second, {1});
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(std::vector<std::uint8_t>(first->data, first->data + first->size),
            (std::vector<std::uint8_t>{7, 8, 9}));
  EXPECT_EQ(LoadFirmwareImage(kImageReceiver8KModel2Second)->size, 1u);
}

TEST_F(FirmwareCatalogue, FailureReturnsOnlyAfterTheBoxIsDismissed) {
  sim::HoldMessageBoxes(true);
  sim::FailResource(kImageReceiver8KModel3Second, ResourceLookup::notLoaded);
  std::atomic<bool> returned = false;
  std::optional<FirmwareImage> result = FirmwareImage{};
  std::thread worker([&] {
    result = LoadFirmwareImage(kImageReceiver8KModel3Second);
    returned = true;
  });
  ASSERT_TRUE(sim::WaitForHeldMessageBox(std::chrono::seconds(10)));
  EXPECT_FALSE(returned);
  sim::DismissMessageBox();
  worker.join();
  EXPECT_TRUE(returned);
  EXPECT_FALSE(result.has_value());
}

struct MouseCase {
  std::uint8_t model;
  std::uint8_t sensor;
  std::uint16_t id;
  std::wstring refusal;
};

class MouseSelection : public FirmwareCatalogue, public ::testing::WithParamInterface<MouseCase> {};

TEST_P(MouseSelection, ByModelAndSensorWithoutLookup) {
  const auto [model, sensor, id, refusal] = GetParam();
  const MouseImageChoice choice = SelectMouseImage(model, sensor);
  EXPECT_EQ(choice.id, id);
  EXPECT_EQ(choice.refusalText == nullptr ? std::wstring() : choice.refusalText, refusal);
  EXPECT_TRUE(sim::ResourceLookups().empty());
  EXPECT_TRUE(sim::MessageBoxesShown().empty());
}

INSTANTIATE_TEST_SUITE_P(Table, MouseSelection,
                         ::testing::Values(MouseCase{2, 0, 283, L""}, MouseCase{2, 1, 284, L""},
                                           MouseCase{3, 0, 285, L""}, MouseCase{3, 1, 286, L""},
                                           MouseCase{2, 2, 0, L"没有找到资源 "},
                                           MouseCase{3, 3, 0, L"没有找到资源 "},
                                           MouseCase{3, 255, 0, L"没有找到资源 "},
                                           MouseCase{1, 0, 0, L"不支持此鼠标升级 "},
                                           MouseCase{4, 1, 0, L"不支持此鼠标升级 "},
                                           MouseCase{0, 0, 0, L"不支持此鼠标升级 "}));

TEST_F(FirmwareCatalogue, ReceiverImagesByModel) {
  EXPECT_EQ(kImageReceiver1K, 276);
  EXPECT_EQ(SelectReceiver8KImage(2), 255);
  EXPECT_EQ(SelectReceiver8KImage(3), 250);
  EXPECT_EQ(kImageReceiver8KModel2Second, 277);
  EXPECT_EQ(kImageReceiver8KModel3Second, 278);
}

}  // namespace
