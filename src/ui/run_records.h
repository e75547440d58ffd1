#pragma once

#include <QLabel>
#include <QPrinter>
#include <QTableWidget>
#include <QWidget>
#include <cstdint>
#include <string>

#include "station/station.h"

namespace tarvos::ui {

// "Run Log": the rows of the running or the last run's log (following a run as it goes),
// or of a log opened from a file, in a table; "Open...", "Last Run", "Save As...",
// "Print...", "Close". Opened from "Records > Run Log...", also during a run.
class RunLogWindow : public QWidget {
 public:
  RunLogWindow(station::Station& station, QPrinter& printer, QWidget* parent);
  void Run();  // shows it, raised
  void Refresh();
  QTableWidget* Table() const { return table_; }
  QLabel* Source() const { return source_; }
  // The table on the printer as it is set up (the print dialog's OK).
  bool PrintOn(QPrinter& printer);

 private:
  void Print();
  station::Station& station_;
  QPrinter& printer_;
  QLabel* source_ = nullptr;
  QTableWidget* table_ = nullptr;
  uint64_t shown_revision_ = ~uint64_t{0};
  std::size_t shown_rows_ = 0;
};

// "EUT Effects": the EUT's fault episodes of the run the Run Log shows, or of results
// opened from a file (then said to be as the file recorded them, without times);
// "Save As..." as CSV, "Print...", "Close".
class EutEffectsWindow : public QWidget {
 public:
  EutEffectsWindow(station::Station& station, QPrinter& printer, QWidget* parent);
  void Run();
  void Refresh();
  QTableWidget* Table() const { return table_; }
  QLabel* Note() const { return note_; }
  bool PrintOn(QPrinter& printer);

 private:
  void Print();
  station::Station& station_;
  QPrinter& printer_;
  QLabel* note_ = nullptr;
  QTableWidget* table_ = nullptr;
  std::string shown_;  // what the table holds, as its CSV
  uint64_t shown_revision_ = 0;
  bool shown_from_file_ = false;
};

}  // namespace tarvos::ui
