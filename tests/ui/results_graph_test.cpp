#include "ui/results_graph.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QPainter>
#include <string>

#include "platform/scripted_operator.h"
#include "ui/latin1.h"

namespace tarvos::ui {
namespace {

constexpr uint32_t Mhz(double mhz) { return static_cast<uint32_t>(mhz * 1'000'000.0); }

TEST(GraphMappingTest, FrequencyEdgesOfEachRange) {
  EXPECT_EQ(FrequencyToX(Mhz(30), 0), 32);
  EXPECT_EQ(FrequencyToX(Mhz(1000), 0), 632);
  EXPECT_EQ(FrequencyToX(Mhz(100), 0), 238);  // 393.99 * 2.0000 - 550 = 237.98
  EXPECT_EQ(FrequencyToX(Mhz(1000), 1), 32);
  EXPECT_EQ(FrequencyToX(Mhz(2400), 1), 632);
  EXPECT_EQ(FrequencyToX(Mhz(30), 2), 32);
  EXPECT_EQ(FrequencyToX(Mhz(2400), 2), 632);
  for (uint8_t range = 0; range <= 2; ++range) {
    EXPECT_EQ(FrequencyToX(Mhz(5), range), FrequencyToX(Mhz(10), range)) << int{range};
    EXPECT_EQ(FrequencyToX(0, range), FrequencyToX(Mhz(10), range));
    EXPECT_EQ(FrequencyToX(4'000'000'000U, range), 632);  // piles up at the right edge
  }
  EXPECT_EQ(FrequencyToX(Mhz(10), 0), 32);   // below the range: left edge
  EXPECT_EQ(FrequencyToX(Mhz(500), 7), 32);  // an unknown range gives 1, clamped
}

TEST(GraphMappingTest, LevelsByCellRangeRoundTiesToEvenAndClamp) {
  platform::ScriptedOperator op;
  EXPECT_EQ(LevelToY(15.0, 1, op), 4);  // 254 - 250
  EXPECT_EQ(LevelToY(0.0, 1, op), 254);
  EXPECT_EQ(LevelToY(20.0, 1, op), 4);
  EXPECT_EQ(LevelToY(-3.0, 1, op), 254);
  EXPECT_EQ(LevelToY(3.0, 1, op), 204);  // 50.01
  EXPECT_EQ(LevelToY(30.0, 2, op), 4);
  EXPECT_EQ(LevelToY(15.0, 2, op), 129);  // 125.025
  EXPECT_EQ(LevelToY(40.0, 3, op), 4);
  EXPECT_EQ(LevelToY(10.0, 3, op), 192);  // 62.5 rounds to 62
  EXPECT_EQ(LevelToY(1.5, 3, op), 245);   // 9.375
  EXPECT_TRUE(op.History().empty());
}

TEST(GraphMappingTest, UnknownCellRangeReportsSoftwareErrorAndGivesRowZero) {
  platform::ScriptedOperator op;
  EXPECT_EQ(LevelToY(5.0, 0, op), 0);
  EXPECT_EQ(LevelToY(5.0, 4, op), 0);
  ASSERT_EQ(op.History().size(), 2U);
  EXPECT_EQ(op.History()[0].Kind, platform::MessageKind::Plain);
  EXPECT_EQ(op.History()[0].Text, "Tarvos Software Error 1");
}

TEST(GraphMappingTest, DacValues) {
  EXPECT_EQ(DacToY(65535), 4);
  EXPECT_EQ(DacToY(0), 254);
  EXPECT_EQ(DacToY(131), 254);  // 0.5 rounds to 0
  EXPECT_EQ(DacToY(393), 252);  // 1.5 rounds to 2
  EXPECT_EQ(DacToY(26200), 154);
}

TEST(GraphMappingTest, SettingsColoursAreBlueGreenRed) {
  EXPECT_EQ(ColourFromSettings(0x00808000U), QColor(0, 128, 128));
  EXPECT_EQ(ColourFromSettings(0x000000FFU), QColor(255, 0, 0));
  EXPECT_EQ(ColourFromSettings(0x00FF0000U), QColor(0, 0, 255));
}

// --- the drawn image

constexpr uint32_t kTeal = 0x00808000U;
constexpr uint32_t kBlack = 0x00000000U;
constexpr uint32_t kWhite = 0x00FFFFFFU;
constexpr uint32_t kOrange = 0x0000A5FFU;
constexpr uint32_t kBlue = 0x00FF0000U;
constexpr uint32_t kLime = 0x0000FF00U;
constexpr uint32_t kRed = 0x000000FFU;
constexpr uint32_t kGreen = 0x00008000U;

class GraphImageTest : public ::testing::Test {
 protected:
  GraphImageTest() {
    colours_.BorderColour = kTeal;
    colours_.GridColour = kBlack;
    colours_.BackgroundColour = kWhite;
    colours_.SetPointColour = kOrange;
    colours_.AchievedColour = kBlue;
    colours_.EutOkColour = kLime;
    colours_.EutFailColour = kRed;
    colours_.PreScanColour = kGreen;
    setup_.TestMode = setup::kStandard;
    setup_.RangeChoice = 0;
    setup_.StartFrequency = Mhz(100);
    setup_.EndFrequency = Mhz(200);
    setup_.FieldStrength = 3.0F;
    cell_.CellRange = 1;
    cell_.MaxField = 15.0F;
  }

  QImage Draw() { return RedrawGraph({setup_, cell_, colours_, results_, pre_scan_, graph_, op_}); }
  void Record(uint32_t index, uint32_t frequency, double level, uint16_t status) {
    results_.Entries[index] = {frequency, level, status};
  }
  static QColor At(const QImage& image, int x, int y) { return QColor(image.pixel(x, y)); }
  static QColor C(uint32_t colour) { return ColourFromSettings(colour); }
  static int Count(const QImage& image, uint32_t colour, QRect area = QRect()) {
    if (area.isNull()) area = image.rect();
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
      for (int x = area.left(); x <= area.right(); ++x) count += At(image, x, y) == C(colour);
    }
    return count;
  }
  // Whether the text stands at (x, y) with its top left there, as a label is drawn: the
  // same text drawn alone must match pixel for pixel.
  ::testing::AssertionResult LabelAt(const QImage& image, int x, int y, const std::string& text) {
    const QString shown = FromLatin1(text);
    QImage expected(image.size(), image.format());
    expected.fill(C(kTeal));
    QRect area;
    {
      QPainter painter(&expected);
      painter.setRenderHint(QPainter::TextAntialiasing, false);
      const QFontMetrics metrics = painter.fontMetrics();
      area = QRect(x, y, metrics.horizontalAdvance(shown), metrics.height());
      painter.setPen(C(kBlack));
      painter.drawText(QPoint(x, y + metrics.ascent()), shown);
    }
    // The lower rows may meet the next label; the text's own rows decide.
    area.setHeight(std::min(area.height(), 15));
    area = area.intersected(QRect(0, 0, 660, 276));
    for (int py = area.top(); py <= area.bottom(); ++py) {
      for (int px = area.left(); px <= area.right(); ++px) {
        if (image.pixel(px, py) != expected.pixel(px, py)) {
          return ::testing::AssertionFailure()
                 << "\"" << text << "\" differs at " << px << "," << py;
        }
      }
    }
    return ::testing::AssertionSuccess();
  }

  setup::TestSetup setup_;
  calib::CellTable cell_;
  calib::Settings colours_;
  engine::ResultStore results_;
  engine::PreScanTable pre_scan_;
  screen::Graph graph_;
  platform::ScriptedOperator op_;
};

TEST_F(GraphImageTest, FrameAndGridFollowTheCanvasEdges) {
  results_.NextIndex = 1;
  const QImage image = Draw();
  ASSERT_EQ(image.size(), QSize(660, 284));
  EXPECT_EQ(At(image, 0, 0), C(kTeal));
  EXPECT_EQ(At(image, 1, 1), C(kBlack));  // outer rectangle outline
  EXPECT_EQ(At(image, 659, 100), C(kBlack));
  EXPECT_EQ(At(image, 100, 281), C(kBlack));
  EXPECT_EQ(At(image, 100, 282), C(kTeal));
  EXPECT_EQ(At(image, 20, 150), C(kTeal));   // border fill outside the plot
  EXPECT_EQ(At(image, 32, 100), C(kBlack));  // plot frame: 32..631, 4..253
  EXPECT_EQ(At(image, 631, 100), C(kBlack));
  EXPECT_EQ(At(image, 632, 100), C(kTeal));
  EXPECT_EQ(At(image, 100, 4), C(kBlack));
  EXPECT_EQ(At(image, 100, 253), C(kBlack));
  EXPECT_EQ(At(image, 100, 254), C(kTeal));
  EXPECT_EQ(At(image, 100, 10), C(kWhite));  // plot fill
  // Ticks at the frame's edges and at 100 and 500 MHz down to row 259.
  EXPECT_EQ(At(image, 32, 259), C(kBlack));
  EXPECT_EQ(At(image, 631, 259), C(kBlack));
  EXPECT_EQ(At(image, 238, 259), C(kBlack));
  EXPECT_EQ(At(image, FrequencyToX(Mhz(500), 0), 255), C(kBlack));
  EXPECT_NE(At(image, 238, 260), C(kBlack));
  EXPECT_NE(At(image, 200, 256), C(kBlack));  // 80 MHz: grid line only
  // Dotted grid: the row at y 29 and the 80 MHz column are partly drawn, partly not.
  const int dots = Count(image, kBlack, QRect(40, 29, 100, 1));
  EXPECT_GT(dots, 20);
  EXPECT_LT(dots, 80);
  const int x80 = FrequencyToX(Mhz(80), 0);
  EXPECT_GT(Count(image, kBlack, QRect(x80, 5, 1, 20)), 3);
  EXPECT_EQ(Count(image, kBlack, QRect(x80 + 1, 5, 1, 20)), 0);
  EXPECT_EQ(Count(image, kBlack, QRect(33, 230, 598, 1)), 0);  // no grid line at 230
}

TEST_F(GraphImageTest, LabelsFollowMaxFieldAndTheRange) {
  cell_.MaxField = 30.0F;
  cell_.CellRange = 2;
  results_.NextIndex = 1;
  QImage image = Draw();
  EXPECT_TRUE(LabelAt(image, 5, 50, " 24.0"));
  EXPECT_TRUE(LabelAt(image, 5, 100, " 18.0"));
  EXPECT_TRUE(LabelAt(image, 5, 245, "  0.0"));
  EXPECT_FALSE(LabelAt(image, 5, 50, " 12.0"));
  EXPECT_TRUE(LabelAt(image, 597, 260, "MHz 1000"));
  EXPECT_TRUE(LabelAt(image, 238, 260, "100"));
  setup_.RangeChoice = 1;
  image = Draw();
  EXPECT_TRUE(LabelAt(image, 632 - 35, 260, "MHz 2400"));
  EXPECT_TRUE(LabelAt(image, 32, 260, "1000"));
  EXPECT_FALSE(LabelAt(image, 238, 260, "100"));
}

TEST_F(GraphImageTest, StandardSetPointAndAchievedLinesWithTheirBand) {
  Record(1, Mhz(100), 5.0, engine::kEutOk);
  Record(2, Mhz(150), 5.0, engine::kEutOk);
  Record(3, Mhz(200), 10.0, engine::kEutFault);
  results_.NextIndex = 4;  // entry 4 empty: draws nothing
  const QImage image = Draw();
  const int x150 = FrequencyToX(Mhz(150), 0);
  const int x200 = FrequencyToX(Mhz(200), 0);
  // Set point 3 V/m at y 204 from 100 MHz to 200 MHz, the end column left out.
  EXPECT_EQ(At(image, 238, 204), C(kOrange));
  EXPECT_EQ(At(image, x200 - 1, 204), C(kOrange));
  EXPECT_EQ(At(image, x200, 204), C(kWhite));
  EXPECT_EQ(At(image, 237, 204), C(kWhite));
  // Achieved: 5 V/m at y 171 between 100 and 150 MHz, then up to 10 V/m (y 87).
  EXPECT_EQ(At(image, 238, 171), C(kBlue));
  EXPECT_EQ(At(image, x150 - 1, 171), C(kBlue));
  EXPECT_EQ(At(image, x150, 171), C(kBlue));  // the next segment starts there
  EXPECT_GT(Count(image, kBlue, QRect(x150, 88, x200 - x150, 83)), 50);
  EXPECT_EQ(Count(image, kBlue, QRect(x200 + 1, 0, 660 - x200 - 1, 284)), 0);
  // Band rows 276 to 279, coloured by the status of the step's end entry.
  for (int y = 276; y <= 279; ++y) {
    EXPECT_EQ(At(image, 238, y), C(kLime)) << y;
    EXPECT_EQ(At(image, x150 - 1, y), C(kLime)) << y;
    EXPECT_EQ(At(image, x150, y), C(kRed)) << y;
    EXPECT_EQ(At(image, x200 - 1, y), C(kRed)) << y;
  }
  EXPECT_EQ(At(image, x150, 280), C(kTeal));
  EXPECT_EQ(At(image, x200, 277), C(kTeal));
  EXPECT_EQ(At(image, 237, 277), C(kTeal));
}

TEST_F(GraphImageTest, StepsWithinOnePixelColumnDrawNothing) {
  Record(1, Mhz(100), 1.0, engine::kEutOk);
  Record(2, Mhz(100.05), 10.0, engine::kEutFault);  // same column as 100 MHz
  Record(3, Mhz(120), 10.0, engine::kEutOk);
  results_.NextIndex = 4;
  const QImage image = Draw();
  EXPECT_EQ(Count(image, kRed), 0);         // the fault never shows in the band
  EXPECT_EQ(At(image, 240, 87), C(kBlue));  // the line starts from entry 2's level
  EXPECT_EQ(Count(image, kBlue, QRect(233, 237, 20, 1)), 0);
  EXPECT_EQ(At(image, 240, 278), C(kLime));
}

TEST_F(GraphImageTest, InTheUpperRangeResultsBelow1000MhzStayOnTheLeftEdge) {
  setup_.RangeChoice = 1;
  setup_.TestMode = 0;  // no set-point line
  Record(1, Mhz(500), 5.0, engine::kEutOk);
  Record(2, Mhz(800), 9.0, engine::kEutFault);
  results_.NextIndex = 3;
  const QImage image = Draw();
  EXPECT_EQ(Count(image, kBlue), 0);
  EXPECT_EQ(Count(image, kLime) + Count(image, kRed), 0);
}

TEST_F(GraphImageTest, AfterClearOnlyAxesAndSetPoint) {
  results_.NextIndex = 5;
  const QImage image = Draw();
  EXPECT_EQ(Count(image, kBlue), 0);
  EXPECT_GT(Count(image, kOrange), 50);
  EXPECT_EQ(Count(image, kTeal, QRect(33, 276, 598, 4)), 598 * 4);
}

TEST_F(GraphImageTest, CustomSetPointJoinsTheFilledRows) {
  setup_.TestMode = setup::kCustom;
  setup_.CustomList[0] = {Mhz(100), 3.0F};
  setup_.CustomList[1] = {Mhz(150), 3.0F};
  setup_.CustomList[2] = {Mhz(200), 6.0F};
  results_.NextIndex = 1;
  const QImage image = Draw();
  EXPECT_EQ(At(image, 245, 204), C(kOrange));
  const int x150 = FrequencyToX(Mhz(150), 0);
  const int x200 = FrequencyToX(Mhz(200), 0);
  EXPECT_GT(Count(image, kOrange, QRect(x150 + 1, 154, x200 - x150 - 1, 50)), 30);
  EXPECT_EQ(Count(image, kOrange, QRect(x200 + 1, 0, 660 - x200 - 1, 284)), 0);
}

TEST_F(GraphImageTest, PreScanCurveOnlyWhenAskedAndWithoutBand) {
  results_.NextIndex = 4;
  pre_scan_.Entries[1] = {Mhz(100), 26200};
  pre_scan_.Entries[2] = {Mhz(150), 26200};
  pre_scan_.Entries[3] = {Mhz(200), 52400};
  setup_.TestMode = 0;
  EXPECT_EQ(Count(Draw(), kGreen), 0);
  graph_.show_prescan_curve = true;
  const QImage image = Draw();
  EXPECT_EQ(At(image, 245, 154), C(kGreen));
  EXPECT_EQ(At(image, FrequencyToX(Mhz(150), 0) - 5, 154), C(kGreen));
  EXPECT_GT(Count(image, kGreen, QRect(0, 54, 660, 100)), 30);  // up to DAC 52400 at y 54
  EXPECT_EQ(Count(image, kGreen, QRect(0, 255, 660, 29)), 0);
}

TEST_F(GraphImageTest, SingleFrequencyPointsOnePixelApartWithTimeLabels) {
  setup_.TestMode = setup::kSingle;
  setup_.SingleLevel = 5.0F;
  graph_.time_marks = {"9:00:00", "9:02:30", "", "", "", ""};
  for (uint32_t i = 1; i <= 20; ++i) {
    Record(i, Mhz(80), i <= 10 ? 1.0 : 10.0, i <= 10 ? engine::kEutOk : engine::kEutFault);
  }
  results_.NextIndex = 21;
  const QImage image = Draw();
  EXPECT_EQ(At(image, 400, 171), C(kOrange));  // the set point across the plot
  EXPECT_EQ(At(image, 32, 171), C(kOrange));
  // Level 1 (y 237) for points 1 to 10, level 10 (y 87) for 11 to 20, at x = i + 32.
  for (int i = 2; i <= 9; ++i) EXPECT_EQ(At(image, i + 32, 237), C(kBlue)) << i;
  for (int i = 12; i <= 19; ++i) EXPECT_EQ(At(image, i + 32, 87), C(kBlue)) << i;
  EXPECT_GT(Count(image, kBlue, QRect(42, 88, 2, 149)), 100);  // the rise at point 11
  EXPECT_EQ(Count(image, kBlue, QRect(53, 0, 600, 284)), 0);
  for (int x = 33; x <= 41; ++x) EXPECT_EQ(At(image, x, 277), C(kLime)) << x;
  for (int x = 42; x <= 51; ++x) EXPECT_EQ(At(image, x, 277), C(kRed)) << x;
  EXPECT_EQ(At(image, 32, 277), C(kTeal));
  EXPECT_EQ(At(image, 52, 277), C(kTeal));
  // Time grid lines and ticks, and no frequency labels.
  EXPECT_EQ(At(image, 182, 258), C(kBlack));
  EXPECT_EQ(At(image, 482, 258), C(kBlack));
  EXPECT_TRUE(LabelAt(image, 32, 260, "9:00:00"));
  EXPECT_EQ(Count(image, kBlack, QRect(150, 260, 100, 15)), 0);  // point 150 not reached
  EXPECT_EQ(Count(image, kBlack, QRect(597, 260, 60, 15)), 0);
}

TEST_F(GraphImageTest, SingleFrequencySecondTimeLabelAtPoint150AndNoLineWhenAutoIncreasing) {
  setup_.TestMode = setup::kPreScanSingle;
  setup_.AutoIncrease = true;
  graph_.time_marks = {"9:00:00", "9:02:30", "", "", "", ""};
  for (uint32_t i = 1; i <= 200; ++i) Record(i, Mhz(80), 2.0, engine::kEutOk);
  results_.NextIndex = 201;
  const QImage image = Draw();
  EXPECT_EQ(Count(image, kOrange), 0);
  EXPECT_TRUE(LabelAt(image, 150, 260, "9:02:30"));
}

TEST_F(GraphImageTest, UnknownCellRangeDrawsAtRowZeroAndReportsEachLevel) {
  cell_.CellRange = 9;
  Record(1, Mhz(100), 5.0, engine::kEutOk);
  Record(2, Mhz(150), 5.0, engine::kEutOk);
  results_.NextIndex = 3;
  const QImage image = Draw();
  EXPECT_EQ(At(image, 245, 0), C(kBlue));
  ASSERT_GE(op_.History().size(), 3U);  // set point, and both ends of the result line
  for (const auto& shown : op_.History()) EXPECT_EQ(shown.Text, "Tarvos Software Error 1");
}

TEST_F(GraphImageTest, NextIndexBeyondTheTablesStopsAtTheLastEntry) {
  for (uint32_t i = 1; i < engine::kEntries; ++i) Record(i, Mhz(100) + i * 400'000U, 5.0, 1);
  results_.NextIndex = 5000;
  const QImage image = Draw();
  EXPECT_EQ(At(image, 400, 171), C(kBlue));
}

}  // namespace
}  // namespace tarvos::ui
