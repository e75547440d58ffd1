// The guide's picture of the window: an IEC Industrial scan on the simulated test set,
// its regions numbered as the guide's legend lists them. The clock, the simulator's seed
// and the font are fixed, so the picture changes only when the window does; make
// screenshots copies it into docs/.

#include <gtest/gtest.h>

#include <QFont>
#include <QFrame>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <array>

#include "engine/result_operations.h"
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
  w.EveryPass([&] {
    // In the dwell of the step at 120 MHz or so, the EUT working.
    if (picture.isNull() && engine::ResultCount(w.rig.St().Results()) >= 41 &&
        w.rig.St().Run().Phase == engine::RunPhase::Dwell) {
      picture = w.window->grab();
      QTest::mouseClick(w.Button("STOP"), Qt::LeftButton);
    }
  });
  w.Click("RUN");
  w.pass_timer->SetEnabled(false);
  ASSERT_FALSE(picture.isNull());

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
  QDir().mkpath(TARVOS_GRAB_DIR);
  EXPECT_TRUE(picture.save(QString(TARVOS_GRAB_DIR) + "guide-window.png"));
  EXPECT_EQ(picture.width(), w.window->width());

  w.rig.op.QueueAnswer(true);
  w.window->close();
}

}  // namespace
}  // namespace tarvos::ui
