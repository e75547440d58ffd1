#include "calib/system_details.h"

#include <string_view>

#include "calib/settings_file.h"
#include "screen/messages.h"

namespace tarvos::calib {
namespace {

constexpr std::string_view kVersionRequest = "03,20,00,04";

}  // namespace

void OpenSystemDetails(link::AdapterAccess& access, const Settings& config,
                       screen::SystemDetailsDialog& dialog) {
  dialog.cell_number = config.CellSerial;
  access.SendSynth(kVersionRequest);
  access.ReadSynthReplies();
  if (access.Link().SalvoPresent) {
    access.SendSalvo(kVersionRequest);
    access.ReadSalvoReplies();
  }
  dialog.caption = access.Link().ModelName + " Details";
  dialog.default_path = config.DefaultPath;
}

CellLoad AcceptSystemDetails(const screen::SystemDetailsDialog& dialog, CellFileContext& context) {
  const std::string& delimiter = dialog.file_delimiter;
  if (!delimiter.empty()) {
    // A text of one blank is refused; a longer one gives its first character, even a
    // blank.
    if (delimiter != " " && IsUsableDelimiter(delimiter.front())) {
      context.Config.FileDelimiter = delimiter.front();
    } else {
      screen::Tell(context.Op, screen::msg::kInvalidDelimiter);
    }
  }
  context.Config.CellSerial = dialog.cell_number;
  return LoadCellTable(context);
}

}  // namespace tarvos::calib
