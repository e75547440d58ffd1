#include "app/batch_run.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <ctime>
#include <sstream>
#include <string>

#include "app/batch_options.h"

namespace tarvos::app {
namespace {

using engine::EndReason;

TEST(StepLineTest, FrequencyInMegahertzWithThreeDecimalsLevelWithTwo) {
  EXPECT_EQ(StepLine(1, {80'000'000, 10.004, engine::kEutOk}), "step 1: 80.000 MHz, 10.00 V/m\n");
  EXPECT_EQ(StepLine(17, {81'608'000, 9.996, engine::kEutNothing}),
            "step 17: 81.608 MHz, 10.00 V/m\n");
  EXPECT_EQ(StepLine(255, {1'000'000'000, 0.0, engine::kEutFault}),
            "step 255: 1000.000 MHz, 0.00 V/m\n");
  // Hz below the third decimal are rounded, not cut.
  EXPECT_EQ(StepLine(2, {82'424'580, 3.14159, 0}), "step 2: 82.425 MHz, 3.14 V/m\n");
  EXPECT_EQ(StepLine(1995, {4'294'967'295, 123.456, 0}), "step 1995: 4294.967 MHz, 123.46 V/m\n");
}

TEST(ExitStatusTest, OnlyALastStepOrTheCommandLinesStopIsSuccess) {
  EXPECT_EQ(ExitStatusFor(EndReason::Completed, false), kExitDone);
  EXPECT_EQ(ExitStatusFor(EndReason::PreScanCompleted, false), kExitDone);
  EXPECT_EQ(ExitStatusFor(EndReason::StoppedByUser, true), kExitDone);
  EXPECT_EQ(ExitStatusFor(EndReason::StoppedByUser, false), kExitRunEnded);
  for (EndReason reason :
       {EndReason::AmplifierFault, EndReason::HardwareFault, EndReason::EutFailure,
        EndReason::RangeError, EndReason::MaximumResults, EndReason::InvalidConditions}) {
    EXPECT_EQ(ExitStatusFor(reason, false), kExitRunEnded) << static_cast<int>(reason);
    EXPECT_EQ(ExitStatusFor(reason, true), kExitRunEnded) << static_cast<int>(reason);
  }
  EXPECT_EQ(ExitStatusFor(std::nullopt, false), kExitRunEnded);
}

TEST(LocalReadingTest, TakesTheCalendarOfTheLocalZone) {
  const char* saved = std::getenv("TZ");
  const std::string saved_zone = saved ? saved : "";
  ::setenv("TZ", "UTC", 1);
  ::tzset();
  // 7 December 2026 23:05:09.042 UTC.
  const station::ClockReading reading = LocalReading(1796684709'042);
  EXPECT_EQ(reading.Year, 2026);
  EXPECT_EQ(reading.Month, 12);
  EXPECT_EQ(reading.Day, 7);
  EXPECT_EQ(reading.Hour, 23);
  EXPECT_EQ(reading.Minute, 5);
  EXPECT_EQ(reading.Second, 9);
  EXPECT_EQ(reading.Millisecond, 42);
  // Before 1970 the milliseconds still count forwards within their second.
  EXPECT_EQ(LocalReading(-1).Second, 59);
  EXPECT_EQ(LocalReading(-1).Millisecond, 999);
  ::setenv("TZ", "CET-1", 1);
  ::tzset();
  EXPECT_EQ(LocalReading(1796684709'000).Day, 8);
  EXPECT_EQ(LocalReading(1796684709'000).Hour, 0);
  if (saved) {
    ::setenv("TZ", saved_zone.c_str(), 1);
  } else {
    ::unsetenv("TZ");
  }
  ::tzset();
}

TEST(RunBatchTest, HelpGoesToStandardOutput) {
  std::ostringstream out, err;
  // Without a printer, as tarvos-batch runs it: its own usage.
  EXPECT_EQ(RunBatch({"--batch", "x", "--help"}, nullptr, out, err), kExitDone);
  EXPECT_EQ(out.str(), UsageText(Program::BatchOnly));
  EXPECT_EQ(err.str(), "");
}

TEST(RunBatchTest, ABadCommandLineIsOneErrorLineAndTheHint) {
  std::ostringstream out, err;
  EXPECT_EQ(
      RunBatch({"--batch", "a.STP", "--results", "a.RF", "--answer", "maybe"}, nullptr, out, err),
      kExitCannotStart);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(err.str(),
            "error: --answer needs yes or no, not 'maybe'\n"
            "Run tarvos-batch --help for the options.\n");
}

TEST(RunBatchTest, WithoutAPrinterThePdfOptionsAreRefusedBeforeTheRun) {
  std::ostringstream out, err;
  EXPECT_EQ(RunBatch({"--batch", "a.STP", "--results", "a.RF", "--report-pdf", "p.pdf"}, nullptr,
                     out, err),
            kExitCannotStart);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(err.str(),
            "error: printing the reports needs the program with the window: tarvos --batch\n");
}

}  // namespace
}  // namespace tarvos::app
