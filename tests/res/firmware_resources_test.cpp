// The Windows executable carries the nine images as the build embedded them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/os.h"
#include "support/pe_resources.h"
#include "tools/firmware/firmware_set.h"

namespace {

using testing_support::PeResourceName;

TEST(WindowsExecutable, EmbedsTheNineImagesAsBinResourcesInChinesePrc) {
  const std::filesystem::path exe = ORVIK_WINDOWS_EXE;
  if (!std::filesystem::exists(exe)) {
    GTEST_SKIP() << exe << " is not built yet; the windows preset builds it";
  }
  const auto all = testing_support::ReadPeResourceFile(exe);
  ASSERT_EQ(all.error, "");
  const auto images = testing_support::ResourcesOfType(all, PeResourceName{0, u"BIN"});
  ASSERT_EQ(images.size(), firmware_tools::kFirmwareSet.size());

  for (const auto& spec : firmware_tools::kFirmwareSet) {
    SCOPED_TRACE(spec.id);
    const auto image =
        std::ranges::find(images, PeResourceName{spec.id, {}}, &testing_support::PeResource::name);
    ASSERT_NE(image, images.end());
    EXPECT_EQ(image->language, 0x0804);
    EXPECT_EQ(image->data.size(), spec.size);
    // The same bytes as this build embeds for the simulated machine.
    const auto here = os::FindEmbeddedResource(spec.id, L"BIN");
    ASSERT_EQ(here.lookup, os::ResourceLookup::found);
    EXPECT_TRUE(std::ranges::equal(image->data, here.bytes)) << "the bytes differ";
  }
}

}  // namespace
