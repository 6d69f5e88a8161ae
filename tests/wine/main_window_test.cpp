// The real executable under Wine on a private X display: its main window shows every
// control of template 102 with its class, text and styles, the notice and the status
// box's 60-pixel font; a screenshot goes into the build tree; Cancel ends the program.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../app/window_tables.h"
#include "platform/sim/transcript.h"

namespace {

constexpr std::uint32_t kWsExClientEdge = 0x00000200;

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream in(line);
  std::string field;
  while (std::getline(in, field, '\t')) fields.push_back(field);
  if (!line.empty() && line.back() == '\t') fields.emplace_back();
  return fields;
}

std::uint32_t Hex(const std::string& text) {
  return static_cast<std::uint32_t>(std::stoul(text, nullptr, 16));
}

std::string Folded(const std::wstring& text) {
  return sim::Utf8(app_testing::FoldedClass(text));
}

TEST(MainWindowUnderWine, ShowsTheTemplateTheNoticeAndTheStatusFontAndEndsOnCancel) {
  const std::filesystem::path bin = ORVIK_WINDOWS_BIN_DIR;
  if (!std::filesystem::exists(bin / "ORVIK-OTA-TOOLS.exe")) {
    GTEST_SKIP() << (bin / "ORVIK-OTA-TOOLS.exe")
                 << " is not built yet; the windows preset builds it";
  }
  const std::filesystem::path out = ORVIK_WINE_OUTPUT_DIR;
  std::filesystem::create_directories(out);
  const std::string command = "bash '" ORVIK_WINE_RUNNER "' '" + bin.string() + "' '" +
                              out.string() + "' >'" + (out / "run.log").string() + "' 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << "see " << (out / "run.log");

  std::ifstream report(out / "report.txt");
  std::vector<std::vector<std::string>> lines;
  for (std::string line; std::getline(report, line);) lines.push_back(Fields(line));
  const auto& table = app_testing::MainWindowTable();
  ASSERT_EQ(lines.size(), 1 + table.controls.size());

  ASSERT_EQ(lines[0].size(), 5u);
  EXPECT_EQ(lines[0][1], "#32770");
  EXPECT_EQ(Hex(lines[0][2]) & table.style, table.style);
  EXPECT_EQ(Hex(lines[0][3]) & table.exStyle, table.exStyle);
  EXPECT_EQ(lines[0][4], sim::Utf8(table.caption));

  for (std::size_t i = 0; i < table.controls.size(); ++i) {
    const auto& want = table.controls[i];
    const auto& got = lines[i + 1];
    SCOPED_TRACE(want.id);
    ASSERT_EQ(got.size(), 9u);
    EXPECT_EQ(got[1], std::to_string(want.id));
    EXPECT_EQ(sim::Utf8(app_testing::FoldedClass(std::wstring(got[2].begin(), got[2].end()))),
              Folded(want.className));
    // The dialog manager draws a bordered control with a sunken edge in place of its border.
    const std::uint32_t style = Hex(got[3]);
    const std::uint32_t exStyle = Hex(got[4]);
    EXPECT_EQ(style & (want.style & ~app_testing::kWsBorder), want.style & ~app_testing::kWsBorder);
    EXPECT_EQ(exStyle & want.exStyle, want.exStyle);
    if (want.className == L"Edit") {
      EXPECT_NE(exStyle & kWsExClientEdge, 0u);
    }
    const std::wstring text = want.id == 1008 ? app_testing::kNoticeText : want.text;
    EXPECT_EQ(got[8], sim::Utf8(text));
  }
  const auto& status = lines[8];
  EXPECT_EQ(status[1], "1007");
  EXPECT_EQ(status[5], "60");
  EXPECT_EQ(status[6], "Arial");
  EXPECT_EQ(status[7], "300");
  const auto& notice = lines[9];
  EXPECT_EQ(notice[5], "30");
  EXPECT_EQ(notice[6], "Arial");

  std::ifstream shot(out / "main-window.png", std::ios::binary);
  std::string signature(8, '\0');
  shot.read(signature.data(), 8);
  EXPECT_EQ(signature, "\x89PNG\r\n\x1a\n");

  std::ifstream status_file(out / "exit-status");
  std::string exit;
  std::getline(status_file, exit);
  EXPECT_EQ(exit, "0") << "the program did not end on Cancel";
}

}  // namespace
