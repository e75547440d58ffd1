#include "app/window_run.h"

#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "app/batch_options.h"
#include "app/batch_run.h"
#include "calib/settings_file.h"
#include "station/station.h"
#include "ui/main_window.h"
#include "ui/operator_window.h"
#include "ui/qt_application.h"
#include "ui/qt_event_loop.h"
#include "ui/qt_operator.h"

namespace tarvos::app {

int RunWindow(int argc, char** argv, std::ostream& out, std::ostream& err) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const ParsedArguments parsed = ParseWindowArguments(args);
  if (const auto status = AnswerHelpOrUsage(parsed, out, err)) return *status;
  const BatchOptions& options = std::get<BatchOptions>(parsed);
  if (!ui::HasDisplay()) {
    err << kNoDisplayText << '\n';
    return kExitCannotStart;
  }

  ui::QtApplication application(argc, argv);

  ui::QtEventLoop loop;
  std::unique_ptr<platform::AdapterLibrary> adapters = MakeAdapters(options, loop, err);
  if (!adapters) return kExitCannotStart;

  const std::optional<std::string> folder = PrepareProgramFolder(options, err);
  if (!folder) return kExitCannotStart;
  const std::string& program_folder = *folder;

  ui::QtOperator op(nullptr);
  station::Station station(station::StationParts{
      loop, *adapters, op, program_folder, [] { return LocalReading(std::time(nullptr)); }});
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
