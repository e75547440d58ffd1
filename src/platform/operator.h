#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvos::platform {

// The kind of a message box, as the operator sees it (icon and caption).
enum class MessageKind { Plain, Information, Warning, Confirmation, Error };

struct FileDialogRequest {
  std::string Title;
  std::string Filter;            // "Results Files|*.RF" pairs, '|' separated
  std::string DefaultExtension;  // without the dot
  std::string InitialName;
};

// A folder dialog of the program's own: its caption, the label above the folders and the
// caption of the button that takes the folder.
struct FolderDialogRequest {
  std::string Title;
  std::string Label;
  std::string AcceptCaption;
  std::string Initial;
};

// Every message box, question, input box and file, folder or colour dialog the
// program shows. All are modal: the window's timers keep running while one is open.
class Operator {
 public:
  virtual ~Operator() = default;

  // A box with one OK button.
  virtual void Show(MessageKind kind, std::string_view text) = 0;
  // A box with Yes and No buttons; true for Yes.
  virtual bool Ask(MessageKind kind, std::string_view text) = 0;
  // A text input box; nullopt on Cancel.
  virtual std::optional<std::string> Input(std::string_view title, std::string_view prompt,
                                           std::string_view initial) = 0;
  virtual std::optional<std::string> OpenFile(const FileDialogRequest& request) = 0;
  virtual std::optional<std::string> SaveFile(const FileDialogRequest& request) = 0;
  virtual std::optional<std::string> ChooseFolder(std::string_view title,
                                                  std::string_view initial) = 0;
  // The same with a label and a named accept button; where the operator has no such
  // dialog, the plain folder dialog with the request's title.
  virtual std::optional<std::string> ChooseFolder(const FolderDialogRequest& request) {
    return ChooseFolder(request.Title, request.Initial);
  }
  // Colours as 0xRRGGBB.
  virtual std::optional<uint32_t> ChooseColour(uint32_t initial) = 0;
  // The hourglass cursor, shown while the amplifiers change over.
  virtual void ShowBusy(bool busy) = 0;
};

}  // namespace tarvos::platform
