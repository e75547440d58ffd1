#include "ui/system_details_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ui/latin1.h"

namespace tarvos::ui {
namespace {

constexpr int kGridRows = 10;

}  // namespace

SystemDetailsDialog::SystemDetailsDialog(station::Station& station, QWidget* parent)
    : QDialog(parent), station_(station) {
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  auto* fields = new QGridLayout;
  fields->addWidget(new QLabel("File Delimitor", this), 0, 0);
  delimiter_ = new QLineEdit(FromLatin1(station.Screen().system_details.file_delimiter), this);
  delimiter_->setFixedWidth(40);  // takes the first character of what is typed
  fields->addWidget(delimiter_, 0, 1, Qt::AlignLeft);
  fields->addWidget(new QLabel("Current Cell Number", this), 1, 0);
  cell_number_ = new QLineEdit(this);
  cell_number_->setFixedWidth(80);
  fields->addWidget(cell_number_, 1, 1, Qt::AlignLeft);
  fields->addWidget(new QLabel("Default Path :", this), 2, 0);
  default_path_ = new QLabel(this);
  fields->addWidget(default_path_, 2, 1);
  layout->addLayout(fields);

  layout->addWidget(new QLabel("USB Devices Detected", this));
  devices_ = new QTableWidget(kGridRows, 4, this);
  devices_->setHorizontalHeaderLabels({"Handle", "Description", "Serial", "Version"});
  devices_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  devices_->horizontalHeader()->setStretchLastSection(true);
  devices_->setMinimumSize(420, 220);
  layout->addWidget(devices_);

  auto* buttons = new QHBoxLayout;
  auto* accept = new QPushButton("Accept", this);
  auto* cancel = new QPushButton("Cancel", this);
  buttons->addStretch();
  buttons->addWidget(accept);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  connect(accept, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool SystemDetailsDialog::Run() {
  station_.OpenSystemDetails();
  Fill();
  const bool accepted = exec() == QDialog::Accepted;
  screen::SystemDetailsDialog& details = station_.Screen().system_details;
  if (accepted) {
    details.file_delimiter = ToLatin1(delimiter_->text());
    details.cell_number = ToLatin1(cell_number_->text());
    station_.AcceptSystemDetails();
  } else {
    // Cancel changes nothing, but the delimiter field keeps what it shows next time.
    delimiter_->setText(FromLatin1(details.file_delimiter));
  }
  return accepted;
}

void SystemDetailsDialog::Fill() {
  const screen::Screen& screen = station_.Screen();
  const screen::SystemDetailsDialog& details = screen.system_details;
  setWindowTitle(FromLatin1(details.caption));
  cell_number_->setText(FromLatin1(details.cell_number));
  default_path_->setText(FromLatin1(details.default_path));
  delimiter_->setText(FromLatin1(details.file_delimiter));
  const auto& rows = screen.devices.Rows();
  // The device grid's rows are instances; the dialog's columns start at the handle.
  for (int row = 0; row < kGridRows; ++row) {
    for (int column = 0; column < 4; ++column) {
      const std::string text = static_cast<std::size_t>(row) < rows.size()
                                   ? rows[static_cast<std::size_t>(row)]
                                         [static_cast<std::size_t>(column + 1)]
                                   : std::string();
      auto* item = devices_->item(row, column);
      if (!item) {
        item = new QTableWidgetItem;
        devices_->setItem(row, column, item);
      }
      item->setText(FromLatin1(text));
    }
  }
  for (QPushButton* button : findChildren<QPushButton*>()) {
    if (button->text() == "Accept") button->setEnabled(details.accept_enabled);
  }
}

}  // namespace tarvos::ui
