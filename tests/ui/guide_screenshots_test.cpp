// The guide's pictures: the window during an IEC Industrial scan on the simulated test
// set, its regions numbered as the guide's legend lists them, and the Records menu's Run
// Log and EUT Effects windows after a scan in which the EUT failed. The clock, the
// simulator's seed and the font are fixed, so a picture changes only when its window
// does; make screenshots copies them into docs/.

#include <gtest/gtest.h>

#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QTableWidget>
#include <array>

#include "engine/result_operations.h"
#include "scenarios/scan_helpers.h"
#include "ui/operator_window.h"
#include "ui/run_records.h"
#include "ui/window_rig.h"

namespace tarvos::ui {
namespace {

// Where each numbered callout stands, in the window's client area: the corner of the
// region the guide's legend names.
struct Callout {
  int Number;
  QPoint At;
};
constexpr std::array<Callout, 8> kRegions = {{
    {1, {92, 14}},    // STATUS lamps
    {2, {92, 206}},   // EUT lamps
    {3, {92, 330}},   // FAULT lamps
    {4, {470, 16}},   // title and clock
    {5, {776, 44}},   // the work area's panel
    {6, {776, 368}},  // monitor strip
    {7, {382, 480}},  // run buttons
    {8, {776, 480}},  // mode buttons
}};

void DrawCallout(QPainter& painter, QPoint centre, int number) {
  painter.setPen(QPen(Qt::white, 2));
  painter.setBrush(QColor(200, 30, 30));
  painter.drawEllipse(centre, 11, 11);
  QFont font("DejaVu Sans");
  font.setPixelSize(13);
  font.setBold(true);
  painter.setFont(font);
  painter.drawText(QRect(centre.x() - 11, centre.y() - 11, 22, 22), Qt::AlignCenter,
                   QString::number(number));
}

TEST(GuideScreenshotsTest, TheWindowDuringAnIecScanWithItsRegionsNumbered) {
  QApplication::setFont(QFont("DejaVu Sans", 9));
  WindowRig w;
  w.window->show();
  w.StartUp();
  w.rig.TakeTexts();
  w.rig.St().IecIndustrial();
  ASSERT_TRUE(w.rig.St().Validation().SetupValid) << ::testing::PrintToString(w.rig.op.Texts());
  w.rig.TakeTexts();

  QPixmap picture;
  QPixmap report;
  w.EveryPass([&] {
    // In the dwell of the step at 120 MHz or so, the EUT working: the setup panel, then
    // the graph.
    if (picture.isNull() && engine::ResultCount(w.rig.St().Results()) >= 41 &&
        w.rig.St().Run().Phase == engine::RunPhase::Dwell) {
      picture = w.window->grab();
      QTest::mouseClick(w.Button("REPORT RESULTS"), Qt::LeftButton);
      w.window->Refresh();
      report = w.window->grab();
      QTest::mouseClick(w.Button("STOP"), Qt::LeftButton);
    }
  });
  w.Click("RUN");
  w.pass_timer->SetEnabled(false);
  ASSERT_FALSE(picture.isNull());
  QDir().mkpath(TARVOS_GRAB_DIR);
  // The README's picture: the same moment with the graph.
  EXPECT_TRUE(report.save(QString(TARVOS_GRAB_DIR) + "window-during-an-iec-scan.png"));

  const QPoint client = w.window->centralWidget()->mapTo(w.window.get(), QPoint(0, 0));
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  for (const Callout& callout : kRegions) DrawCallout(painter, client + callout.At, callout.Number);
  // 9: the menus, after the last title of the bar.
  const QMenuBar* bar = w.window->menuBar();
  const QRect last = bar->actionGeometry(bar->actions().back());
  DrawCallout(painter, bar->mapTo(w.window.get(), last.topRight()) + QPoint(16, last.height() / 2),
              9);
  painter.end();
  EXPECT_TRUE(picture.save(QString(TARVOS_GRAB_DIR) + "guide-window.png"));
  EXPECT_EQ(picture.width(), w.window->width());

  w.rig.op.QueueAnswer(true);
  w.window->close();
}

// The test's program folder is a temporary one; the picture shows the folder an engineer
// on Linux has, the rest of the path as the program wrote it.
void AsInTheUsersFolder(QLabel& label, const std::string& folder) {
  QString text = label.text();
  text.replace(QString::fromStdString(folder),
               "/home/engineer/.local/share/Brevant Instruments Ltd/Tarvos/");
  label.setText(text);
}

TEST(GuideScreenshotsTest, TheRunLogAndTheEutEffectsOfAScanInWhichTheEutFailed) {
  QApplication::setFont(QFont("DejaVu Sans", 9));
  scenarios::StationRig rig;
  scenarios::PrepareSmallScan(rig, {"100", "125", "2", "3", "1"});
  rig.St().ChooseEutStatus(2);  // Continue: the faults are recorded, the scan goes on
  rig.sim.SetEutProfile({{105.0, 113.0, 2.0}});
  rig.St().PressRun();
  ASSERT_FALSE(rig.St().Run().Running);
  ASSERT_EQ(rig.TakeTexts(), std::vector<std::string>{"The Run has Ended. "});

  QtOperator op;
  OperatorWindow window(rig.St(), op);
  window.Refresh();
  QDir().mkpath(TARVOS_GRAB_DIR);

  RunLogWindow& log = window.RunLog();
  log.Run();
  window.Refresh();
  ASSERT_GT(log.Table()->rowCount(), 10);
  AsInTheUsersFolder(*log.Source(), rig.folder.Path());
  log.resize(980, 470);
  EXPECT_TRUE(log.grab().save(QString(TARVOS_GRAB_DIR) + "guide-run-log.png"));

  EutEffectsWindow& effects = window.EutEffects();
  effects.Run();
  window.Refresh();
  ASSERT_EQ(effects.Table()->rowCount(), 1);
  AsInTheUsersFolder(*effects.Note(), rig.folder.Path());
  effects.resize(820, 180);
  EXPECT_TRUE(effects.grab().save(QString(TARVOS_GRAB_DIR) + "guide-eut-effects.png"));
  log.close();
  effects.close();
}

}  // namespace
}  // namespace tarvos::ui
