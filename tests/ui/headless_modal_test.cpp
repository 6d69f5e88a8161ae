// The headless backend's modal loops: a message box shown by the thread that runs a
// dialog keeps that dialog's posted and device-change messages flowing and holds back its
// input; scripted answers keep single-threaded tests from waiting forever.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "platform/sim/headless_dialogs.h"
#include "platform/sim/sim_ui.h"
#include "platform/ui/dialog.h"

namespace {

constexpr ui::Message kShowBox = ui::kWmUser + 1;
constexpr ui::Message kNote = ui::kWmUser + 2;
constexpr int kAboutTemplate = 100;

// The About template with a map of its own: one message shows a box, others are noted.
class ProbeDialog : public ui::Dialog {
 public:
  ProbeDialog() : ui::Dialog(kAboutTemplate) {
    MapMessage(kShowBox, &ProbeDialog::OnShowBox);
    MapMessage(kNote, &ProbeDialog::OnNote);
    MapMessage(ui::kWmDeviceChange, &ProbeDialog::OnDeviceChange);
    MapClicked(ui::kIdOk, &ProbeDialog::OnOk);
  }
  std::vector<ui::LParam> noted;
  int broadcasts = 0;
  int oks = 0;

 private:
  ui::Result OnShowBox(ui::WParam, ui::LParam) {
    ui::ShowMessageBox(L"box");
    noted.push_back(-1);  // marks the box's end
    return 0;
  }
  // wParam 1: the user dismisses the box that is up.
  ui::Result OnNote(ui::WParam dismiss, ui::LParam value) {
    noted.push_back(value);
    if (dismiss == 1) sim::DismissMessageBox();
    return 0;
  }
  ui::Result OnDeviceChange(ui::WParam, ui::LParam) {
    ++broadcasts;
    return 1;
  }
  void OnOk() { ++oks; }
};

class HeadlessModal : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::ResetUi();
    ASSERT_TRUE(sim::OpenDialog(dialog_));
  }
  void TearDown() override {
    sim::CloseDialog(dialog_);
    sim::ResetUi();
  }
  ProbeDialog dialog_;
};

TEST_F(HeadlessModal, AnsweredBoxOnTheDialogThreadDispatchesPostsAndBroadcastsButNotInput) {
  const ui::WindowHandle window = dialog_.Window();
  sim::AnswerNextModal([&] {
    ui::PostToWindow(window, kNote, 0, 1);
    sim::DeliverDeviceChange(window, 0x8000, std::nullopt);
    sim::ClickButton(window, ui::kIdOk);
    EXPECT_EQ(sim::PumpUntilIdle(), 2u);
    EXPECT_EQ(dialog_.noted, (std::vector<ui::LParam>{2, 1}));
  });
  ui::PostToWindow(window, kShowBox, 0, 0);
  // Already queued when the box opens: its loop handles it before the answer runs.
  ui::PostToWindow(window, kNote, 0, 2);
  sim::PumpUntilIdle();
  EXPECT_EQ(dialog_.noted, (std::vector<ui::LParam>{2, 1, -1}));
  EXPECT_EQ(dialog_.broadcasts, 1);
  EXPECT_EQ(dialog_.oks, 0);
  EXPECT_EQ(sim::MessageBoxesShown(), std::vector<std::wstring>{L"box"});
  // Input reaches the dialog again once the box is gone.
  sim::ClickButton(window, ui::kIdOk);
  sim::PumpUntilIdle();
  EXPECT_EQ(dialog_.oks, 1);
}

TEST_F(HeadlessModal, UnansweredBoxIsDismissedAtOnce) {
  ui::SendToWindow(dialog_.Window(), kShowBox, 0, 0);
  EXPECT_EQ(dialog_.noted, std::vector<ui::LParam>{-1});
}

TEST_F(HeadlessModal, HeldBoxWaitsForAnotherThreadWhileTheLoopRuns) {
  const ui::WindowHandle window = dialog_.Window();
  sim::HoldMessageBoxes(true);
  std::thread user([&] {
    ASSERT_TRUE(sim::WaitForHeldMessageBox(std::chrono::seconds(30)));
    ui::PostToWindow(window, kNote, 1, 7);
  });
  ui::PostToWindow(window, kShowBox, 0, 0);
  ASSERT_TRUE(sim::PumpUntilMessage(window, kShowBox, std::chrono::seconds(30)));
  user.join();
  // The note posted while the box was up was handled inside the box's loop.
  EXPECT_EQ(dialog_.noted, (std::vector<ui::LParam>{7, -1}));
}

TEST_F(HeadlessModal, PostsToANullWindowAreDroppedAndPostsToAClosedOneFail) {
  EXPECT_FALSE(ui::PostToWindow({}, kNote, 0, 1));
  const ui::WindowHandle window = dialog_.Window();
  sim::CloseDialog(dialog_);
  EXPECT_FALSE(ui::PostToWindow(window, kNote, 0, 1));
  ASSERT_TRUE(sim::OpenDialog(dialog_));
  EXPECT_EQ(sim::PumpUntilIdle(), 0u);
  EXPECT_TRUE(dialog_.noted.empty());
}

}  // namespace
