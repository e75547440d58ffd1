#pragma once

#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "calib/settings.h"
#include "engine/result_store.h"
#include "records/file_records.h"
#include "setup/level_profile.h"
#include "setup/test_setup.h"

namespace tarvos::ui {

inline constexpr std::string_view kReportHeading = "BREVANT SYNTHESISER Tarvos";
inline constexpr std::string_view kTableHeadingLine1 =
    "  Result     Frequency                    Level                Target        UUT";
inline constexpr std::string_view kTableHeadingLine2 =
    "  No.           MHz                        V/m                   V/M           Status";
// A table page ends once its line position passes this many device units (or when the
// next row would not fit on the printable page, at a resolution where that comes first).
inline constexpr int kTablePageLimit = 3200;

// The layout unit of a report, scaled from the printable page (device units) so that a
// report looks the same on any printer: 660 units across, 1000 down.
struct PageGeometry {
  int Width = 0;
  int Height = 0;
  float Sx = 0.0F;
  float Sy = 0.0F;
  int Left = 0;  // of a band 600 units wide, centred
  int Top = 0;
  int X1 = 0;  // first text column
  int X2 = 0;  // second text column
  int ScaledX(int units) const;
  int ScaledY(int units) const;
};
PageGeometry PageGeometryFor(int width, int height);

// One row of the table: a recorded result and the target level at its frequency.
struct TableEntry {
  uint32_t Frequency = 0;  // Hz
  double Level = 0.0;      // V/m achieved
  double Target = 0.0;     // V/m
  uint16_t EutStatus = engine::kEutNothing;
};

// Everything a report prints, as plain values.
struct ReportInputs {
  std::string Title;
  std::string DateTime;
  uint32_t StartFrequency = 0;  // Hz
  uint32_t EndFrequency = 0;    // Hz
  float StepPercent = 0.0F;
  float Field = 0.0F;  // the current target field, V/m
  uint32_t DwellTime = 0;
  std::string Modulation;
  std::array<std::string, records::kNoteLines> Notes{};
  QImage Graph;                  // the results graph as last drawn
  std::vector<TableEntry> Rows;  // results 1 to next index - 1
  uint32_t PrintLineColour = 0;  // 0x00BBGGRR
  uint32_t PrintTextColour = 0;
};

// What the window or a batch run holds, from which the inputs are taken.
struct ReportSources {
  const setup::TestSetup& Setup;
  const engine::ResultStore& Results;
  const setup::LevelProfile& Profile;  // the target level of each row
  const records::FileRecords& Records;
  const calib::Settings& Settings;
  std::string_view ClockText;  // the clock label as it reads now
  float TargetField = 0.0F;
  QImage Graph;
};
ReportInputs ReportInputsFrom(const ReportSources& sources);

// The stored date and time of results opened from a file, else the clock.
std::string ReportDateTime(bool results_from_file, std::string_view saved_date_time,
                           std::string_view clock_text);

// One line of the table, in the fixed columns of its monospaced font.
std::string TabularRow(uint32_t number, uint32_t frequency_hz, double level, double target,
                       uint16_t eut_status);

// A report laid out in device units, before it is painted.
enum class ReportFont { PlotHeading, PlotText, TableTitle, TableRow };
struct ReportText {
  ReportFont Font = ReportFont::PlotText;
  int X = 0;
  int Y = 0;  // top of the text
  std::string Text;
};
struct ReportRect {
  int X = 0;
  int Y = 0;
  int Width = 0;
  int Height = 0;
};
struct ReportPage {
  std::optional<ReportRect> Graph;  // where the graph is stretched
  std::optional<ReportRect> Rule;   // a horizontal line from X to X + Width at Y
  std::vector<ReportText> Texts;
  std::size_t FirstRow = 0;  // index into ReportInputs::Rows
  std::size_t RowCount = 0;
};
std::vector<ReportPage> PlotReportPages(const ReportInputs& inputs, const PageGeometry& page);
std::vector<ReportPage> TabularReportPages(const ReportInputs& inputs, const PageGeometry& page);

// Paints the pages with a painter already begun on the page's device, calling new_page
// between two pages; false when a new page could not be started.
bool PaintReportPages(QPainter& painter, const std::vector<ReportPage>& pages,
                      const ReportInputs& inputs, const PageGeometry& page,
                      const std::function<bool()>& new_page);

// One print document on the printer; false when it could not be printed.
bool PrintPlotReport(QPrinter& printer, const ReportInputs& inputs);
bool PrintTabularReport(QPrinter& printer, const ReportInputs& inputs);

enum class ReportKind { Plot, Tabular };
// The report as a PDF file (A4, 300 dpi). The file appears whole or not at all:
// an earlier file of that name stays until the new one is complete.
bool PrintReportToPdf(ReportKind kind, const ReportInputs& inputs, const std::string& path);
// Both reports of a batch run; an empty path skips that report. False when any failed.
bool PrintReportsToPdf(const ReportInputs& inputs, const std::string& plot_path,
                       const std::string& table_path);

}  // namespace tarvos::ui
