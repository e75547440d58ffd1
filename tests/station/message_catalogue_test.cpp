// The catalogue of the texts the program shows: its patterns, the code's own texts in it,
// and the guide's table of messages made from it.
#include "station/message_catalogue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <tuple>

#include "engine/resume.h"
#include "engine/run_state.h"
#include "link/fault.h"
#include "station/recovery.h"
#include "station/run_recorder.h"

namespace tarvos::station {
namespace {

using platform::MessageKind;

TEST(MessageCatalogueTest, APatternsPartsInBracesTakeAnyText) {
  EXPECT_TRUE(MatchesPattern("Clear all Results ?", "Clear all Results ?"));
  EXPECT_FALSE(MatchesPattern("Clear all Results ?", "Clear all Results"));
  EXPECT_TRUE(MatchesPattern("Close {model} ?", "Close Fennix ?"));
  EXPECT_TRUE(MatchesPattern("Close {model} ?", "Close  ?"));
  EXPECT_FALSE(MatchesPattern("Close {model} ?", "Close Fennix"));
  EXPECT_TRUE(MatchesPattern("{path}    Not Affected", "/tmp/a b.RF    Not Affected"));
  EXPECT_TRUE(MatchesPattern("Resume the run at {frequency} MHz (result {n}) ?",
                             "Resume the run at 110.250 MHz (result 3) ?"));
  EXPECT_FALSE(MatchesPattern("Resume the run at {frequency} MHz (result {n}) ?",
                              "Resume the run at 110.250 MHz (result 3)"));
  // A filled part may hold what follows it in the pattern.
  EXPECT_TRUE(MatchesPattern("Overwrite {path}?", "Overwrite what?.RF?"));
}

TEST(MessageCatalogueTest, ATextIsFoundWithTheWayAndTheKindItIsShown) {
  EXPECT_NE(FindMessage(TextShown::Question, MessageKind::Confirmation, "Close Fennix ?"), nullptr);
  EXPECT_EQ(FindMessage(TextShown::Box, MessageKind::Confirmation, "Close Fennix ?"), nullptr);
  EXPECT_EQ(FindMessage(TextShown::Question, MessageKind::Warning, "Close Fennix ?"), nullptr);
  EXPECT_NE(FindMessage(TextShown::Input, MessageKind::Plain,
                        "Fennix Test Title|Enter Display Title : "),
            nullptr);
  EXPECT_NE(FindMessage(TextShown::FileDialog, MessageKind::Plain, "Use Pre-Scan Values"), nullptr);
  EXPECT_EQ(FindMessage(TextShown::Box, MessageKind::Plain, "Use Pre-Scan Values"), nullptr);
  EXPECT_EQ(FindMessage(TextShown::Box, MessageKind::Warning, "Something else"), nullptr);
}

TEST(MessageCatalogueTest, EveryEntryIsExplainedOnceAndTheCodesTextsAreIn) {
  std::set<std::tuple<int, int, std::string>> seen;
  for (const MessageEntry& entry : MessageCatalogue()) {
    SCOPED_TRACE(std::string(entry.Text));
    EXPECT_FALSE(entry.When.empty());
    EXPECT_FALSE(entry.Meaning.empty());
    EXPECT_FALSE(entry.Action.empty());
    EXPECT_TRUE(seen.insert({static_cast<int>(entry.Shown), static_cast<int>(entry.Kind),
                             std::string(entry.Text)})
                    .second)
        << "listed twice";
  }
  // Texts that the tests may not all reach are checked from the code's own constants.
  using engine::EndReason;
  for (const EndReason reason :
       {EndReason::Completed, EndReason::StoppedByUser, EndReason::AmplifierFault,
        EndReason::HardwareFault, EndReason::EutFailure, EndReason::RangeError,
        EndReason::PreScanCompleted, EndReason::MaximumResults, EndReason::InvalidConditions}) {
    EXPECT_NE(FindMessage(TextShown::Box, engine::EndReasonKind(reason),
                          engine::EndReasonMessage(reason)),
              nullptr)
        << engine::EndReasonMessage(reason);
  }
  using link::FaultCode;
  for (const FaultCode code : {FaultCode::SerialNumberNotFound, FaultCode::WriteError,
                               FaultCode::I2cWriteError}) {
    const std::string synth = std::string(link::FaultPrefix(link::Unit::Synthesiser)) +
                              std::string(link::FaultMessage(code));
    EXPECT_NE(FindMessage(TextShown::Box, MessageKind::Warning, synth + " #2"), nullptr) << synth;
  }
  for (const FaultCode code :
       {FaultCode::SerialNumberNotFound, FaultCode::WriteError, FaultCode::I2cWriteError,
        FaultCode::SalvoRangeError, FaultCode::SalvoManualMode}) {
    const std::string salvo = std::string(link::FaultPrefix(link::Unit::Salvo)) +
                              std::string(link::FaultMessage(code));
    EXPECT_NE(FindMessage(TextShown::Box, MessageKind::Warning, salvo), nullptr) << salvo;
  }
  for (const std::string_view refusal :
       {engine::kResumeOnlyScans, engine::kResumeNoResults, engine::kResumeAtFinish,
        engine::kResumeOffSteps, engine::kResumeNeedsPreScan}) {
    EXPECT_NE(FindMessage(TextShown::Box, MessageKind::Warning, refusal), nullptr) << refusal;
  }
  EXPECT_NE(FindMessage(TextShown::Question, MessageKind::Confirmation,
                        engine::ResumeQuestion({12, 95'123'000})),
            nullptr);
  EXPECT_NE(FindMessage(TextShown::Box, MessageKind::Information,
                        std::string(kRecoveredMessage) + "recovered-20261209-101010.RF\n" +
                            std::string(kRecoveredResumeHint)),
            nullptr);
  EXPECT_NE(FindMessage(TextShown::Box, MessageKind::Warning,
                        std::string(kRunLogNotWritten) + "Disk full"),
            nullptr);
}

// The guide's table stands between these two lines.
constexpr std::string_view kTableBegin = "<!-- the table of messages: made from the catalogue -->\n";
constexpr std::string_view kTableEnd = "<!-- end of the table of messages -->\n";

TEST(MessageCatalogueTest, TheGuidesTableIsTheCatalogue) {
  const std::string path = std::string(TARVOS_SOURCE_DIR) + "/docs/guide.md";
  std::ifstream in(path, std::ios::binary);
  ASSERT_TRUE(in) << path;
  std::stringstream read;
  read << in.rdbuf();
  std::string guide = read.str();
  const std::size_t begin = guide.find(kTableBegin);
  const std::size_t end = guide.find(kTableEnd);
  ASSERT_NE(begin, std::string::npos) << "the guide has no table of messages";
  ASSERT_NE(end, std::string::npos);
  ASSERT_LT(begin, end);
  const std::size_t from = begin + kTableBegin.size();
  const std::string table = MessageTable();
  if (std::getenv("TARVOS_WRITE_GUIDE_TABLE") != nullptr) {
    // make guide-table: the table is written from the catalogue.
    guide.replace(from, end - from, table);
    std::ofstream(path, std::ios::binary) << guide;
    return;
  }
  EXPECT_EQ(guide.substr(from, end - from), table)
      << "the guide's table and the catalogue differ: run make guide-table";
}

}  // namespace
}  // namespace tarvos::station
