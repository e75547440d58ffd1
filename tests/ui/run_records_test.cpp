// The Records menu's windows on the offscreen platform: the run log following a run, the
// EUT's fault episodes from the log and from a results file, a file that is not a log,
// and both tables printed.

#include "ui/run_records.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QMenuBar>
#include <QTemporaryDir>

#include "scenarios/scan_helpers.h"
#include "scenarios/station_rig.h"
#include "ui/operator_window.h"

namespace tarvos::ui {
namespace {

using engine::RunPhase;

const sim::EutProfile kFailsAt105{{104.0, 106.0, 2.0}};

QString Cell(const QTableWidget& table, int row, int column) {
  const QTableWidgetItem* item = table.item(row, column);
  return item ? item->text() : QString();
}

int PdfPages(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return -1;
  return static_cast<int>(file.readAll().count("/Type /Page\n"));
}

TEST(RunRecordsTest, TheRecordsMenuStandsBetweenConfigureAndHelp) {
  scenarios::StationRig rig;
  QtOperator op;
  OperatorWindow window(rig.St(), op);
  QStringList titles;
  for (QAction* action : window.Main().menuBar()->actions()) titles << action->text();
  EXPECT_EQ(titles, (QStringList{"&File", "&Display", "&Mode", "&Configure", "&Records", "&Help"}));
  const QMenu* records = window.Main().menuBar()->actions()[4]->menu();
  ASSERT_NE(records, nullptr);
  QStringList items;
  for (QAction* action : records->actions()) items << action->text();
  EXPECT_EQ(items, (QStringList{"Run &Log...", "EUT &Effects...", "", "&Resume Run"}));
}

TEST(RunRecordsTest, ResumeRunIsOfferedForResultsInTheStoreAndResumesThem) {
  scenarios::StationRig rig;
  scenarios::PrepareSmallScan(rig, {"100", "130", "5", "3", "1"});
  QtOperator op;
  OperatorWindow window(rig.St(), op);
  QAction* resume = window.Main().menuBar()->actions()[4]->menu()->actions().back();
  ASSERT_EQ(resume->text(), "&Resume Run");
  window.Refresh();
  EXPECT_FALSE(resume->isEnabled());

  scenarios::Watch watch(rig);
  bool offered_in_run = true;
  watch.AtPhase(RunPhase::Dwell, 3, [&] {
    window.Refresh();
    offered_in_run = resume->isEnabled();
    rig.St().PressRun();
  });
  rig.St().PressRun();
  EXPECT_FALSE(offered_in_run);
  window.Refresh();
  EXPECT_TRUE(resume->isEnabled());
  rig.TakeTexts();

  rig.op.QueueAnswer(true);
  resume->trigger();
  EXPECT_EQ(rig.TakeTexts(), (std::vector<std::string>{"Resume the run at 105.000 MHz (result 2) ?",
                                                        "The Run has Ended. "}));
  EXPECT_EQ(engine::ResultCount(rig.St().Results()), 7u);
  window.Refresh();
  // Still offered: choosing it now says that the scan has reached its finish.
  EXPECT_TRUE(resume->isEnabled());
}

TEST(RunRecordsTest, TheRunLogFollowsARunAndTheEffectsShowItsEpisode) {
  scenarios::StationRig rig;
  scenarios::PrepareSmallScan(rig);
  rig.St().ChooseEutStatus(2);
  rig.sim.SetEutProfile(kFailsAt105);
  QtOperator op;
  OperatorWindow window(rig.St(), op);
  RunLogWindow& log = window.RunLog();
  log.Run();
  EXPECT_EQ(log.Table()->rowCount(), 0);
  EXPECT_EQ(log.Source()->text(), "No run has been logged yet.");

  // In the middle of the run, as the window's loop refreshes it after each pass.
  scenarios::Watch watch(rig);
  int rows_in_dwell = -1;
  watch.AtPhase(RunPhase::Dwell, 2, [&] {
    window.Refresh();
    rows_in_dwell = log.Table()->rowCount();
    EXPECT_EQ(static_cast<std::size_t>(rows_in_dwell), rig.St().Recorder().Rows().size());
    EXPECT_EQ(Cell(*log.Table(), rows_in_dwell - 1, 2), "step");
  });
  rig.St().PressRun();
  watch.Stop();
  window.Refresh();
  const int rows = log.Table()->rowCount();
  EXPECT_GT(rows, rows_in_dwell);
  EXPECT_EQ(static_cast<std::size_t>(rows), rig.St().Recorder().Rows().size());
  EXPECT_EQ(Cell(*log.Table(), 0, 2), "start");
  EXPECT_EQ(Cell(*log.Table(), rows - 1, 2), "end");
  EXPECT_EQ(log.Source()->text().toStdString(), rig.St().Recorder().Path());
  EXPECT_EQ(log.Table()->horizontalHeaderItem(4)->text(), "frequency_mhz");

  EutEffectsWindow& effects = window.EutEffects();
  effects.Run();
  ASSERT_EQ(effects.Table()->rowCount(), 1);
  EXPECT_EQ(Cell(*effects.Table(), 0, 0), "105.000");
  EXPECT_EQ(Cell(*effects.Table(), 0, 2), "1");
  EXPECT_EQ(Cell(*effects.Table(), 0, 3), "3.00");
  EXPECT_FALSE(Cell(*effects.Table(), 0, 4).isEmpty());
  EXPECT_TRUE(effects.Note()->text().startsWith("From the run log "));
  // For a person to look at.
  QDir().mkpath(TARVOS_GRAB_DIR);
  log.grab().save(QString(TARVOS_GRAB_DIR) + "run-log.png");
  effects.grab().save(QString(TARVOS_GRAB_DIR) + "eut-effects.png");

  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QPrinter& printer = window.Printer();
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(dir.filePath("log.pdf"));
  ASSERT_TRUE(log.PrintOn(printer));
  EXPECT_GE(PdfPages(dir.filePath("log.pdf")), 1);
  printer.setOutputFileName(dir.filePath("effects.pdf"));
  ASSERT_TRUE(effects.PrintOn(printer));
  EXPECT_EQ(PdfPages(dir.filePath("effects.pdf")), 1);

  // Saved as the program's files are: the effects as CSV, the log as the log file has it.
  rig.op.QueueFile(rig.folder.File("effects.csv"));
  rig.St().RecordsWindows().SaveEffectsAs();
  EXPECT_EQ(rig.folder.Lines("effects.csv")[0], records::kEpisodesHeader);
  EXPECT_TRUE(rig.folder.Lines("effects.csv")[1].starts_with("1,105.000,105.000,1,3.00,3.00,"));
  rig.op.QueueFile(rig.folder.File("copy.csv"));
  rig.St().RecordsWindows().SaveLogAs();
  EXPECT_EQ(platform::ReadFileBytes(rig.folder.File("copy.csv")), rig.St().Recorder().Content());
}

TEST(RunRecordsTest, ResultsFromAFileGiveEpisodesWithoutTimesAndOtherFilesAreNotLogs) {
  scenarios::StationRig rig;
  scenarios::PrepareSmallScan(rig);
  rig.St().ChooseEutStatus(2);
  rig.sim.SetEutProfile(kFailsAt105);
  rig.St().PressRun();
  const std::string results = rig.folder.File("eut.RF");
  ASSERT_TRUE(rig.St().Files().SaveResultsTo(results));
  ASSERT_TRUE(rig.St().Files().OpenResultsFrom(results));
  rig.TakeTexts();

  QtOperator op;
  OperatorWindow window(rig.St(), op);
  EutEffectsWindow& effects = window.EutEffects();
  effects.Run();
  EXPECT_EQ(effects.Note()->text().toStdString(), station::kEpisodesFromResultsFile);
  ASSERT_GE(effects.Table()->rowCount(), 1);
  EXPECT_TRUE(Cell(*effects.Table(), 0, 4).isEmpty()) << "no times in a results file";

  // A results file chosen as a log is refused with its name; the log shown stays.
  RunLogWindow& log = window.RunLog();
  log.Run();
  const int rows = log.Table()->rowCount();
  EXPECT_FALSE(rig.St().RecordsWindows().OpenLogFrom(results));
  EXPECT_EQ(rig.TakeTexts(), std::vector<std::string>{"Not a run log: eut.RF"});
  log.Refresh();
  EXPECT_EQ(log.Table()->rowCount(), rows);

  // The log of the run, opened from logs/, is shown instead, and its episodes with it.
  rig.op.QueueFile(rig.St().Recorder().Path());
  ASSERT_TRUE(rig.St().RecordsWindows().OpenLog());
  ASSERT_FALSE(rig.op.History().empty());
  EXPECT_EQ(rig.op.History().back().Text, "Open Run Log");
  log.Refresh();
  EXPECT_EQ(log.Table()->rowCount(), rows);
  effects.Refresh();
  EXPECT_TRUE(effects.Note()->text().startsWith("From the run log "));
  EXPECT_FALSE(Cell(*effects.Table(), 0, 4).isEmpty());
}

}  // namespace
}  // namespace tarvos::ui
