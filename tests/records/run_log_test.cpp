// The run log's rows as the file holds them, read back without trusting a number, and the
// EUT's fault episodes made from them.
#include "records/run_log.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvos::records {
namespace {

using ::testing::ElementsAre;

RunLogRow Row(std::string_view event, double elapsed, std::optional<double> mhz = {},
              std::optional<double> target = {}) {
  RunLogRow row;
  row.Time = "2026-12-09 10:00:00.000";
  row.ElapsedS = elapsed;
  row.Event = std::string(event);
  row.FrequencyMhz = mhz;
  row.TargetVm = target;
  return row;
}

TEST(RunLogTest, ARowIsItsFieldsWithTextsQuotedAsCsvWantsThem) {
  RunLogRow row = Row(run_event::kStep, 12.3456, 105.0, 3.0);
  row.Step = 2;
  row.LevelVm = 2.996;
  row.Dac = 1234;
  row.Eut = 1;
  EXPECT_EQ(RunLogLine(row), "2026-12-09 10:00:00.000,12.346,step,2,105.000,3.00,3.00,1234,1,");
  row.Text = "mode=Standard; title=\"A, B\"";
  EXPECT_EQ(RunLogLine(row).substr(RunLogLine(row).rfind(",1,") + 3),
            "\"mode=Standard; title=\"\"A, B\"\"\"");
  EXPECT_EQ(CsvField("two\r\nlines"), "\"two\r\nlines\"");
  EXPECT_EQ(CsvField("plain"), "plain");
  // Fields an event has none of stay empty.
  EXPECT_EQ(RunLogLine(Row(run_event::kHold, 0)), "2026-12-09 10:00:00.000,0.000,hold,,,,,,,");
}

TEST(RunLogTest, TheTimeIsWrittenToTheMillisecond) {
  EXPECT_EQ(LogTimeText({2026, 12, 9, 10, 5, 3, 234}), "2026-12-09 10:05:03.234");
  EXPECT_EQ(LogTimeText({2027, 1, 1, 0, 0, 0, 1}), "2027-01-01 00:00:00.001");
  EXPECT_EQ(LogTimeText({2028, 2, 29, 23, 59, 59, 999}), "2028-02-29 23:59:59.999");
  EXPECT_EQ(RunLogName({2026, 1, 2, 3, 4, 5}), "run-20260102-030405");
}

TEST(RunLogTest, ALogReadsBackAndAnythingElseIsNotALog) {
  RunLogRow start = Row(run_event::kStart, 0);
  start.Text = "title=\"Quoted, with comma\"\nand a line end";
  RunLogRow step = Row(run_event::kStep, 1.5, 100.0, 3.0);
  step.Step = 1;
  step.Dac = 900;
  const std::string content = std::string(kRunLogHeader) + "\r\n" + RunLogLine(start) + "\r\n" +
                              RunLogLine(step) + "\r\n";
  const auto rows = ReadRunLog(content);
  ASSERT_TRUE(rows);
  ASSERT_EQ(rows->size(), 2u);
  EXPECT_EQ((*rows)[0].Text, start.Text);
  EXPECT_EQ((*rows)[1].Step, 1u);
  EXPECT_EQ((*rows)[1].FrequencyMhz, 100.0);
  EXPECT_EQ((*rows)[1].Dac, 900);
  EXPECT_FALSE((*rows)[1].LevelVm);

  EXPECT_FALSE(ReadRunLog("Tarvos results\r\n1;2;3\r\n"));
  EXPECT_FALSE(ReadRunLog(""));
  // Numbers that do not read are left out; a row of another width is skipped; a quote
  // left open at the end (the event in progress at a crash) ends the rows.
  const auto odd = ReadRunLog(std::string(kRunLogHeader) +
                              "\r\nx,abc,step,-1,1e999,nan,,9999999999999999999999,2,\r\n"
                              "a,b\r\n"
                              "t,2.0,eut-ok,,,,,,1,\"unfinished");
  ASSERT_TRUE(odd);
  ASSERT_EQ(odd->size(), 1u);
  EXPECT_EQ((*odd)[0].ElapsedS, 0.0);
  EXPECT_FALSE((*odd)[0].Step);
  EXPECT_FALSE((*odd)[0].FrequencyMhz);
  EXPECT_FALSE((*odd)[0].TargetVm);
  EXPECT_FALSE((*odd)[0].Dac);
  EXPECT_EQ((*odd)[0].Eut, 2);
}

TEST(RunLogTest, EpisodesRunFromAFaultToTheNextOkOrTheEnd) {
  RunLogRow step2 = Row(run_event::kStep, 9.0, 105.0, 3.0);
  RunLogRow step3 = Row(run_event::kStep, 14.0, 110.25, 10.0);
  const std::vector<RunLogRow> rows = {
      Row(run_event::kStart, 0),
      Row(run_event::kEutOk, 0.5, 100.0, 3.0),
      Row(run_event::kEutFault, 6.0, 105.0, 3.0),
      step2,
      Row(run_event::kEutOk, 12.2, 110.25, 3.0),
      Row(run_event::kEutFault, 13.0, 110.25, 3.0),
      step3,
      Row(run_event::kEnd, 20.0),
  };
  const auto episodes = EutEpisodes(rows);
  EXPECT_THAT(EpisodeLines(episodes),
              ElementsAre("eut fault: 105.000 MHz to 105.000 MHz, 1 step, 3.00 V/m, 6.2 s",
                          "eut fault: 110.250 MHz to 110.250 MHz, 1 step, 3.00 to 10.00 V/m, "
                          "7.0 s, still failing at the end"));
  EXPECT_THAT(EpisodeLines({}), ElementsAre("eut fault: none"));
  EXPECT_THAT(EpisodeLines(EutEpisodes({Row(run_event::kStart, 0), Row(run_event::kEutOk, 1)})),
              ElementsAre("eut fault: none"));
  // A fault without steps inside it.
  EXPECT_THAT(EpisodeLines(EutEpisodes({Row(run_event::kEutFault, 1, 80.0, 10.0),
                                         Row(run_event::kEutOk, 1.5, 80.0, 10.0)})),
              ElementsAre("eut fault: 80.000 MHz to 80.000 MHz, 0 steps, 10.00 V/m, 0.5 s"));
  EXPECT_EQ(EpisodesCsv(episodes),
            std::string(kEpisodesHeader) +
                "\r\n1,105.000,105.000,1,3.00,3.00,6.2,no\r\n"
                "2,110.250,110.250,1,3.00,10.00,7.0,yes\r\n");
}

TEST(RunLogTest, AResultsFileGivesTheRunsOfItsFaultEntries) {
  engine::ResultStore results;
  const uint16_t statuses[] = {1, 2, 2, 0, 1, 2};
  for (uint32_t i = 0; i < 6; ++i) {
    results.Entries[i + 1].Frequency = 100'000'000 + i * 1'000'000;
    results.Entries[i + 1].EutStatus = statuses[i];
  }
  results.NextIndex = 7;
  EXPECT_THAT(EpisodeLines(EutEpisodesOfResults(results)),
              ElementsAre("eut fault: 101.000 MHz to 102.000 MHz, 2 steps",
                          "eut fault: 105.000 MHz to 105.000 MHz, 1 step, still failing at the end"));
}

}  // namespace
}  // namespace tarvos::records
