#pragma once

#include <QDialog>

#include "station/station.h"

class QLineEdit;
class QLabel;
class QTableWidget;

namespace tarvos::ui {

// "&Configure" > "&System...": the hardware found, the cell number and the delimiter of
// the data files. Made once and reused; it keeps no state beyond its controls.
class SystemDetailsDialog : public QDialog {
 public:
  SystemDetailsDialog(station::Station& station, QWidget* parent);
  // Opens it modally, as the menu item does; true when it was accepted.
  bool Run();
  QLineEdit* Delimiter() const { return delimiter_; }
  QLineEdit* CellNumber() const { return cell_number_; }
  QTableWidget* Devices() const { return devices_; }

 private:
  void Fill();

  station::Station& station_;
  QLineEdit* delimiter_ = nullptr;
  QLineEdit* cell_number_ = nullptr;
  QLabel* default_path_ = nullptr;
  QTableWidget* devices_ = nullptr;
};

}  // namespace tarvos::ui
