// The main window on the simulated test set: real widgets clicked, the Station behind
// them on virtual time with a scripted operator.

#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFocusEvent>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <memory>

#include "engine/result_operations.h"
#include "scenarios/station_rig.h"
#include "ui/results_graph.h"
#include "ui/widgets.h"
#include "ui/window_rig.h"

namespace tarvos::ui {
namespace {

using scenarios::StationRig;
using screen::LampColour;

TEST(MainWindowTest, TheWindowHasItsSizeCaptionsAndStartsWithTheRunControlsDisabled) {
  WindowRig w;
  EXPECT_EQ(w.window->centralWidget()->size(),
            QSize(MainWindow::kClientWidth, MainWindow::kClientHeight));
  EXPECT_EQ(w.window->windowTitle(), "Brevant Synthesiser Corvid");
  for (const char* caption : {"RUN", "PRE-SCAN", "DWELL", "STANDARD SCAN", "CUSTOM SCAN",
                              "SINGLE POINT"}) {
    EXPECT_FALSE(w.Button(caption)->isEnabled()) << caption;
  }
  EXPECT_TRUE(w.Button("REPORT RESULTS")->isEnabled());
  EXPECT_TRUE(w.Button("EXIT")->isEnabled());
  EXPECT_EQ(w.window->ClockBox()->text(), "Clock");
  for (const char* lamp : {"Ready", "Running", "Settling", "Modulation", "Standby", "OK",
                           "Fault", "Prompt", "Synth.", "P. A.", "Hardware"}) {
    ASSERT_NE(w.window->LampNamed(lamp), nullptr) << lamp;
    EXPECT_EQ(w.window->LampNamed(lamp)->Colour(), LampColour::Off) << lamp;
  }
  EXPECT_FALSE(w.window->MenuAction("&File/Save &Results...")->isEnabled());
  EXPECT_FALSE(w.window->ButtonNamed("Plot Pre-Scan")->isVisibleTo(w.window.get()));
}

TEST(MainWindowTest, StartUpEnablesTheButtonsNamesTheModelAndShowsTheSetupPanel) {
  WindowRig w;
  w.window->show();
  EXPECT_TRUE(w.window->SplashWindow()->isVisible());
  w.StartUp();
  EXPECT_FALSE(w.window->SplashWindow()->isVisible());
  EXPECT_EQ(w.window->windowTitle(), "Brevant Instruments Ltd - Fennix");
  for (const char* caption : {"RUN", "PRE-SCAN", "STANDARD SCAN", "CUSTOM SCAN", "SINGLE POINT",
                              "REPORT RESULTS"}) {
    EXPECT_TRUE(w.Button(caption)->isEnabled()) << caption;
  }
  EXPECT_FALSE(w.Button("DWELL")->isEnabled());
  EXPECT_TRUE(w.window->SetupPanel()->isVisible());
  EXPECT_FALSE(w.window->SinglePanel()->isVisible());
  EXPECT_FALSE(w.window->ReportPanel()->isVisible());
  EXPECT_EQ(w.window->LampNamed("Ready")->Colour(), LampColour::Green);
  w.window->close();
}

TEST(MainWindowTest, TheModeButtonsSwitchPanels) {
  WindowRig w;
  w.window->show();
  w.StartUp();
  w.rig.TakeTexts();
  w.Click("SINGLE POINT");
  EXPECT_TRUE(w.window->SinglePanel()->isVisible());
  EXPECT_FALSE(w.window->SetupPanel()->isVisible());
  w.Click("CUSTOM SCAN");
  EXPECT_TRUE(w.window->SetupPanel()->isVisible());
  EXPECT_TRUE(w.window->findChild<QWidget*>("custom_grid")->isVisible());
  w.Click("REPORT RESULTS");
  EXPECT_TRUE(w.window->ReportPanel()->isVisible());
  EXPECT_FALSE(w.window->SetupPanel()->isVisible());
  w.Click("STANDARD SCAN");
  EXPECT_TRUE(w.window->SetupPanel()->isVisible());
  EXPECT_FALSE(w.window->findChild<QWidget*>("custom_grid")->isVisible());
  w.rig.op.QueueAnswer(true);
  w.window->close();
}

TEST(MainWindowTest, TheScanDwellIsReadOnlyByTheScanValidations) {
  WindowRig w;
  w.window->show();
  w.StartUp();
  w.rig.TakeTexts();
  w.Type("setup.dwell", "x");  // left with Tab: no handler of its own
  EXPECT_TRUE(w.rig.TakeTexts().empty());
  w.Type("setup.field", "3");  // the standard validation reads it
  EXPECT_EQ(w.rig.TakeTexts(),
            (std::vector<std::string>{"Invalid String : \"x\"", "Invalid Dwell Time"}));
  w.rig.op.QueueAnswer(true);
  w.window->close();
}

TEST(MainWindowTest, TheCustomGridNumbersItsRowsFrom1AndShowsItsHintInside) {
  WindowRig w;
  w.window->show();
  w.StartUp();
  w.Click("CUSTOM SCAN");
  auto* grid = w.window->findChild<QTableWidget*>("custom_grid");
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(grid->verticalHeaderItem(0)->text(), "");
  EXPECT_EQ(grid->verticalHeaderItem(1)->text(), "1");
  EXPECT_EQ(grid->verticalHeaderItem(30)->text(), "30");
  EXPECT_EQ(grid->item(0, 0)->text(), "MHz");
  QLabel* hint = nullptr;
  for (QLabel* label : w.window->findChildren<QLabel*>()) {
    if (label->text() == "Use Tab + Alt Tab Keys") hint = label;
  }
  ASSERT_NE(hint, nullptr);
  EXPECT_TRUE(hint->isVisible());
  EXPECT_TRUE(grid->geometry().contains(hint->geometry())) << hint->geometry().y();
  for (QGroupBox* group : w.window->findChildren<QGroupBox*>()) {
    if (group->title() == "EUT Status" || group->title() == "EUT Prompt") {
      EXPECT_FALSE(group->geometry().intersects(hint->geometry())) << group->title().toStdString();
    }
  }
  w.Grab("custom-grid-hint.png");
  // The first click on the grid takes the hint away.
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualItemRect(grid->item(3, 0)).center());
  w.window->Refresh();
  EXPECT_FALSE(hint->isVisible());
  w.rig.op.QueueAnswer(true);
  w.window->close();
}

TEST(MainWindowTest, RunTurnsTheLampsAndCaptionsAndStopEndsIt) {
  WindowRig w;
  w.window->show();
  w.StartUp();
  w.TypeScan("200");
  ASSERT_TRUE(w.rig.St().Validation().SetupValid) << ::testing::PrintToString(w.rig.op.Texts());
  w.rig.TakeTexts();

  bool saw_stop = false, saw_running = false, saw_settling = false, saw_dwell_enabled = false;
  bool stopped = false;
  w.EveryPass([&] {
    QPushButton* run = w.window->ButtonNamed("STOP");
    if (run != nullptr) saw_stop = true;
    if (w.window->LampNamed("Running")->Colour() == LampColour::Green) saw_running = true;
    if (w.window->LampNamed("Settling")->Colour() == LampColour::Blue) saw_settling = true;
    if (QPushButton* dwell = w.window->ButtonNamed("DWELL")) {
      saw_dwell_enabled = saw_dwell_enabled || dwell->isEnabled();
    }
    if (!stopped && engine::ResultCount(w.rig.St().Results()) >= 3 && run != nullptr) {
      stopped = true;
      w.Grab("main-window-during-a-scan.png");
      QTest::mouseClick(run, Qt::LeftButton);  // RUN serves as STOP
    }
  });
  w.Click("RUN");
  w.pass_timer->SetEnabled(false);
  w.window->Refresh();

  EXPECT_TRUE(saw_stop);
  EXPECT_TRUE(saw_running);
  EXPECT_TRUE(saw_settling);
  EXPECT_TRUE(saw_dwell_enabled);
  ASSERT_TRUE(stopped);
  EXPECT_EQ(w.rig.op.Texts(), std::vector<std::string>{"The Run has been Stopped by User. "});
  EXPECT_NE(w.window->ButtonNamed("RUN"), nullptr);
  EXPECT_TRUE(w.Button("RUN")->isEnabled());
  EXPECT_EQ(w.window->LampNamed("Running")->Colour(), LampColour::Off);
  EXPECT_EQ(w.window->LampNamed("Ready")->Colour(), LampColour::Green);
  EXPECT_FALSE(w.rig.St().Run().Running);
  EXPECT_GE(engine::ResultCount(w.rig.St().Results()), 3U);
  // Saves are allowed again.
  EXPECT_TRUE(w.window->MenuAction("&File/&Open")->isEnabled());
  w.rig.op.QueueAnswer(true);
  w.window->close();
}

// The IEC Industrial scan from the Mode menu, watched on the report panel: the graph
// grows with the results while the run goes on.
TEST(MainWindowTest, TheGraphGrowsDuringAnIecScanOnTheReportPanel) {
  WindowRig w;
  w.window->show();
  w.StartUp();
  w.rig.TakeTexts();
  w.window->MenuAction("&Mode/&IEC Tests.../&Industrial")->trigger();
  w.rig.TakeTexts();
  w.Click("REPORT RESULTS");
  ASSERT_TRUE(w.window->ReportPanel()->isVisible());

  std::vector<QImage> graphs;
  bool stopped = false;
  w.EveryPass([&] {
    const uint32_t count = engine::ResultCount(w.rig.St().Results());
    if ((count == 40 || count == 120) && graphs.size() < (count == 40 ? 1U : 2U)) {
      graphs.push_back(w.window->GraphBox()->pixmap(Qt::ReturnByValue).toImage());
    }
    if (!stopped && count >= 120) {
      stopped = true;
      w.Grab("main-window-iec-scan.png");
      QTest::mouseClick(w.Button("STOP"), Qt::LeftButton);
    }
  });
  w.Click("RUN");
  w.pass_timer->SetEnabled(false);
  ASSERT_TRUE(stopped);
  ASSERT_EQ(graphs.size(), 2U);
  // The achieved line of the later graph reaches further right: count its pixels in the
  // colour of the achieved level along the plot.
  const QColor achieved = ColourFromSettings(w.rig.St().Config().AchievedColour);
  const auto rightmost = [&](const QImage& image) {
    int right = -1;
    for (int x = kPlotLeft; x < kPlotRight; ++x) {
      for (int y = kPlotTop; y < kPlotBottom; ++y) {
        if (image.pixelColor(x, y) == achieved) right = x;
      }
    }
    return right;
  };
  EXPECT_GT(rightmost(graphs[0]), kPlotLeft);
  EXPECT_GT(rightmost(graphs[1]), rightmost(graphs[0]) + 100);
  w.rig.op.QueueAnswer(true);
  w.window->close();
}

// A scan saved and opened again through the File menu; "Save &Results..." comes on with
// the first Save As.
TEST(MainWindowTest, AScanIsSavedAndReopenedThroughTheFileMenu) {
  WindowRig w;
  w.window->show();
  w.StartUp();
  w.TypeScan("110");
  w.Click("RUN");
  ASSERT_EQ(engine::ResultCount(w.rig.St().Results()), 3U);
  const auto saved = w.rig.St().Results().Entries;
  w.rig.TakeTexts();

  const std::string file = w.rig.folder.File("scan.RF");
  w.rig.op.QueueFile(file);
  w.window->MenuAction("&File/&Save As/&Results + Setup...")->trigger();
  ASSERT_TRUE(w.rig.folder.Has("scan.RF"));
  EXPECT_TRUE(w.window->MenuAction("&File/Save &Results...")->isEnabled());

  w.rig.op.QueueAnswer(true);
  w.window->MenuAction("&Display/&Clear")->trigger();
  ASSERT_EQ(w.rig.St().Results().Entries[1].Frequency, 0U);  // the entries, not next index
  w.rig.op.QueueFile(file);
  w.window->MenuAction("&File/&Open/&Results + Setup...")->trigger();
  EXPECT_EQ(engine::ResultCount(w.rig.St().Results()), 3U);
  for (std::size_t i = 1; i <= 3; ++i) {
    EXPECT_EQ(w.rig.St().Results().Entries[i].Frequency, saved[i].Frequency) << i;
    EXPECT_NEAR(w.rig.St().Results().Entries[i].Level, saved[i].Level, 0.005) << i;
  }
  EXPECT_TRUE(w.window->ReportPanel()->isVisible());
  w.rig.op.QueueAnswer(true);
  w.window->close();
}

// Every item and separator of a menu, separators as "-".
QStringList Items(QMenu* menu) {
  QStringList items;
  for (QAction* action : menu->actions()) items << (action->isSeparator() ? "-" : action->text());
  return items;
}

TEST(MainWindowTest, EveryMenuItemAndSeparatorStandsInOrder) {
  WindowRig w;
  QStringList bar;
  for (QAction* action : w.window->menuBar()->actions()) bar << action->text();
  EXPECT_EQ(bar,
            QStringList({"&File", "&Display", "&Mode", "&Configure", "&Records", "&Help"}));
  const auto menu = [&](const char* path) {
    QAction* action = w.window->MenuAction(path);
    EXPECT_NE(action, nullptr) << path;
    return action ? Items(action->menu()) : QStringList();
  };
  EXPECT_EQ(menu("&File"), QStringList({"&Open", "Save &Results...", "&Save As", "-", "P&rint",
                                        "Printer Set&up...", "-", "&Title...", "&Notes...", "-",
                                        "E&xit"}));
  const QStringList files = {"&Results + Setup...", "&Setup Only...", "&Pre-Scans..."};
  EXPECT_EQ(menu("&File/&Open"), files);
  EXPECT_EQ(menu("&File/&Save As"), files);
  EXPECT_EQ(menu("&File/P&rint"), QStringList({"Plo&t...", "&Tabular..."}));
  EXPECT_EQ(menu("&Display"),
            QStringList({"&Settings...", "&Clear", "&Show Field Warning Messages"}));
  EXPECT_EQ(menu("&Mode"), QStringList({"&IEC Tests...", "&Standard Mode",
                                        "Single &Frequency Mode", "&Custom Scan"}));
  EXPECT_EQ(menu("&Mode/&IEC Tests..."), QStringList({"&Domestic + Commercial", "&Industrial"}));
  EXPECT_EQ(menu("&Configure"), QStringList({"&Kestrel Series", "&Vantor", "&PA Other",
                                             "&Install Cell File...", "&System..."}));
  EXPECT_EQ(menu("&Records"), QStringList({"Run &Log...", "EUT &Effects...", "-", "&Resume Run"}));
  EXPECT_EQ(menu("&Help"), QStringList({"&Contents", "&Topic Search", "&How to Use Help", "-",
                                        "&Diagnostics", "-", "&About..."}));
}

TEST(MainWindowTest, TheConfigureChecksFollowTheAmplifierAndTheWarningItemToggles) {
  WindowRig w;
  w.StartUp();
  QAction* vantor = w.window->MenuAction("&Configure/&Vantor");
  vantor->trigger();
  EXPECT_TRUE(vantor->isChecked());
  EXPECT_FALSE(w.window->MenuAction("&Configure/&Kestrel Series")->isChecked());
  EXPECT_FALSE(w.window->MenuAction("&Configure/&PA Other")->isChecked());
  QAction* warnings = w.window->MenuAction("&Display/&Show Field Warning Messages");
  EXPECT_FALSE(warnings->isChecked());
  warnings->trigger();
  EXPECT_TRUE(warnings->isChecked());
  EXPECT_TRUE(w.rig.Screen().menus.show_field_warnings);
}

TEST(MainWindowTest, TheGraphBoxShowsTheRedrawnGraphAndTheRangeButtonsChooseTheRange) {
  WindowRig w;
  w.window->show();
  w.StartUp();
  w.Click("REPORT RESULTS");
  const QPixmap graph = w.window->GraphBox()->pixmap(Qt::ReturnByValue);
  ASSERT_FALSE(graph.isNull());
  EXPECT_EQ(graph.size(), QSize(kGraphWidth, kGraphHeight));
  w.Click("1.0GHz-2.4GHz");
  EXPECT_EQ(w.rig.St().Setup().RangeChoice, 1);
  EXPECT_TRUE(w.Button("1.0GHz-2.4GHz")->isChecked());
  EXPECT_FALSE(w.Button("30MHz-1.0GHz")->isChecked());
  w.rig.op.QueueAnswer(true);
  w.window->close();
}

TEST(MainWindowTest, TheCloseBoxAsksAndNoKeepsTheWindow) {
  WindowRig w;
  w.window->show();
  w.StartUp();
  w.rig.TakeTexts();
  w.rig.op.QueueAnswer(false);
  w.window->close();
  EXPECT_TRUE(w.window->isVisible());
  EXPECT_EQ(w.rig.op.Texts(), std::vector<std::string>{"Close Fennix ?"});
  EXPECT_FALSE(w.rig.St().Closed());
  w.rig.op.QueueAnswer(true);
  w.Click("EXIT");
  EXPECT_FALSE(w.window->isVisible());
  EXPECT_TRUE(w.rig.St().Closed());
}

TEST(MainWindowTest, ARightPressOnTheClockOpensTheTestForm) {
  WindowRig w;
  int opened = 0;
  WindowHooks hooks;
  hooks.ShowTestForm = [&opened] { ++opened; };
  MainWindow window(w.rig.St(), hooks);
  auto* clock = static_cast<ClockLabel*>(window.ClockBox());
  QTest::mouseClick(clock, Qt::LeftButton);
  EXPECT_EQ(opened, 0);
  QTest::mouseClick(clock, Qt::RightButton);
  EXPECT_EQ(opened, 1);
}

}  // namespace
}  // namespace tarvos::ui
