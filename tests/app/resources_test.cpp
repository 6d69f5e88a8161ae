// The resources of the built Windows executable, read back with our own PE reader: the
// dialog templates, string 101, the icon group, the manifest and the version block.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "platform/sim/resource_formats.h"
#include "support/pe_resources.h"
#include "window_tables.h"

namespace {

using testing_support::PeResource;
using testing_support::PeResourceName;

constexpr std::uint16_t kChinesePrc = 0x0804;
constexpr std::uint16_t kEnglishUs = 0x0409;

class ExecutableResources : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::filesystem::path exe = ORVIK_WINDOWS_EXE;
    if (!std::filesystem::exists(exe)) {
      GTEST_SKIP() << exe << " is not built yet; the windows preset builds it";
    }
    all_ = testing_support::ReadPeResourceFile(exe);
    ASSERT_EQ(all_.error, "");
  }

  const PeResource* Find(std::uint16_t type, std::uint16_t id) const {
    for (const auto& resource : all_.resources) {
      if (resource.type == PeResourceName{type, {}} && resource.name == PeResourceName{id, {}}) {
        return &resource;
      }
    }
    return nullptr;
  }

  void ExpectDialog(std::uint16_t id, const app_testing::DialogRow& row) const {
    SCOPED_TRACE(id);
    const PeResource* resource = Find(sim::kRtDialog, id);
    ASSERT_NE(resource, nullptr);
    const auto dialog = sim::ParseDialogTemplate(resource->data);
    ASSERT_TRUE(dialog.has_value());
    EXPECT_EQ(dialog->title, row.caption);
    EXPECT_EQ(dialog->x, 0);
    EXPECT_EQ(dialog->y, 0);
    EXPECT_EQ(dialog->cx, row.cx);
    EXPECT_EQ(dialog->cy, row.cy);
    EXPECT_EQ(dialog->style, row.style);
    EXPECT_EQ(dialog->exStyle, row.exStyle);
    EXPECT_TRUE(dialog->hasFont);
    EXPECT_EQ(dialog->pointSize, 9);
    EXPECT_EQ(dialog->weight, 0);
    EXPECT_EQ(dialog->italic, 0);
    EXPECT_EQ(dialog->charSet, 1);
    EXPECT_EQ(dialog->typeface, L"MS Shell Dlg");
    ASSERT_EQ(dialog->items.size(), row.controls.size());
    for (std::size_t i = 0; i < row.controls.size(); ++i) {
      const auto& item = dialog->items[i];
      const auto& want = row.controls[i];
      SCOPED_TRACE(i);
      EXPECT_EQ(static_cast<std::int32_t>(item.id), want.id);
      EXPECT_EQ(app_testing::FoldedClass(item.ClassName()),
                app_testing::FoldedClass(want.className));
      if (want.iconId != 0) {
        EXPECT_EQ(item.title.ordinal, want.iconId);
      } else {
        EXPECT_EQ(item.title.text, want.text);
      }
      EXPECT_EQ(item.x, want.x);
      EXPECT_EQ(item.y, want.y);
      EXPECT_EQ(item.cx, want.cx);
      EXPECT_EQ(item.cy, want.cy);
      EXPECT_EQ(item.style, want.style);
      EXPECT_EQ(item.exStyle, want.exStyle);
    }
  }

  testing_support::PeResources all_;
};

TEST_F(ExecutableResources, EveryResourceButTheManifestIsInChinesePrc) {
  ASSERT_FALSE(all_.resources.empty());
  for (const auto& resource : all_.resources) {
    const bool manifest = resource.type == PeResourceName{sim::kRtManifest, {}};
    EXPECT_EQ(resource.language, manifest ? kEnglishUs : kChinesePrc)
        << "type " << resource.type.id << " name " << resource.name.id;
  }
}

TEST_F(ExecutableResources, TheDialogTemplatesAreTheTables) {
  ExpectDialog(102, app_testing::MainWindowTable());
  ExpectDialog(100, app_testing::AboutBoxTable());
}

TEST_F(ExecutableResources, TheStringTableHoldsOnlyTheAboutItem) {
  std::vector<std::uint16_t> blocks;
  for (const auto& resource : all_.resources) {
    if (resource.type == PeResourceName{sim::kRtString, {}}) blocks.push_back(resource.name.id);
  }
  ASSERT_EQ(blocks, std::vector<std::uint16_t>{(101 >> 4) + 1});
  const auto& block = Find(sim::kRtString, blocks.front())->data;
  for (int id = 96; id < 112; ++id) {
    EXPECT_EQ(sim::StringFromBlock(block, id), id == 101 ? L"关于 ORVIK-OTA-TOOLS(&A)..." : L"")
        << id;
  }
}

TEST_F(ExecutableResources, TheIconGroupHasSeven32BitImages) {
  const PeResource* group = Find(sim::kRtGroupIcon, 128);
  ASSERT_NE(group, nullptr);
  const auto entries = sim::ParseIconGroup(group->data);
  ASSERT_TRUE(entries.has_value());
  std::vector<int> sizes;
  for (const auto& entry : *entries) {
    SCOPED_TRACE(entry.width);
    sizes.push_back(entry.width);
    EXPECT_EQ(entry.height, entry.width);
    EXPECT_EQ(entry.bitCount, 32);
    EXPECT_EQ(entry.planes, 1);
    const PeResource* image = Find(sim::kRtIcon, entry.iconId);
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->data.size(), entry.bytes);
    const auto field = [&](std::size_t at) {
      return image->data[at] | image->data[at + 1] << 8 | image->data[at + 2] << 16 |
             image->data[at + 3] << 24;
    };
    // A bitmap header, twice the height for the image and its mask, 32 bits per pixel.
    EXPECT_EQ(field(0), 40);
    EXPECT_EQ(field(4), entry.width);
    EXPECT_EQ(field(8), 2 * entry.width);
    EXPECT_EQ(image->data[14], 32);
  }
  EXPECT_EQ(sizes, (std::vector<int>{128, 96, 72, 64, 48, 40, 32}));
}

TEST_F(ExecutableResources, TheManifestAsksForCommonControls6ForThisArchitecture) {
  const PeResource* manifest = Find(sim::kRtManifest, 1);
  ASSERT_NE(manifest, nullptr);
  EXPECT_EQ(manifest->language, kEnglishUs);
  const std::string text(manifest->data.begin(), manifest->data.end());
  for (const char* part :
       {"name=\"Microsoft.Windows.Common-Controls\"", "version=\"6.0.0.0\"",
        "processorArchitecture=\"amd64\"", "level=\"asInvoker\"", "uiAccess=\"false\"",
        "http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>"}) {
    EXPECT_NE(text.find(part), std::string::npos) << part;
  }
}

TEST_F(ExecutableResources, TheVersionBlockNamesTheProgramAndVersion1001) {
  const PeResource* version = Find(sim::kRtVersion, 1);
  ASSERT_NE(version, nullptr);
  const auto info = sim::ParseVersionInfo(version->data);
  ASSERT_TRUE(info.has_value());
  EXPECT_EQ(info->fileVersionMs, 0x00010000u);
  EXPECT_EQ(info->fileVersionLs, 0x00000001u);
  EXPECT_EQ(info->productVersionMs, 0x00010000u);
  EXPECT_EQ(info->productVersionLs, 0x00000001u);
  EXPECT_EQ(info->translations,
            (std::vector<std::pair<std::uint16_t, std::uint16_t>>{{0x0804, 1200}}));
  ASSERT_EQ(info->strings.size(), 1u);
  EXPECT_EQ(info->strings[0].first, L"080404b0");
  const auto& values = info->strings[0].second;
  const auto value = [&](const std::wstring& name) {
    const auto found =
        std::find_if(values.begin(), values.end(), [&](const auto& v) { return v.first == name; });
    return found != values.end() ? found->second : L"<missing>";
  };
  EXPECT_EQ(value(L"FileDescription"), L"ORVIK-OTA-TOOLS");
  EXPECT_EQ(value(L"FileVersion"), L"1.0.0.1");
  EXPECT_EQ(value(L"ProductVersion"), L"1.0.0.1");
  EXPECT_EQ(value(L"InternalName"), L"ORVIK-OTA-TOOLS.exe");
  EXPECT_EQ(value(L"OriginalFilename"), L"ORVIK-OTA-TOOLS.exe");
}

}  // namespace
