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
  // Colours as 0xRRGGBB.
  virtual std::optional<uint32_t> ChooseColour(uint32_t initial) = 0;
  // The hourglass cursor, shown while the amplifiers change over.
  virtual void ShowBusy(bool busy) = 0;
};

}  // namespace tarvos::platform
