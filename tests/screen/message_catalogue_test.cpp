// The catalogue of the texts the program shows: its patterns, how its entries are filled
// in and shown, that it holds every entry, and the guide's table of messages made from it.
#include "screen/message_catalogue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <tuple>

#include "engine/resume.h"
#include "engine/run_state.h"
#include "link/fault.h"
#include "platform/scripted_operator.h"

namespace tarvos::screen {
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
  EXPECT_NE(
      FindMessage(TextShown::Input, MessageKind::Plain, "Fennix Test Title|Enter Display Title : "),
      nullptr);
  EXPECT_NE(FindMessage(TextShown::FileDialog, MessageKind::Plain, "Use Pre-Scan Values"), nullptr);
  EXPECT_EQ(FindMessage(TextShown::Box, MessageKind::Plain, "Use Pre-Scan Values"), nullptr);
  EXPECT_EQ(FindMessage(TextShown::Box, MessageKind::Warning, "Something else"), nullptr);
}

std::string ReadSource(const std::string& relative) {
  const std::string path = std::string(TARVOS_SOURCE_DIR) + "/" + relative;
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in) << path;
  std::stringstream read;
  read << in.rdbuf();
  return read.str();
}

TEST(MessageCatalogueTest, HoldsEveryEntryOnceEachExplained) {
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
  // Every entry the code can show is in the list: as many as messages.h names.
  const std::string header = ReadSource("src/screen/messages.h");
  const std::regex named("inline constexpr MessageEntry k[A-Za-z0-9]+\\{");
  const auto count = std::distance(std::sregex_iterator(header.begin(), header.end(), named),
                                   std::sregex_iterator());
  EXPECT_EQ(static_cast<std::size_t>(count), MessageCatalogue().size());
}

TEST(MessageCatalogueTest, EntriesAreFilledInAndShownInTheirOwnKind) {
  EXPECT_EQ(Fill(msg::kCloseQuestion, {"Fennix"}), "Close Fennix ?");
  EXPECT_EQ(Fill(msg::kResumeQuestion, {"110.250", "3"}),
            "Resume the run at 110.250 MHz (result 3) ?");
  EXPECT_EQ(Fill(msg::kInvalidString, {"8O"}), "Invalid String : \"8O\"");
  // A missing value leaves its part empty; a text without parts is itself.
  EXPECT_EQ(Fill(msg::kNotAffected), "    Not Affected");
  EXPECT_EQ(Fill(msg::kRunEnded, {"unused"}), "The Run has Ended. ");

  platform::ScriptedOperator op;
  op.QueueAnswer(false);
  Tell(op, msg::kCellInstalled, {"10"});
  EXPECT_FALSE(Ask(op, msg::kOverwriteFile, {"/tmp/a.RF"}));
  op.QueueInput("Wideband");
  EXPECT_EQ(AskInput(op, msg::kTitleInput, "old", {"Fennix"}), "Wideband");
  ASSERT_EQ(op.History().size(), 3U);
  EXPECT_EQ(op.History()[0].Kind, MessageKind::Information);
  EXPECT_EQ(op.History()[0].Text, "Cell 10 Data Successfully Installed");
  EXPECT_EQ(op.History()[1].Kind, MessageKind::Warning);
  EXPECT_EQ(op.History()[1].Text, "Overwrite /tmp/a.RF?");
  EXPECT_EQ(op.History()[2].Text, "Fennix Test Title|Enter Display Title : ");
}

TEST(MessageCatalogueTest, TheCodesTablesOfMessagesAreInTheCatalogue) {
  const auto listed = [](const MessageEntry& entry) {
    for (const MessageEntry& in : MessageCatalogue()) {
      if (in.Text == entry.Text && in.Kind == entry.Kind && in.Shown == entry.Shown) return true;
    }
    return false;
  };
  using engine::EndReason;
  for (const EndReason reason :
       {EndReason::Completed, EndReason::StoppedByUser, EndReason::AmplifierFault,
        EndReason::HardwareFault, EndReason::EutFailure, EndReason::RangeError,
        EndReason::PreScanCompleted, EndReason::MaximumResults, EndReason::InvalidConditions}) {
    EXPECT_TRUE(listed(engine::EndReasonEntry(reason))) << engine::EndReasonMessage(reason);
  }
  using link::FaultCode;
  using link::Unit;
  for (const FaultCode code :
       {FaultCode::SerialNumberNotFound, FaultCode::WriteError, FaultCode::I2cWriteError}) {
    const std::string synth = Fill(link::FaultEntry(code, Unit::Synthesiser), {"2"});
    EXPECT_TRUE(synth.starts_with("Tarvos Fault : ") && synth.ends_with(". #2")) << synth;
    EXPECT_NE(FindMessage(TextShown::Box, MessageKind::Warning, synth), nullptr) << synth;
  }
  for (const FaultCode code :
       {FaultCode::SerialNumberNotFound, FaultCode::WriteError, FaultCode::I2cWriteError,
        FaultCode::SalvoRangeError, FaultCode::SalvoManualMode}) {
    const MessageEntry& salvo = link::FaultEntry(code, Unit::Salvo);
    EXPECT_TRUE(salvo.Text.starts_with("Salvo Fault : ")) << salvo.Text;
    EXPECT_TRUE(listed(salvo)) << salvo.Text;
  }
  // The synthesiser has no Salvo faults.
  EXPECT_TRUE(link::FaultEntry(FaultCode::SalvoRangeError, Unit::Synthesiser).Text.empty());
  EXPECT_EQ(engine::ResumeQuestion({12, 95'123'000}), "Resume the run at 95.123 MHz (result 12) ?");
}

// The guide's table stands between these two lines.
constexpr std::string_view kTableBegin =
    "<!-- the table of messages: made from the catalogue -->\n";
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

// Every picture the guide shows is in docs/, named so that it is installed and packaged
// with the guide (docs/guide-*.png).
TEST(MessageCatalogueTest, TheGuidesPicturesAreThere) {
  const std::string guide = ReadSource("docs/guide.md");
  const std::regex picture("!\\[[^\\]]*\\]\\(([^)]+)\\)");
  int count = 0;
  for (auto it = std::sregex_iterator(guide.begin(), guide.end(), picture);
       it != std::sregex_iterator(); ++it) {
    const std::string name = (*it)[1];
    ++count;
    EXPECT_TRUE(name.starts_with("guide-") && name.ends_with(".png")) << name;
    EXPECT_TRUE(std::ifstream(std::string(TARVOS_SOURCE_DIR) + "/docs/" + name).good()) << name;
  }
  EXPECT_GE(count, 3);
}

}  // namespace
}  // namespace tarvos::screen
