#include "ui/printed_reports.h"

#include <QFont>
#include <QFontMetrics>
#include <QPageLayout>
#include <QPageSize>
#include <QPen>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "setup/number_forms.h"
#include "ui/latin1.h"
#include "ui/results_graph.h"

namespace tarvos::ui {
namespace {

int Round(long double value) { return static_cast<int>(std::nearbyint(value)); }

std::string PadLeft(std::string text, std::size_t width) {
  if (text.size() < width) text.insert(0, width - text.size(), ' ');
  return text;
}

std::string Mhz(uint32_t frequency_hz) {
  return setup::FormatFixed(static_cast<double>(frequency_hz) / 1'000'000.0, 5, 3);
}

QFont FontFor(ReportFont font, const PageGeometry& page) {
  QFont qfont;
  switch (font) {
    case ReportFont::PlotHeading:
      qfont.setPointSize(14);
      break;
    case ReportFont::PlotText:
      qfont.setPointSize(10);
      break;
    case ReportFont::TableTitle:
      qfont.setFamily(QStringLiteral("Times New Roman"));
      qfont.setStyleHint(QFont::Serif);
      qfont.setPixelSize(std::max(1, page.ScaledY(15)));
      break;
    case ReportFont::TableRow:
      // The columns line up only in a monospaced face. Windows' own Courier is a bitmap
      // face in a few sizes; Courier New is its outline, and fontconfig gives both the
      // same face on Linux.
      qfont.setFamilies({QStringLiteral("Courier New"), QStringLiteral("Courier")});
      qfont.setStyleHint(QFont::TypeWriter);
      qfont.setFixedPitch(true);
      qfont.setPixelSize(std::max(1, page.ScaledY(15)));
      break;
  }
  return qfont;
}

bool IsTableFont(ReportFont font) {
  return font == ReportFont::TableTitle || font == ReportFont::TableRow;
}

void PaintPage(QPainter& painter, const ReportPage& report_page, const ReportInputs& inputs,
               const PageGeometry& page) {
  if (report_page.Graph) {
    const ReportRect& r = *report_page.Graph;
    painter.drawImage(QRect(r.X, r.Y, r.Width, r.Height), inputs.Graph);
  }
  if (report_page.Rule) {
    const ReportRect& r = *report_page.Rule;
    QPen pen(ColourFromSettings(inputs.PrintLineColour));
    pen.setCosmetic(true);
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    painter.drawLine(r.X, r.Y, r.X + r.Width, r.Y);
  }
  for (const ReportText& text : report_page.Texts) {
    if (text.Text.empty()) continue;
    painter.setFont(FontFor(text.Font, page));
    if (IsTableFont(text.Font)) {
      // The table prints on a white brush, in the print text colour.
      painter.setBackgroundMode(Qt::OpaqueMode);
      painter.setBackground(Qt::white);
      painter.setPen(ColourFromSettings(inputs.PrintTextColour));
    } else {
      painter.setBackgroundMode(Qt::TransparentMode);
      painter.setPen(Qt::black);
    }
    const int ascent = painter.fontMetrics().ascent();
    painter.drawText(QPoint(text.X, text.Y + ascent), FromLatin1(text.Text));
  }
}

constexpr int kPdfResolution = 300;

// Prints into a temporary file beside the target and renames it over the target once
// the document is complete.
bool PrintPdfFile(ReportKind kind, const ReportInputs& inputs, const std::string& path) {
  namespace fs = std::filesystem;
  const fs::path target(path);
  fs::path temporary = target;
  temporary += ".part";
  {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    // A page of the table ends at 3200 device units: at 300 dpi that is near the bottom of
    // an A4 page, as on the office printers the layout was made for (at 1200 dpi a page
    // would hold six rows).
    printer.setResolution(kPdfResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setOutputFileName(QString::fromStdString(temporary.string()));
    const bool printed = kind == ReportKind::Plot ? PrintPlotReport(printer, inputs)
                                                  : PrintTabularReport(printer, inputs);
    if (!printed) {
      std::error_code ignored;
      fs::remove(temporary, ignored);
      return false;
    }
  }
  std::error_code error;
  const auto size = fs::file_size(temporary, error);
  if (error || size == 0) {
    fs::remove(temporary, error);
    return false;
  }
  fs::rename(temporary, target, error);
  if (error) {
    fs::remove(temporary, error);
    return false;
  }
  return true;
}

bool PrintPages(QPrinter& printer, const std::vector<ReportPage>& pages, const ReportInputs& inputs,
                const PageGeometry& page) {
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  const bool painted =
      PaintReportPages(painter, pages, inputs, page, [&printer] { return printer.newPage(); });
  return painter.end() && painted;
}

}  // namespace

int PageGeometry::ScaledX(int units) const { return Round(static_cast<long double>(Sx) * units); }

int PageGeometry::ScaledY(int units) const { return Round(static_cast<long double>(Sy) * units); }

PageGeometry PageGeometryFor(int width, int height) {
  PageGeometry page;
  page.Width = width;
  page.Height = height;
  page.Sx = static_cast<float>(width) / 660.0F;
  page.Sy = static_cast<float>(height) / 1000.0F;
  page.Left = (width - page.ScaledX(600)) / 2;
  page.Top = page.ScaledY(100);
  page.X1 = page.ScaledX(30);
  page.X2 = width / 2;
  return page;
}

std::string ReportDateTime(bool results_from_file, std::string_view saved_date_time,
                           std::string_view clock_text) {
  return std::string(results_from_file ? saved_date_time : clock_text);
}

ReportInputs ReportInputsFrom(const ReportSources& sources) {
  ReportInputs inputs;
  const setup::TestSetup& setup = sources.Setup;
  const engine::ResultStore& results = sources.Results;
  inputs.Title = sources.Records.DisplayTitle;
  inputs.DateTime =
      ReportDateTime(results.ResultsFromFile, sources.Records.SavedDateTime, sources.ClockText);
  inputs.StartFrequency = setup.StartFrequency;
  inputs.EndFrequency = setup.EndFrequency;
  inputs.StepPercent = setup.StepPercent;
  inputs.Field = sources.TargetField;
  inputs.DwellTime = setup.DwellTime;
  inputs.Modulation = std::string(setup::ModulationName(setup.ModulationType));
  inputs.Notes = sources.Records.NoteLines;
  inputs.Graph = sources.Graph;
  inputs.PrintLineColour = sources.Settings.PrintLineColour;
  inputs.PrintTextColour = sources.Settings.PrintTextColour;
  // Only the recorded results: the entry at next index may hold an interrupted step.
  const uint32_t recorded = results.NextIndex > 0 ? results.NextIndex - 1 : 0;
  const uint32_t last = std::min<uint32_t>(recorded, engine::kEntries - 1);
  for (uint32_t i = 1; i <= last; ++i) {
    const engine::ResultPoint& point = results.Entries[i];
    inputs.Rows.push_back({point.Frequency, point.Level,
                           setup::LevelAt(sources.Profile, point.Frequency), point.EutStatus});
  }
  return inputs;
}

std::string TabularRow(uint32_t number, uint32_t frequency_hz, double level, double target,
                       uint16_t eut_status) {
  std::string row = PadLeft(setup::FormatWhole(number), 4);
  row += PadLeft(Mhz(frequency_hz) + " ", 10);
  row += PadLeft(setup::FormatFixed(level, 4, 2), 9);
  row += setup::FormatFixed(target, 8, 2);
  row += eut_status == engine::kEutOk ? "   OK   " : "   FAULT";
  return row;
}

std::vector<ReportPage> PlotReportPages(const ReportInputs& inputs, const PageGeometry& page) {
  ReportPage sheet;
  const int graph_top = page.Top + page.ScaledY(50);
  sheet.Graph = ReportRect{page.Left, graph_top, page.ScaledX(600), page.ScaledY(300)};
  auto& texts = sheet.Texts;
  texts.push_back(
      {ReportFont::PlotHeading, page.X1, page.Top - page.ScaledY(30), std::string(kReportHeading)});
  const auto both = [&](int y, std::string left, std::string right) {
    texts.push_back({ReportFont::PlotText, page.X1, y, std::move(left)});
    texts.push_back({ReportFont::PlotText, page.X2, y, std::move(right)});
  };
  const int line = page.ScaledY(20);
  int y = page.Top + page.ScaledY(430);
  both(y, "TEST : " + inputs.Title, inputs.DateTime);
  y += page.ScaledY(30);
  y += line;
  both(y, "Start Frequency : " + Mhz(inputs.StartFrequency) + " MHz",
       "End Frequency   : " + Mhz(inputs.EndFrequency) + " MHz");
  y += line;
  both(y, "Step Size       : " + setup::FormatFixed(inputs.StepPercent, 3, 2) + " %",
       "Field           : " + setup::FormatFixed(inputs.Field, 3, 2) + " V/m");
  y += line;
  both(y, "Dwell Time : " + setup::FormatWhole(inputs.DwellTime) + " Seconds",
       "Modulation : " + inputs.Modulation);
  y += line;
  texts.push_back({ReportFont::PlotText, page.X1, y, "NOTES :"});
  y += line;
  for (const std::string& note : inputs.Notes) {
    texts.push_back({ReportFont::PlotText, page.X1, y, note});
    y += line;
  }
  return {sheet};
}

std::vector<ReportPage> TabularReportPages(const ReportInputs& inputs, const PageGeometry& page) {
  std::vector<ReportPage> pages;
  const int line = page.ScaledY(15);
  std::size_t next = 0;
  do {
    ReportPage& sheet = pages.emplace_back();
    sheet.FirstRow = next;
    sheet.Rule = ReportRect{page.Left, page.Top - page.ScaledY(5), page.ScaledX(600), 0};
    auto& texts = sheet.Texts;
    texts.push_back({ReportFont::TableTitle, page.X1, page.Top - page.ScaledY(30),
                     std::string(kReportHeading)});
    int y = page.Top;
    texts.push_back({ReportFont::TableTitle, page.X1, y, "TEST : " + inputs.Title});
    texts.push_back({ReportFont::TableTitle, page.X2, y, inputs.DateTime});
    y += page.ScaledY(25);
    texts.push_back({ReportFont::TableTitle, page.X1, y, std::string(kTableHeadingLine1)});
    y += line;
    texts.push_back({ReportFont::TableTitle, page.X1, y, std::string(kTableHeadingLine2)});
    y += line;
    while (next < inputs.Rows.size()) {
      const TableEntry& row = inputs.Rows[next];
      ++next;
      texts.push_back({ReportFont::TableRow, page.X1, y,
                       TabularRow(static_cast<uint32_t>(next), row.Frequency, row.Level, row.Target,
                                  row.EutStatus)});
      ++sheet.RowCount;
      y += line;
      // At least one row per page, so a page too small for the limit still ends.
      if (y > kTablePageLimit || y + line > page.Height) break;
    }
  } while (next < inputs.Rows.size());
  return pages;
}

bool PaintReportPages(QPainter& painter, const std::vector<ReportPage>& pages,
                      const ReportInputs& inputs, const PageGeometry& page,
                      const std::function<bool()>& new_page) {
  painter.setRenderHint(QPainter::Antialiasing, false);
  for (std::size_t i = 0; i < pages.size(); ++i) {
    if (i > 0 && !new_page()) return false;
    PaintPage(painter, pages[i], inputs, page);
  }
  return true;
}

bool PrintPlotReport(QPrinter& printer, const ReportInputs& inputs) {
  const PageGeometry page = PageGeometryFor(printer.width(), printer.height());
  return PrintPages(printer, PlotReportPages(inputs, page), inputs, page);
}

bool PrintTabularReport(QPrinter& printer, const ReportInputs& inputs) {
  const PageGeometry page = PageGeometryFor(printer.width(), printer.height());
  return PrintPages(printer, TabularReportPages(inputs, page), inputs, page);
}

bool PrintReportToPdf(ReportKind kind, const ReportInputs& inputs, const std::string& path) {
  return PrintPdfFile(kind, inputs, path);
}

bool PrintReportsToPdf(const ReportInputs& inputs, const std::string& plot_path,
                       const std::string& table_path) {
  bool all = true;
  if (!plot_path.empty()) all = PrintReportToPdf(ReportKind::Plot, inputs, plot_path) && all;
  if (!table_path.empty()) all = PrintReportToPdf(ReportKind::Tabular, inputs, table_path) && all;
  return all;
}

}  // namespace tarvos::ui
