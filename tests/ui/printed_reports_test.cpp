#include "ui/printed_reports.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <filesystem>
#include <fstream>
#include <string>

#include "ui/results_graph.h"

namespace tarvos::ui {
namespace {

namespace fs = std::filesystem;

ReportInputs SampleInputs(std::size_t rows) {
  ReportInputs inputs;
  inputs.Title =
      "Panel \xB5"
      "C board";
  inputs.DateTime = "7 December 2026 23:05";
  inputs.StartFrequency = 80'000'000;
  inputs.EndFrequency = 1'000'000'000;
  inputs.StepPercent = 1.0F;
  inputs.Field = 3.0F;
  inputs.DwellTime = 2;
  inputs.Modulation = "1 KHz AM";
  inputs.Notes[0] = "first note";
  inputs.Notes[7] = "last note";
  for (std::size_t i = 0; i < rows; ++i) {
    inputs.Rows.push_back(
        {80'000'000U + static_cast<uint32_t>(i) * 1'000'000U, 3.01, 3.0, engine::kEutOk});
  }
  return inputs;
}

std::vector<std::string> TextsOf(const ReportPage& page, ReportFont font) {
  std::vector<std::string> texts;
  for (const auto& text : page.Texts) {
    if (text.Font == font) texts.push_back(text.Text);
  }
  return texts;
}

TEST(PageGeometryTest, ScaledFromThePrintablePage) {
  const PageGeometry even = PageGeometryFor(6600, 10000);
  EXPECT_EQ(even.Left, 300);
  EXPECT_EQ(even.Top, 1000);
  EXPECT_EQ(even.X1, 300);
  EXPECT_EQ(even.X2, 3300);
  const PageGeometry a4 = PageGeometryFor(4960, 7016);
  EXPECT_EQ(a4.ScaledX(600), 4509);
  EXPECT_EQ(a4.Left, 225);  // (4960 - 4509) div 2
  EXPECT_EQ(a4.Top, 702);
  EXPECT_EQ(a4.X1, 225);
  EXPECT_EQ(a4.X2, 2480);
  EXPECT_EQ(a4.ScaledY(15), 105);
}

TEST(TabularRowTest, FixedColumns) {
  EXPECT_EQ(TabularRow(12, 80'000'000, 5.0, 5.0, 1), "  12   80.000      5.00    5.00   OK   ");
  EXPECT_EQ(TabularRow(12, 80'000'000, 5.0, 5.0, 1).substr(4, 10), "   80.000 ");
  EXPECT_EQ(TabularRow(2000, 2'400'500'000U, 123.456, 10.0, 2),
            "2000 2400.500    123.46   10.00   FAULT");
  EXPECT_EQ(TabularRow(1, 1'000'000, 0.0, 0.0, 0), "   1    1.000      0.00    0.00   FAULT");
  EXPECT_EQ(TabularRow(3, 30'000'000, 1.0, 1.0, 7).substr(31), "   FAULT");
}

TEST(ReportDateTimeTest, StoredDateOfAFileElseTheClock) {
  EXPECT_EQ(ReportDateTime(true, "1 May 2020 10:00", "7 December 2026 23:05"), "1 May 2020 10:00");
  EXPECT_EQ(ReportDateTime(false, "1 May 2020 10:00", "7 December 2026 23:05"),
            "7 December 2026 23:05");
}

TEST(ReportInputsTest, RowsAreTheRecordedResultsWithTheirTargets) {
  setup::TestSetup setup;
  setup.ModulationType = 4;
  setup.DwellTime = 3;
  engine::ResultStore results;
  results.Entries[1] = {100'000'000, 2.5, engine::kEutOk};
  results.Entries[2] = {150'000'000, 2.75, engine::kEutFault};
  results.Entries[3] = {200'000'000, 1.0, engine::kEutOk};  // interrupted, not recorded
  results.NextIndex = 3;
  setup::LevelProfile profile;
  profile.Points[0] = {100'000'000, 3.0F};
  profile.Points[1] = {200'000'000, 3.0F};
  records::FileRecords records;
  records.DisplayTitle = "Title";
  records.SavedDateTime = "1 May 2020 10:00";
  records.NoteLines[2] = "n3";
  calib::Settings settings;
  settings.PrintLineColour = 0x0000FFU;
  settings.PrintTextColour = 0xFF0000U;
  ReportInputs inputs =
      ReportInputsFrom({setup, results, profile, records, settings, "clock now", 4.5F, QImage()});
  ASSERT_EQ(inputs.Rows.size(), 2U);
  EXPECT_EQ(inputs.Rows[1].Frequency, 150'000'000U);
  EXPECT_EQ(inputs.Rows[1].Level, 2.75);
  EXPECT_DOUBLE_EQ(inputs.Rows[1].Target, 3.0);
  EXPECT_EQ(inputs.Rows[1].EutStatus, engine::kEutFault);
  EXPECT_EQ(inputs.DateTime, "clock now");
  EXPECT_EQ(inputs.Modulation, "1 KHz AM");
  EXPECT_EQ(inputs.Field, 4.5F);
  EXPECT_EQ(inputs.DwellTime, 3U);
  EXPECT_EQ(inputs.Notes[2], "n3");
  EXPECT_EQ(inputs.PrintLineColour, 0x0000FFU);

  results.ResultsFromFile = true;
  results.NextIndex = 0;
  inputs =
      ReportInputsFrom({setup, results, profile, records, settings, "clock now", 4.5F, QImage()});
  EXPECT_TRUE(inputs.Rows.empty());
  EXPECT_EQ(inputs.DateTime, "1 May 2020 10:00");
  results.NextIndex = 9999;  // never past the last entry
  inputs = ReportInputsFrom({setup, results, profile, records, settings, "", 0.0F, QImage()});
  EXPECT_EQ(inputs.Rows.size(), 2000U);
}

TEST(PlotReportTest, OnePageLaidOutFromThePageUnits) {
  const PageGeometry page = PageGeometryFor(6600, 10000);
  const auto pages = PlotReportPages(SampleInputs(0), page);
  ASSERT_EQ(pages.size(), 1U);
  ASSERT_TRUE(pages[0].Graph.has_value());
  EXPECT_EQ(pages[0].Graph->X, 300);
  EXPECT_EQ(pages[0].Graph->Y, 1500);
  EXPECT_EQ(pages[0].Graph->Width, 6000);
  EXPECT_EQ(pages[0].Graph->Height, 3000);
  const auto& t = pages[0].Texts;
  ASSERT_EQ(t.size(), 18U);
  const auto expect = [&](std::size_t i, ReportFont font, int x, int y, const std::string& text) {
    EXPECT_EQ(t[i].Font, font) << i;
    EXPECT_EQ(t[i].X, x) << i;
    EXPECT_EQ(t[i].Y, y) << i;
    EXPECT_EQ(t[i].Text, text) << i;
  };
  expect(0, ReportFont::PlotHeading, 300, 700, "BREVANT SYNTHESISER Tarvos");
  expect(1, ReportFont::PlotText, 300, 5300,
         "TEST : Panel \xB5"
         "C board");
  expect(2, ReportFont::PlotText, 3300, 5300, "7 December 2026 23:05");
  expect(3, ReportFont::PlotText, 300, 5800, "Start Frequency : 80.000 MHz");
  expect(4, ReportFont::PlotText, 3300, 5800, "End Frequency   : 1000.000 MHz");
  expect(5, ReportFont::PlotText, 300, 6000, "Step Size       : 1.00 %");
  expect(6, ReportFont::PlotText, 3300, 6000, "Field           : 3.00 V/m");
  expect(7, ReportFont::PlotText, 300, 6200, "Dwell Time : 2 Seconds");
  expect(8, ReportFont::PlotText, 3300, 6200, "Modulation : 1 KHz AM");
  expect(9, ReportFont::PlotText, 300, 6400, "NOTES :");
  expect(10, ReportFont::PlotText, 300, 6600, "first note");
  expect(11, ReportFont::PlotText, 300, 6800, "");
  expect(17, ReportFont::PlotText, 300, 8000, "last note");
}

TEST(TabularReportTest, EmptyTablePrintsOnePageWithHeadings) {
  const PageGeometry page = PageGeometryFor(6600, 10000);
  const auto pages = TabularReportPages(SampleInputs(0), page);
  ASSERT_EQ(pages.size(), 1U);
  EXPECT_EQ(pages[0].RowCount, 0U);
  EXPECT_TRUE(TextsOf(pages[0], ReportFont::TableRow).empty());
  const auto titles = TextsOf(pages[0], ReportFont::TableTitle);
  ASSERT_EQ(titles.size(), 5U);
  EXPECT_EQ(titles[0], "BREVANT SYNTHESISER Tarvos");
  EXPECT_EQ(titles[3],
            "  Result     Frequency                    Level                Target        UUT");
  EXPECT_EQ(
      titles[4],
      "  No.           MHz                        V/m                   V/M           Status");
  ASSERT_TRUE(pages[0].Rule.has_value());
  EXPECT_EQ(pages[0].Rule->X, 300);
  EXPECT_EQ(pages[0].Rule->Y, 950);
  EXPECT_EQ(pages[0].Rule->Width, 6000);
}

TEST(TabularReportTest, PageEndsOnceTheLinePassesTheLimit) {
  // Rows from 1550 in steps of 150: the twelfth takes the line to 3350.
  const PageGeometry page = PageGeometryFor(6600, 10000);
  const auto pages = TabularReportPages(SampleInputs(30), page);
  ASSERT_EQ(pages.size(), 3U);
  EXPECT_EQ(pages[0].RowCount, 12U);
  EXPECT_EQ(pages[1].RowCount, 12U);
  EXPECT_EQ(pages[2].RowCount, 6U);
  EXPECT_EQ(pages[1].FirstRow, 12U);
  const auto& first = pages[0].Texts[5];
  EXPECT_EQ(first.Font, ReportFont::TableRow);
  EXPECT_EQ(first.Y, 1550);
  EXPECT_EQ(first.X, 300);
  EXPECT_EQ(pages[0].Texts.back().Y, 1550 + 11 * 150);
  // Headings repeat and numbering goes on.
  EXPECT_EQ(TextsOf(pages[1], ReportFont::TableTitle).size(), 5U);
  EXPECT_EQ(TextsOf(pages[1], ReportFont::TableRow)[0].substr(0, 4), "  13");
  EXPECT_EQ(TextsOf(pages[2], ReportFont::TableRow).back().substr(0, 4), "  30");
  // Exactly twelve rows: a single page.
  EXPECT_EQ(TabularReportPages(SampleInputs(12), page).size(), 1U);
  EXPECT_EQ(TabularReportPages(SampleInputs(13), page).size(), 2U);
}

TEST(TabularReportTest, AtLowResolutionThePageBottomComesFirst) {
  // 1 unit per device unit: rows from 155 in steps of 15, the page ends at 1000.
  const PageGeometry page = PageGeometryFor(660, 1000);
  const auto pages = TabularReportPages(SampleInputs(120), page);
  ASSERT_EQ(pages.size(), 3U);
  EXPECT_EQ(pages[0].RowCount, 56U);
  EXPECT_EQ(pages[1].RowCount, 56U);
  EXPECT_EQ(pages[2].RowCount, 8U);
  for (const auto& sheet : pages) {
    for (const auto& text : sheet.Texts) EXPECT_LE(text.Y + page.ScaledY(15), 1000);
  }
}

TEST(TabularReportTest, PagesWhoseHeadingsPassTheLimitStillPrintOneRowEach) {
  // 30 device units per page unit: the headings end at 4650.
  const PageGeometry page = PageGeometryFor(19800, 30000);
  EXPECT_EQ(TabularReportPages(SampleInputs(4), page).size(), 4U);
}

TEST(ReportPaintingTest, GraphStretchedIntoItsRectangle) {
  QImage graph(660, 284, QImage::Format_RGB32);
  graph.fill(QColor(0, 128, 128));
  ReportInputs inputs = SampleInputs(0);
  inputs.Graph = graph;
  const PageGeometry page = PageGeometryFor(660, 1000);
  QImage sheet(660, 1000, QImage::Format_RGB32);
  sheet.fill(Qt::white);
  QPainter painter(&sheet);
  EXPECT_TRUE(
      PaintReportPages(painter, PlotReportPages(inputs, page), inputs, page, [] { return false; }));
  painter.end();
  // From (30, 150), 600 by 300.
  EXPECT_EQ(QColor(sheet.pixel(30, 150)), QColor(0, 128, 128));
  EXPECT_EQ(QColor(sheet.pixel(629, 449)), QColor(0, 128, 128));
  EXPECT_EQ(QColor(sheet.pixel(29, 300)), QColor(Qt::white));
  EXPECT_EQ(QColor(sheet.pixel(300, 450)), QColor(Qt::white));
}

TEST(ReportPaintingTest, TablePagesInOneDocumentWithTheLineColour) {
  ReportInputs inputs = SampleInputs(20);
  inputs.PrintLineColour = 0x000000FFU;  // red
  const PageGeometry page = PageGeometryFor(660, 1000);
  const auto pages = TabularReportPages(inputs, page);
  ASSERT_EQ(pages.size(), 1U);
  QImage sheet(660, 1000, QImage::Format_RGB32);
  sheet.fill(Qt::white);
  QPainter painter(&sheet);
  int new_pages = 0;
  EXPECT_TRUE(PaintReportPages(painter, pages, inputs, page, [&] { return ++new_pages, true; }));
  painter.end();
  EXPECT_EQ(new_pages, 0);
  EXPECT_EQ(QColor(sheet.pixel(40, 95)), QColor(255, 0, 0));  // rule at 100 - 5
  EXPECT_EQ(QColor(sheet.pixel(40, 96)), QColor(Qt::white));

  // Between pages only; a refused new page stops the print.
  const PageGeometry fine = PageGeometryFor(6600, 10000);
  const auto many = TabularReportPages(SampleInputs(30), fine);
  QImage big(16, 16, QImage::Format_RGB32);  // what falls outside is clipped
  QPainter big_painter(&big);
  new_pages = 0;
  EXPECT_TRUE(PaintReportPages(big_painter, many, inputs, fine, [&] { return ++new_pages, true; }));
  EXPECT_EQ(new_pages, 2);
  EXPECT_FALSE(PaintReportPages(big_painter, many, inputs, fine, [] { return false; }));
}

class PdfReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ =
        fs::temp_directory_path() /
        ("tarvos_reports_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  static int PageCount(const fs::path& pdf) {
    QFile file(QString::fromStdString(pdf.string()));
    if (!file.open(QIODevice::ReadOnly)) return -1;
    const QByteArray bytes = file.readAll();
    static const QRegularExpression kPage(QStringLiteral("/Type\\s*/Page(?![s\\w])"));
    return static_cast<int>(QString::fromLatin1(bytes).count(kPage));
  }

  fs::path folder_;
};

TEST_F(PdfReportTest, TableIsOneDocumentWithAPagePerPage) {
  const ReportInputs inputs = SampleInputs(130);  // more than a 300 dpi page holds
  QPrinter printer(QPrinter::HighResolution);
  printer.setResolution(300);  // as the PDF files are printed
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setPageSize(QPageSize(QPageSize::A4));
  const auto expected =
      TabularReportPages(inputs, PageGeometryFor(printer.width(), printer.height())).size();
  ASSERT_GT(expected, 1U);
  const fs::path table = folder_ / "table.pdf";
  const fs::path plot = folder_ / "plot.pdf";
  ASSERT_TRUE(PrintReportsToPdf(inputs, plot.string(), table.string()));
  EXPECT_EQ(PageCount(table), static_cast<int>(expected));
  EXPECT_EQ(PageCount(plot), 1);
  EXPECT_FALSE(fs::exists(folder_ / "table.pdf.part"));
}

TEST_F(PdfReportTest, AnEarlierFileIsReplacedWholeAndAFailureLeavesNothing) {
  const fs::path plot = folder_ / "plot.pdf";
  std::ofstream(plot) << "old";
  ASSERT_TRUE(PrintReportToPdf(ReportKind::Plot, SampleInputs(0), plot.string()));
  EXPECT_GT(fs::file_size(plot), 3U);
  const fs::path nowhere = folder_ / "missing" / "plot.pdf";
  EXPECT_FALSE(PrintReportToPdf(ReportKind::Plot, SampleInputs(0), nowhere.string()));
  EXPECT_FALSE(fs::exists(folder_ / "missing"));
  EXPECT_TRUE(PrintReportsToPdf(SampleInputs(0), "", ""));
}

}  // namespace
}  // namespace tarvos::ui
