#include "ui/qt_operator.h"

#include <QApplication>
#include <QColor>
#include <QColorDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QComboBox>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <QMessageBox>
#include <QStringList>
#include <utility>

#include "platform/system_paths.h"
#include "ui/latin1.h"

namespace tarvos::ui {

namespace {

using platform::MessageKind;

QMessageBox::Icon IconOf(MessageKind kind) {
  switch (kind) {
    case MessageKind::Plain:
      return QMessageBox::NoIcon;
    case MessageKind::Information:
      return QMessageBox::Information;
    case MessageKind::Warning:
      return QMessageBox::Warning;
    case MessageKind::Confirmation:
      return QMessageBox::Question;
    case MessageKind::Error:
      return QMessageBox::Critical;
  }
  return QMessageBox::NoIcon;
}

// File names are the file system's bytes (UTF-8 where the program's paths always are),
// not the program's Latin-1 texts: a folder named in UTF-8 must open again under the name
// the dialog returned.
std::string PathBytes(const QString& path) {
  if (platform::PathsAreUtf8()) return path.toStdString();
  return QFile::encodeName(path).toStdString();
}

QString PathText(std::string_view path) {
  const QByteArray bytes(path.data(), static_cast<qsizetype>(path.size()));
  if (platform::PathsAreUtf8()) return QString::fromUtf8(bytes);
  return QFile::decodeName(bytes);
}

}  // namespace

QString QtFileFilter(std::string_view filter) {
  const QStringList parts = FromLatin1(filter).split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& pattern : patterns) pattern = pattern.trimmed();
    patterns.removeAll(QString());
    if (patterns.isEmpty()) continue;
    filters.append(parts[i].trimmed() + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                   QLatin1Char(')'));
  }
  return filters.join(QStringLiteral(";;"));
}

std::string WithDefaultExtension(std::string path, std::string_view extension) {
  if (extension.empty() || path.empty()) return path;
  const size_t name_start = path.find_last_of('/');
  const size_t name = name_start == std::string::npos ? 0 : name_start + 1;
  if (name >= path.size() || path.find('.', name) != std::string::npos) return path;
  path += '.';
  path += extension;
  return path;
}

QtOperator::~QtOperator() {
  if (busy_) QApplication::restoreOverrideCursor();
}

void QtOperator::Show(MessageKind kind, std::string_view text) {
  QMessageBox box(IconOf(kind), QCoreApplication::applicationName(), FromLatin1(text),
                  QMessageBox::Ok, parent_);
  box.exec();
}

bool QtOperator::Ask(MessageKind kind, std::string_view text) {
  QMessageBox box(IconOf(kind), QCoreApplication::applicationName(), FromLatin1(text),
                  QMessageBox::Yes | QMessageBox::No, parent_);
  box.setDefaultButton(QMessageBox::Yes);
  // Closing the box, or Escape, answers No.
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

std::optional<std::string> QtOperator::Input(std::string_view title, std::string_view prompt,
                                             std::string_view initial) {
  QInputDialog dialog(parent_);
  dialog.setInputMode(QInputDialog::TextInput);
  dialog.setWindowTitle(FromLatin1(title));
  dialog.setLabelText(FromLatin1(prompt));
  dialog.setTextValue(FromLatin1(initial));
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return ToLatin1(dialog.textValue());
}

std::optional<std::string> QtOperator::ChooseFile(const platform::FileDialogRequest& request,
                                                  bool save) {
  // Qt's own dialog, the same on every platform and reachable by the window's tests.
  QFileDialog dialog(parent_, FromLatin1(request.Title), PathText(request.InitialName),
                     QtFileFilter(request.Filter));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setDefaultSuffix(FromLatin1(request.DefaultExtension));
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty() || chosen.front().isEmpty()) return std::nullopt;
  return WithDefaultExtension(PathBytes(chosen.front()), request.DefaultExtension);
}

std::optional<std::string> QtOperator::OpenFile(const platform::FileDialogRequest& request) {
  return ChooseFile(request, false);
}

std::optional<std::string> QtOperator::SaveFile(const platform::FileDialogRequest& request) {
  return ChooseFile(request, true);
}

std::optional<std::string> QtOperator::ChooseFolder(
    const platform::FolderDialogRequest& request) {
  QDialog dialog(parent_);
  dialog.setObjectName("folder_dialog");
  dialog.setWindowTitle(FromLatin1(request.Title));
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(new QLabel(FromLatin1(request.Label), &dialog));
  auto* drives = new QComboBox(&dialog);
  drives->setObjectName("drives");
  for (const QFileInfo& drive : QDir::drives()) drives->addItem(drive.absoluteFilePath());
  auto* drive_row = new QHBoxLayout;
  drive_row->addWidget(new QLabel("Select Drive", &dialog));
  drive_row->addWidget(drives, 1);
  layout->addLayout(drive_row);
  auto* model = new QFileSystemModel(&dialog);
  model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
  auto* folders = new QTreeView(&dialog);
  folders->setObjectName("folders");
  folders->setModel(model);
  for (int column = 1; column < model->columnCount(); ++column) folders->hideColumn(column);
  folders->header()->hide();
  folders->setMinimumSize(360, 240);
  layout->addWidget(folders);
  auto* path = new QLineEdit(&dialog);
  path->setObjectName("path");
  layout->addWidget(path);
  const auto show_root = [model, folders, path](const QString& root) {
    folders->setRootIndex(model->setRootPath(root));
    path->setText(root);
  };
  const QString initial = request.Initial.empty() ? QDir::homePath() : PathText(request.Initial);
  show_root(drives->count() > 0 ? drives->itemText(0) : QDir::rootPath());
  if (const QModelIndex start = model->index(initial); start.isValid()) {
    folders->setCurrentIndex(start);
    folders->scrollTo(start);
    path->setText(initial);
  }
  QObject::connect(drives, &QComboBox::textActivated, &dialog, show_root);
  QObject::connect(folders->selectionModel(), &QItemSelectionModel::currentChanged, &dialog,
                   [model, path](const QModelIndex& current) {
                     if (current.isValid()) path->setText(model->filePath(current));
                   });
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  auto* load = new QPushButton(FromLatin1(request.AcceptCaption), &dialog);
  auto* cancel = new QPushButton("Cancel", &dialog);
  buttons->addWidget(load);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  QObject::connect(load, &QPushButton::clicked, &dialog, &QDialog::accept);
  QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
  if (dialog.exec() != QDialog::Accepted || path->text().isEmpty()) return std::nullopt;
  std::string folder = PathBytes(QDir::cleanPath(path->text()));
  if (folder.back() != '/') folder += '/';
  return folder;
}

std::optional<std::string> QtOperator::ChooseFolder(std::string_view title,
                                                    std::string_view initial) {
  QFileDialog dialog(parent_, FromLatin1(title), PathText(initial));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  dialog.setFileMode(QFileDialog::Directory);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty() || chosen.front().isEmpty()) return std::nullopt;
  // Callers join file names straight onto the folder.
  std::string folder = PathBytes(QDir::cleanPath(chosen.front()));
  if (folder.back() != '/') folder += '/';
  return folder;
}

std::optional<uint32_t> QtOperator::ChooseColour(uint32_t initial) {
  QColorDialog dialog(QColor::fromRgb(static_cast<QRgb>(initial & 0xFFFFFFu)), parent_);
  dialog.setOption(QColorDialog::DontUseNativeDialog);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return static_cast<uint32_t>(dialog.selectedColor().rgb()) & 0xFFFFFFu;
}

void QtOperator::ShowBusy(bool busy) {
  // Balanced whatever the callers do, so that a stray restore never takes away a cursor
  // that another part of the window set.
  if (busy == busy_) return;
  busy_ = busy;
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

}  // namespace tarvos::ui
