#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/operator.h"

namespace tarvos::ui {

// The operator's dialogs as Qt shows them: message boxes, the input box, the file,
// folder and colour dialogs, and the busy cursor. Every dialog is modal and pumps, so
// the window's timers and a running sequencer's handlers go on while one is open.
// Message boxes carry the application's display name as their caption.
class QtOperator final : public platform::Operator {
 public:
  // parent: the window the dialogs are centred on and modal to; may be null.
  explicit QtOperator(QWidget* parent = nullptr) : parent_(parent) {}
  ~QtOperator() override;
  QtOperator(const QtOperator&) = delete;
  QtOperator& operator=(const QtOperator&) = delete;

  // For a window made after its operator.
  void SetParent(QWidget* parent) { parent_ = parent; }

  void Show(platform::MessageKind kind, std::string_view text) override;
  bool Ask(platform::MessageKind kind, std::string_view text) override;
  std::optional<std::string> Input(std::string_view title, std::string_view prompt,
                                   std::string_view initial) override;
  std::optional<std::string> OpenFile(const platform::FileDialogRequest& request) override;
  std::optional<std::string> SaveFile(const platform::FileDialogRequest& request) override;
  using Operator::ChooseFolder;
  std::optional<std::string> ChooseFolder(std::string_view title,
                                          std::string_view initial) override;
  // The drive list ("Select Drive"), the folder list and a path field that shows the
  // folder chosen and can be typed into.
  std::optional<std::string> ChooseFolder(const platform::FolderDialogRequest& request) override;
  std::optional<uint32_t> ChooseColour(uint32_t initial) override;
  void ShowBusy(bool busy) override;

 private:
  std::optional<std::string> ChooseFile(const platform::FileDialogRequest& request, bool save);

  // A dialog may outlive its window's widget tree only through this guard.
  QPointer<QWidget> parent_;
  bool busy_ = false;
};

// The program's "Results Files|*.RF|All|*.*" filters in Qt's form,
// "Results Files (*.RF);;All (*.*)"; several patterns of one pair ("*.a;*.b") are
// separated by spaces there.
QString QtFileFilter(std::string_view filter);

// The path with "." and the extension appended when its file name has none.
std::string WithDefaultExtension(std::string path, std::string_view extension);

}  // namespace tarvos::ui
