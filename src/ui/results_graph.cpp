#include "ui/results_graph.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <QPolygon>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <string>

#include "screen/messages.h"
#include "setup/number_forms.h"
#include "ui/latin1.h"

namespace tarvos::ui {
namespace {

// log10 as the program has always taken it: the natural logarithm times this factor.
constexpr long double kLog10Factor = 0.434294L;
constexpr uint32_t kLowestFrequencyHz = 1000;  // entries at or below it keep the column

int ClampToInt(long double value, int low, int high) {
  if (std::isnan(value)) return high;
  return static_cast<int>(
      std::clamp(value, static_cast<long double>(low), static_cast<long double>(high)));
}

// Pen and brush drawing with the canvas conventions the coordinates are given in: a line
// leaves out its end point (a dotted one sets every third pixel), a rectangle leaves out its right
// column and bottom row, text stands with its top left at the point on an opaque background.
class Canvas {
 public:
  explicit Canvas(QImage& image) : painter_(&image) {
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, false);
    SetPen(Qt::black, Qt::SolidLine);
  }

  void SetPen(const QColor& colour, Qt::PenStyle style) {
    QPen pen(colour);
    pen.setCosmetic(true);
    pen.setWidth(1);
    painter_.setPen(pen);
    dotted_ = style == Qt::DotLine;
  }
  void SetBrush(const QColor& colour) { brush_ = colour; }
  void SetFontColour(const QColor& colour) { font_colour_ = colour; }

  void MoveTo(int x, int y) { pen_at_ = QPoint(x, y); }
  // The pixels are placed here rather than by the painter's line drawing, which leaves
  // out the lower end of a rising line instead of its end point.
  void LineTo(int x, int y) {
    const QPoint to(x, y);
    QPolygon pixels;
    const int dx = std::abs(to.x() - pen_at_.x());
    const int dy = -std::abs(to.y() - pen_at_.y());
    const int step_x = pen_at_.x() < to.x() ? 1 : -1;
    const int step_y = pen_at_.y() < to.y() ? 1 : -1;
    int error = dx + dy;
    QPoint at = pen_at_;
    const int count = std::max(dx, -dy);
    for (int i = 0; i < count; ++i) {
      if (!dotted_ || i % 3 == 0) pixels << at;
      const int twice = 2 * error;
      if (twice >= dy) {
        error += dy;
        at.rx() += step_x;
      }
      if (twice <= dx) {
        error += dx;
        at.ry() += step_y;
      }
    }
    if (!pixels.isEmpty()) painter_.drawPoints(pixels);
    pen_at_ = to;
  }
  void Line(int x1, int y1, int x2, int y2) {
    MoveTo(x1, y1);
    LineTo(x2, y2);
  }

  // Outline in the pen, inside in the brush.
  void Rectangle(int x1, int y1, int x2, int y2) {
    painter_.setBrush(brush_);
    painter_.drawRect(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1));
    painter_.setBrush(Qt::NoBrush);
  }
  void Fill(int x1, int y1, int x2, int y2, const QColor& colour) {
    if (x2 > x1 && y2 > y1) painter_.fillRect(QRect(x1, y1, x2 - x1, y2 - y1), colour);
  }

  void TextOut(int x, int y, std::string_view text) {
    const QString shown = FromLatin1(text);
    const QFontMetrics metrics = painter_.fontMetrics();
    painter_.fillRect(QRect(x, y, metrics.horizontalAdvance(shown), metrics.height()), brush_);
    const QPen pen = painter_.pen();
    painter_.setPen(font_colour_);
    painter_.drawText(QPoint(x, y + metrics.ascent()), shown);
    painter_.setPen(pen);
  }

 private:
  QPainter painter_;
  QColor brush_ = Qt::white;
  QColor font_colour_ = Qt::black;
  QPoint pen_at_;
  bool dotted_ = false;
};

constexpr uint32_t Mhz(uint32_t mhz) { return mhz * 1'000'000U; }

class GraphDrawing {
 public:
  GraphDrawing(const GraphInputs& inputs, QImage& image)
      : in_(inputs), canvas_(image), range_(inputs.Setup.RangeChoice) {}

  void Draw() {
    Axes();
    SetPointLine();
    if (setup::IsSingleMode(in_.Setup.TestMode)) {
      SingleFrequencyResults();
    } else {
      ScanResults();
    }
    if (in_.Graph.show_prescan_curve) PreScanCurve();
  }

 private:
  QColor Colour(uint32_t bbggrr) const { return ColourFromSettings(bbggrr); }
  int X(uint32_t frequency_hz) const { return FrequencyToX(frequency_hz, range_); }
  int Y(double level) const { return LevelToY(level, in_.Cell.CellRange, in_.Operator); }
  // The last result index to visit: next index, kept inside the tables.
  uint32_t LastIndex() const {
    return std::min<uint32_t>(in_.Results.NextIndex, engine::kEntries - 1);
  }

  void VerticalGrid(int x) {
    canvas_.SetPen(Colour(in_.Colours.GridColour), Qt::DotLine);
    canvas_.Line(x, kPlotTop, x, kPlotBottom - 1);
  }
  void Tick(int x) {
    canvas_.SetPen(Colour(in_.Colours.GridColour), Qt::SolidLine);
    canvas_.Line(x, kPlotBottom - 1, x, kAxisLabelY);
  }

  void Axes() {
    const QColor grid = Colour(in_.Colours.GridColour);
    const QColor border = Colour(in_.Colours.BorderColour);
    canvas_.SetPen(grid, Qt::SolidLine);
    canvas_.SetBrush(border);
    canvas_.Rectangle(1, 1, kGraphWidth, kGraphHeight - 2);
    canvas_.SetBrush(Colour(in_.Colours.BackgroundColour));
    canvas_.Rectangle(kPlotLeft, kPlotTop, kPlotRight, kPlotBottom);
    Tick(kPlotLeft);
    Tick(kPlotRight - 1);

    canvas_.SetPen(grid, Qt::DotLine);
    for (int i = 1; i <= 9; ++i) {
      const int y = kPlotTop + 25 * i;
      canvas_.Line(kPlotLeft, y, kPlotRight - 1, y);
    }
    FrequencyGrid();

    canvas_.SetBrush(border);
    canvas_.SetFontColour(grid);
    const double max_field = in_.Cell.MaxField;
    canvas_.TextOut(5, 4, setup::FormatFixed(max_field, 5, 1));
    canvas_.TextOut(5, 20, "V/m");
    constexpr std::array<std::pair<long double, int>, 4> kFractions{
        {{0.8L, 50}, {0.6L, 100}, {0.4L, 150}, {0.2L, 200}}};
    for (const auto& [fraction, y] : kFractions) {
      canvas_.TextOut(5, y, setup::FormatFixed(static_cast<double>(fraction * max_field), 5, 1));
    }
    canvas_.TextOut(5, 245, "  0.0");
    FrequencyLabels();
  }

  void FrequencyGrid() {
    if (setup::IsSingleMode(in_.Setup.TestMode)) {
      for (int i = 1; i <= 3; ++i) {
        VerticalGrid(150 * i + kPlotLeft);
        Tick(150 * i + kPlotLeft);
      }
      return;
    }
    const auto lines = [this](uint32_t from_mhz, uint32_t to_mhz, uint32_t step_mhz) {
      for (uint32_t mhz = from_mhz; mhz <= to_mhz; mhz += step_mhz) VerticalGrid(X(Mhz(mhz)));
    };
    switch (range_) {
      case 0:
        lines(40, 100, 10);
        lines(100, 900, 100);
        for (const uint32_t mhz : {100U, 500U}) Tick(X(Mhz(mhz)));
        break;
      case 1:
        lines(1100, 2300, 100);
        for (const uint32_t mhz : {2000U, 1000U, 1500U}) Tick(X(Mhz(mhz)));
        break;
      case 2:
        lines(40, 100, 10);
        lines(100, 2300, 100);
        for (const uint32_t mhz : {2000U, 1000U, 100U}) Tick(X(Mhz(mhz)));
        break;
      default:
        break;
    }
  }

  void FrequencyLabels() {
    if (setup::IsSingleMode(in_.Setup.TestMode)) return;
    const auto label = [this](uint32_t mhz, std::string_view text) {
      canvas_.TextOut(X(Mhz(mhz)), kAxisLabelY, text);
    };
    constexpr int kUnitShift = 35;  // "MHz " stands before the top frequency
    switch (range_) {
      case 0:
        label(30, "30");
        label(100, "100");
        label(500, "500");
        canvas_.TextOut(X(Mhz(1000)) - kUnitShift, kAxisLabelY, "MHz 1000");
        break;
      case 1:
        label(1000, "1000");
        label(1500, "1500");
        label(2000, "2000");
        canvas_.TextOut(X(Mhz(2400)) - kUnitShift, kAxisLabelY, "MHz 2400");
        break;
      case 2:
        label(30, "30");
        label(100, "100");
        label(1000, "1000");
        label(2000, "2000");
        canvas_.TextOut(X(Mhz(2400)) - kUnitShift, kAxisLabelY, "MHz 2400");
        break;
      default:
        break;
    }
  }

  void SetPointLine() {
    const setup::TestSetup& setup = in_.Setup;
    canvas_.SetPen(Colour(in_.Colours.SetPointColour), Qt::SolidLine);
    if (setup::IsStandardMode(setup.TestMode)) {
      const int y = Y(setup.FieldStrength);
      canvas_.Line(X(setup.StartFrequency), y, X(setup.EndFrequency), y);
    } else if (setup::IsCustomMode(setup.TestMode)) {
      for (std::size_t k = 1; k < setup::kCustomRows; ++k) {
        const setup::CustomRow& from = setup.CustomList[k - 1];
        const setup::CustomRow& to = setup.CustomList[k];
        if (to.Frequency == 0) continue;
        canvas_.Line(X(from.Frequency), Y(from.Level), X(to.Frequency), Y(to.Level));
      }
    } else if (setup::IsSingleMode(setup.TestMode) && !setup.AutoIncrease) {
      const int y = Y(setup.SingleLevel);
      canvas_.Line(kPlotLeft, y, kPlotRight, y);
    }
  }

  // The band colour of an EUT status; other values keep the colour last used.
  void Band(int x1, int x2, uint16_t eut_status) {
    switch (eut_status) {
      case engine::kEutNothing:
        band_ = Colour(in_.Colours.BorderColour);
        break;
      case engine::kEutOk:
        band_ = Colour(in_.Colours.EutOkColour);
        break;
      case engine::kEutFault:
        band_ = Colour(in_.Colours.EutFailColour);
        break;
      default:
        break;
    }
    canvas_.Fill(x1, kBandTop, x2, kBandBottom, band_);
  }

  // A curve over frequency that draws only where the column moves right: the results of a
  // scan (with their band) or the pre-scan DAC values.
  template <typename FrequencyOf, typename YOf, typename OnStep>
  void FrequencyCurve(FrequencyOf frequency_of, YOf y_of, OnStep on_step) {
    const uint32_t last = LastIndex();
    if (last < 1) return;
    int previous_x = X(frequency_of(1));
    int current_x = previous_x;
    for (uint32_t i = 2; i <= last; ++i) {
      const uint32_t frequency = frequency_of(i);
      if (frequency > kLowestFrequencyHz) current_x = X(frequency);
      canvas_.MoveTo(previous_x, y_of(i - 1));
      if (current_x > previous_x) {
        canvas_.LineTo(current_x, y_of(i));
        on_step(i, previous_x, current_x);
      }
      previous_x = current_x;
    }
  }

  void ScanResults() {
    const auto& entries = in_.Results.Entries;
    canvas_.SetPen(Colour(in_.Colours.AchievedColour), Qt::SolidLine);
    FrequencyCurve([&](uint32_t i) { return entries[i].Frequency; },
                   [&](uint32_t i) { return Y(entries[i].Level); },
                   [&](uint32_t i, int x1, int x2) { Band(x1, x2, entries[i].EutStatus); });
  }

  void SingleFrequencyResults() {
    const auto& entries = in_.Results.Entries;
    const uint32_t last = LastIndex();
    canvas_.SetPen(Colour(in_.Colours.AchievedColour), Qt::SolidLine);
    canvas_.SetBrush(Colour(in_.Colours.BorderColour));
    for (uint32_t i = 1; i + 1 <= last; ++i) {
      const int x = static_cast<int>(i) + kPlotLeft;
      if (i >= 2) {
        canvas_.Line(x - 1, Y(entries[i - 1].Level), x, Y(entries[i].Level));
        Band(x - 1, x, entries[i].EutStatus);
      }
      TimeMark(i);
    }
  }

  void TimeMark(uint32_t i) {
    struct Mark {
      uint32_t Index;
      int X;
    };
    constexpr std::array<Mark, 5> kMarks{{{1, 32}, {150, 150}, {300, 300}, {450, 450}, {590, 600}}};
    for (std::size_t slot = 0; slot < kMarks.size(); ++slot) {
      if (kMarks[slot].Index == i) {
        canvas_.TextOut(kMarks[slot].X, kAxisLabelY, in_.Graph.time_marks[slot]);
      }
    }
  }

  void PreScanCurve() {
    const auto& entries = in_.PreScan.Entries;
    canvas_.SetPen(Colour(in_.Colours.PreScanColour), Qt::SolidLine);
    FrequencyCurve([&](uint32_t i) { return entries[i].Frequency; },
                   [&](uint32_t i) { return DacToY(entries[i].DacValue); },
                   [](uint32_t, int, int) {});
  }

  const GraphInputs& in_;
  Canvas canvas_;
  uint8_t range_;
  QColor band_ = ColourFromSettings(in_.Colours.BorderColour);
};

}  // namespace

QColor ColourFromSettings(uint32_t bbggrr) {
  return QColor(static_cast<int>(bbggrr & 0xFFU), static_cast<int>((bbggrr >> 8) & 0xFFU),
                static_cast<int>((bbggrr >> 16) & 0xFFU));
}

int FrequencyToX(uint32_t frequency_hz, uint8_t range_choice) {
  long double mhz = static_cast<long double>(frequency_hz) / 1'000'000.0L;
  if (mhz < 10.0L) mhz = 10.0L;
  const long double log10_mhz = std::log(mhz) * kLog10Factor;
  long double x = 1.0L;
  switch (range_choice) {
    case 0:
      x = 393.99L * log10_mhz - 550.0L;
      break;
    case 1:
      x = 1578.07L * log10_mhz - 4702.0L;
      break;
    case 2:
      x = 315.276L * log10_mhz - 433.7L;
      break;
    default:
      break;
  }
  return ClampToInt(std::nearbyint(x), kPlotLeft, kPlotRight);
}

int LevelToY(double level, uint8_t cell_range, platform::Operator& op) {
  long double scale = 0.0L;
  switch (cell_range) {
    case 1:
      scale = 16.67L;
      break;
    case 2:
      scale = 8.335L;
      break;
    case 3:
      scale = 6.25L;
      break;
    default:
      screen::Tell(op, screen::msg::kSoftwareError1);
      return 0;
  }
  const long double y = 254.0L - std::nearbyint(static_cast<long double>(level) * scale);
  // A level that is not a number sits on the axis.
  return ClampToInt(y, kPlotTop, kPlotBottom);
}

int DacToY(uint16_t dac_value) {
  const long double steps = std::nearbyint(static_cast<long double>(dac_value) / 262.0L);
  return ClampToInt(254.0L - steps, kPlotTop, kPlotBottom);
}

QImage RedrawGraph(const GraphInputs& inputs) {
  QImage image(kGraphWidth, kGraphHeight, QImage::Format_RGB32);
  // The first rectangle leaves the outer edge: it shows the border colour too.
  image.fill(ColourFromSettings(inputs.Colours.BorderColour));
  GraphDrawing(inputs, image).Draw();
  return image;
}

}  // namespace tarvos::ui
