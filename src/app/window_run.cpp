#include "app/window_run.h"

#include <ctime>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/batch_lines.h"
#include "app/batch_operator.h"
#include "app/batch_options.h"
#include "app/batch_run.h"
#include "calib/settings_file.h"
#include "platform/operator.h"
#include "station/station.h"
#include "ui/main_window.h"
#include "ui/operator_window.h"
#include "ui/qt_application.h"
#include "ui/qt_event_loop.h"
#include "ui/qt_operator.h"

namespace tarvos::app {

std::function<void(const std::string&)> AdapterWarningInBox(platform::EventLoop& loop,
                                                           platform::Operator& op,
                                                           std::ostream& err) {
  return [&loop, &op, &err](const std::string& text) {
    err << Said(batch_line::kAdapterWarning, {text}) << '\n';
    loop.Post([&op, text] { op.Show(platform::MessageKind::Warning, text); });
  };
}

namespace {

// What stops the window from opening is said in a box too: a program started from the
// desktop has no console to read it on.
int CannotStart(platform::Operator& op, std::ostream& err, const std::string& said) {
  err << said;
  std::string text = said;
  while (!text.empty() && text.back() == '\n') text.pop_back();
  const std::string error_kind = std::string(MessageKindName(platform::MessageKind::Error)) + ": ";
  if (text.starts_with(error_kind)) text.erase(0, error_kind.size());
  op.Show(platform::MessageKind::Error, text);
  return kExitCannotStart;
}

}  // namespace

int RunWindow(int argc, char** argv, std::ostream& out, std::ostream& err) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const ParsedArguments parsed = ParseWindowArguments(args);
  std::ostringstream usage_said;
  if (const auto status = AnswerHelpOrUsage(parsed, out, usage_said)) {
    // A mistake on a shortcut's command line is said in a box as well.
    if (*status == kExitCannotStart && ui::HasDisplay()) {
      ui::QtApplication application(argc, argv);
      ui::QtOperator op(nullptr);
      return CannotStart(op, err, usage_said.str());
    }
    err << usage_said.str();
    return *status;
  }
  const BatchOptions& options = std::get<BatchOptions>(parsed);
  if (!ui::HasDisplay()) {
    err << Said(batch_line::kNoDisplay) << '\n';
    return kExitCannotStart;
  }

  ui::QtApplication application(argc, argv);

  ui::QtEventLoop loop;
  ui::QtOperator op(nullptr);
  std::ostringstream adapters_said;
  std::unique_ptr<platform::AdapterLibrary> adapters =
      MakeAdapters(options, loop, adapters_said, AdapterWarningInBox(loop, op, err));
  if (!adapters) return CannotStart(op, err, adapters_said.str());

  std::ostringstream folder_said;
  const std::optional<ProgramFolder> folder = PrepareProgramFolder(options, folder_said);
  if (!folder) return CannotStart(op, err, folder_said.str());
  err << folder_said.str();
  const std::string& program_folder = folder->Path;

  station::Station station(station::StationParts{
      loop, *adapters, op, program_folder, [] { return LocalReadingNow(); }});
  ui::OperatorWindow window(station, op, [&loop] { return loop.Quitting(); });
  // Ctrl+C or the session ending: the run in progress ends, and the closing steps below
  // leave the hardware safe.
  application.OnQuitSignal([&loop] { loop.Quit(); });
  loop.SetAfterDispatch([&window] { window.Refresh(); });
  window.Show();
  const int status = loop.RunUntilQuit();
  // The window closes through the close question, which runs the closing steps; a quit
  // from elsewhere (the session ending) must still leave the hardware safe.
  if (!station.Closed()) station.Close();
  return status == 0 ? kExitDone : status;
}

}  // namespace tarvos::app
