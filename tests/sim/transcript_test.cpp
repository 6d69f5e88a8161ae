#include "platform/sim/transcript.h"

#include <gtest/gtest.h>

#include <sstream>

#include "platform/os.h"
#include "support/sim_machine.h"

namespace {

using testing_support::SimMachine;

class Transcript : public SimMachine {};

TEST_F(Transcript, LinesCarryTimeThreadAndEventFirst) {
  os::Sleep(30);
  sim::Record("status", {{"text", sim::Utf8(L"升级成功")}});
  const auto events = sim::TranscriptEvents();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(sim::ToJsonLine(events[0]), R"({"t":0,"thread":"ui","ev":"sleep","ms":30})");
  EXPECT_EQ(sim::ToJsonLine(events[1]),
            "{\"t\":30,\"thread\":\"ui\",\"ev\":\"status\",\"text\":\"升级成功\"}");
}

TEST_F(Transcript, WorkerEventsAreMarked) {
  ASSERT_TRUE(os::StartThread([](void*) { os::Sleep(5); }, nullptr));
  sim::JoinWorkers();
  const auto sleeps = testing_support::EventsNamed("sleep");
  ASSERT_EQ(sleeps.size(), 1u);
  EXPECT_EQ(sleeps[0].thread, "worker");
}

TEST_F(Transcript, RoundTripsThroughTextIncludingAwkwardStrings) {
  sim::Record("message_box",
              {{"text", std::string("quote \" back \\ tab \t nl \n ctl \x01 检验失败")},
               {"ok", false},
               {"lparam", std::int64_t{-7}}});
  sim::Record("sleep", {{"ms", std::int64_t{4294967295}}});
  const auto back = testing_support::TranscriptReadBack();
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[0].Number("lparam"), -7);
  EXPECT_FALSE(back[0].Flag("ok"));
}

TEST_F(Transcript, ReaderAcceptsStandardEscapesAndSpacing) {
  const auto event = sim::ParseJsonLine(
      R"( { "t" : 12 , "thread":"worker", "ev":"message_box", "text":"\u68c0\u9a8c\ud83d\ude00\/" } )");
  ASSERT_TRUE(event.has_value());
  EXPECT_EQ(event->t, 12u);
  EXPECT_EQ(event->Text("text"), "检验😀/");
}

TEST_F(Transcript, ReaderStopsAtTheFirstBadLine) {
  const char* lines[] = {
      R"({"t":1,"thread":"ui","ev":"sleep","ms":1})",
      "",
      R"({"t":2,"thread":"ui"})",  // no ev
      R"({"t":3,"thread":"ui","ev":"sleep","ms":1})",
  };
  std::stringstream text;
  for (const char* line : lines) text << line << '\n';
  std::size_t bad = 0;
  const auto events = sim::ReadTranscript(text, &bad);
  EXPECT_EQ(events.size(), 1u);
  EXPECT_EQ(bad, 3u);
}

TEST_F(Transcript, MalformedLinesAreRefused) {
  const char* bad[] = {
      "",
      "{",
      R"({"t":-1,"thread":"ui","ev":"x"})",
      R"({"t":1,"thread":"ui","ev":"x",})",
      R"({"t":1,"thread":"ui","ev":"x"} trailing)",
      R"({"t":1,"thread":"ui","ev":"x","v":[1]})",
      R"({"t":1,"thread":"ui","ev":"x","v":"\q"})",
      R"({"t":1,"thread":"ui","ev":"x","v":"\u12"})",
      R"({"t":1,"thread":"ui","ev":"x","v":"unterminated})",
      R"({"t":"1","thread":"ui","ev":"x"})",
  };
  for (const char* line : bad) EXPECT_FALSE(sim::ParseJsonLine(line).has_value()) << line;
}

TEST_F(Transcript, NothingIsRecordedWhileOff) {
  sim::EnableTranscript(false);
  os::Sleep(10);
  EXPECT_TRUE(sim::TranscriptEvents().empty());
}

TEST_F(Transcript, Utf8OfWideText) {
  EXPECT_EQ(sim::Utf8(L"CMD_FW_UPGRADE Error"), "CMD_FW_UPGRADE Error");
  EXPECT_EQ(sim::Utf8(L"检验失败"), "检验失败");
  const wchar_t surrogatePair[] = {0xD83D, 0xDE00, 0};
  EXPECT_EQ(sim::Utf8(surrogatePair), "😀");
  const wchar_t lone[] = {0xD800, L'a', 0};
  EXPECT_EQ(sim::Utf8(lone),
            "\xEF\xBF\xBD"
            "a");
}

}  // namespace
