#include "ui/run_records.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPrintDialog>
#include <QPushButton>
#include <QStringList>
#include <QTextDocument>
#include <QVBoxLayout>
#include <functional>

#include "records/run_log.h"
#include "ui/latin1.h"
#include "ui/widgets.h"

namespace tarvos::ui {
namespace {

QTableWidget* MakeTable(QWidget* parent, const QStringList& headings) {
  auto* table = new QTableWidget(0, static_cast<int>(headings.size()), parent);
  table->setHorizontalHeaderLabels(headings);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->verticalHeader()->setVisible(false);
  table->horizontalHeader()->setStretchLastSection(true);
  table->setWordWrap(false);
  return table;
}

void SetRow(QTableWidget* table, int row, const QStringList& cells) {
  for (int column = 0; column < cells.size(); ++column) {
    auto* item = table->item(row, column);
    if (item == nullptr) {
      table->setItem(row, column, new QTableWidgetItem(cells[column]));
    } else if (item->text() != cells[column]) {
      item->setText(cells[column]);
    }
  }
}

QStringList RowCells(const records::RunLogRow& row) {
  const auto number = [](const std::optional<double>& value, int decimals) {
    return value ? FromLatin1(records::RunLogNumber(*value, decimals)) : QString();
  };
  const auto whole = [](const auto& value) {
    return value ? QString::number(static_cast<qlonglong>(*value)) : QString();
  };
  return {FromLatin1(row.Time),
          FromLatin1(records::RunLogNumber(row.ElapsedS, 3)),
          FromLatin1(row.Event),
          whole(row.Step),
          number(row.FrequencyMhz, 3),
          number(row.TargetVm, 2),
          number(row.LevelVm, 2),
          whole(row.Dac),
          whole(row.Eut),
          FromLatin1(row.Text)};
}

QStringList EpisodeCells(const records::EutEpisode& episode) {
  const auto number = [](const std::optional<double>& value, int decimals) {
    return value ? FromLatin1(records::RunLogNumber(*value, decimals)) : QString();
  };
  QString target = number(episode.LowestTargetVm, 2);
  if (episode.HighestTargetVm && number(episode.HighestTargetVm, 2) != target) {
    target += " to " + number(episode.HighestTargetVm, 2);
  }
  return {FromLatin1(records::RunLogNumber(episode.FromMhz, 3)),
          FromLatin1(records::RunLogNumber(episode.ToMhz, 3)), QString::number(episode.Steps),
          target, number(episode.DurationS, 1),
          episode.StillFailing ? QString("still failing at the end") : QString()};
}

// The table as an HTML page for the printer, with a title line above it.
bool PrintTable(QPrinter& printer, const QString& title, const QTableWidget& table) {
  QString html = "<h3>" + title.toHtmlEscaped() + "</h3><table border=1 cellspacing=0 "
                 "cellpadding=2 style='font-size:7pt'><tr>";
  for (int column = 0; column < table.columnCount(); ++column) {
    html += "<th>" + table.horizontalHeaderItem(column)->text().toHtmlEscaped() + "</th>";
  }
  html += "</tr>";
  for (int row = 0; row < table.rowCount(); ++row) {
    html += "<tr>";
    for (int column = 0; column < table.columnCount(); ++column) {
      const QTableWidgetItem* item = table.item(row, column);
      html += "<td>" + (item ? item->text().toHtmlEscaped() : QString()) + "</td>";
    }
    html += "</tr>";
  }
  html += "</table>";
  QTextDocument document;
  document.setHtml(html);
  document.print(&printer);
  return printer.printerState() != QPrinter::Error;
}

void AskAndPrint(QPrinter& printer, QWidget* parent, const std::function<bool(QPrinter&)>& print) {
  QPrintDialog dialog(&printer, parent);
  if (dialog.exec() == QDialog::Accepted) print(printer);
}

}  // namespace

RunLogWindow::RunLogWindow(station::Station& station, QPrinter& printer, QWidget* parent)
    : QWidget(parent, Qt::Window), station_(station), printer_(printer) {
  setObjectName("run_log");
  setWindowTitle("Run Log");
  auto* layout = new QVBoxLayout(this);
  source_ = new QLabel(this);
  source_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(source_);
  QStringList headings;
  for (const QString& heading : FromLatin1(records::kRunLogHeader).split(',')) headings << heading;
  table_ = MakeTable(this, headings);
  table_->setMinimumSize(900, 360);
  layout->addWidget(table_);
  auto* buttons = new QHBoxLayout;
  station::RecordsMenu& menu = station_.RecordsWindows();
  AddButton(this, buttons, "Open...", [this, &menu] {
    menu.OpenLog();
    Refresh();
  });
  AddButton(this, buttons, "Last Run", [this, &menu] {
    menu.ShowRunLog();
    Refresh();
  });
  AddButton(this, buttons, "Save As...", [&menu] { menu.SaveLogAs(); });
  AddButton(this, buttons, "Print...", [this] { Print(); });
  buttons->addStretch();
  AddButton(this, buttons, "Close", [this] { hide(); });
  layout->addLayout(buttons);
}

void RunLogWindow::Run() {
  Refresh();
  show();
  raise();
  activateWindow();
}

void RunLogWindow::Refresh() {
  const station::RecordsMenu& menu = station_.RecordsWindows();
  const uint64_t revision = menu.LogRevision();
  if (revision == shown_revision_) return;
  const auto& rows = menu.LogRows();
  // A run that goes on adds rows; anything else fills the table again.
  const bool grown = (revision >> 32) == (shown_revision_ >> 32) && rows.size() >= shown_rows_;
  const std::size_t first = grown ? shown_rows_ : 0;
  shown_revision_ = revision;
  table_->setRowCount(static_cast<int>(rows.size()));
  for (std::size_t i = first; i < rows.size(); ++i) {
    SetRow(table_, static_cast<int>(i), RowCells(rows[i]));
  }
  if (first == 0) table_->resizeColumnsToContents();
  if (rows.size() > shown_rows_ && grown) table_->scrollToBottom();
  shown_rows_ = rows.size();
  const std::string path = menu.LogPath();
  QString source = rows.empty() ? QString("No run has been logged yet.")
                                : (path.empty() ? QString("(not written to a file)")
                                                : FromLatin1(path));
  if (!menu.OpenedFromFile() && station_.Recorder().DroppedSamples() > 0) {
    source += QString(" (the %1 oldest strip-chart samples are in the file only)")
                  .arg(station_.Recorder().DroppedSamples());
  }
  source_->setText(source);
}

bool RunLogWindow::PrintOn(QPrinter& printer) {
  Refresh();
  // The whole log, as its file has it: a long strip chart's oldest samples are only there.
  const std::vector<records::RunLogRow> rows = station_.RecordsWindows().AllLogRows();
  QTableWidget whole(static_cast<int>(rows.size()), table_->columnCount());
  for (int column = 0; column < table_->columnCount(); ++column) {
    whole.setHorizontalHeaderItem(column, table_->horizontalHeaderItem(column)->clone());
  }
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SetRow(&whole, static_cast<int>(i), RowCells(rows[i]));
  }
  return PrintTable(printer, "Run Log: " + source_->text(), whole);
}

void RunLogWindow::Print() {
  AskAndPrint(printer_, this, [this](QPrinter& printer) { return PrintOn(printer); });
}

EutEffectsWindow::EutEffectsWindow(station::Station& station, QPrinter& printer, QWidget* parent)
    : QWidget(parent, Qt::Window), station_(station), printer_(printer) {
  setObjectName("eut_effects");
  setWindowTitle("EUT Effects");
  auto* layout = new QVBoxLayout(this);
  note_ = new QLabel(this);
  note_->setWordWrap(true);
  layout->addWidget(note_);
  table_ = MakeTable(this, {"From (MHz)", "To (MHz)", "Steps", "Target (V/m)", "Duration (s)",
                            "At the end"});
  table_->setMinimumSize(640, 240);
  layout->addWidget(table_);
  auto* buttons = new QHBoxLayout;
  AddButton(this, buttons, "Save As...", [this] { station_.RecordsWindows().SaveEffectsAs(); });
  AddButton(this, buttons, "Print...", [this] { Print(); });
  buttons->addStretch();
  AddButton(this, buttons, "Close", [this] { hide(); });
  layout->addLayout(buttons);
}

void EutEffectsWindow::Run() {
  shown_.clear();
  Refresh();
  show();
  raise();
  activateWindow();
}

void EutEffectsWindow::Refresh() {
  const station::RecordsMenu& menu = station_.RecordsWindows();
  const bool from_file = menu.EpisodesFromResultsFile();
  // Looked at after every pass of the loop: during a run only new rows cost a count (results
  // from a file are counted each time; no run is going then).
  const uint64_t revision = menu.LogRevision();
  if (!from_file && !shown_from_file_ && !shown_.empty() && revision == shown_revision_) return;
  shown_revision_ = revision;
  shown_from_file_ = from_file;
  const auto episodes = menu.Episodes();
  const std::string shown = records::EpisodesCsv(episodes) + (from_file ? "file" : "log");
  if (shown == shown_) return;
  shown_ = shown;
  table_->setRowCount(static_cast<int>(episodes.size()));
  for (std::size_t i = 0; i < episodes.size(); ++i) {
    SetRow(table_, static_cast<int>(i), EpisodeCells(episodes[i]));
  }
  QString note;
  if (from_file) {
    note = FromLatin1(station::kEpisodesFromResultsFile);
  } else if (menu.LogRows().empty()) {
    note = "No run has been logged yet.";
  } else {
    note = "From the run log " + FromLatin1(menu.LogPath()) + ".";
  }
  if (episodes.empty() && !(menu.LogRows().empty() && !from_file)) {
    note += " The EUT reported no fault.";
  }
  note_->setText(note);
}

bool EutEffectsWindow::PrintOn(QPrinter& printer) {
  Refresh();
  return PrintTable(printer, "EUT Effects: " + note_->text(), *table_);
}

void EutEffectsWindow::Print() {
  AskAndPrint(printer_, this, [this](QPrinter& printer) { return PrintOn(printer); });
}

}  // namespace tarvos::ui
