#include "app/batch_run.h"

#include <array>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <system_error>
#include <variant>

#include "app/batch_operator.h"
#include "app/batch_options.h"
#include "app/program_folder_seed.h"
#include "calib/settings_file.h"
#include "platform/adapter_library.h"
#include "platform/event_loop.h"
#include "platform/shared_library_adapters.h"
#include "platform/system_event_loop.h"
#include "platform/virtual_event_loop.h"
#include "sim/bench.h"
#include "sim/simulated_test_set.h"
#include "ui/printed_reports.h"
#include "ui/qt_application.h"
#include "ui/station_reports.h"

#ifndef TARVOS_DATA_DIR
#error "TARVOS_DATA_DIR names the sample data folder the program folder is seeded from"
#endif

namespace tarvos::app {
namespace {

constexpr std::string_view kNoSynthesiser =
    "error: no synthesiser found at start-up, so the run cannot start";
constexpr std::string_view kRunNotStarted = "error: the run did not start";
constexpr uint32_t kStopRetryMs = 55;

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace

std::string FromWorkingFolder(const std::string& path) {
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return error ? path : absolute.string();
}

namespace {

void AppendFixed(std::string& text, double value, int decimals) {
  std::array<char, 64> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                    std::chars_format::fixed, decimals);
  text.append(buffer.data(), result.ptr);
}

// The loop the whole process runs on: the steady clock, or virtual time.
struct Clock {
  std::unique_ptr<platform::EventLoop> Loop;
  std::function<station::ClockReading()> LocalTime;
};

Clock MakeClock(bool virtual_time) {
  if (!virtual_time) {
    return {std::make_unique<platform::SystemEventLoop>(),
            [] { return LocalReading(std::time(nullptr)); }};
  }
  // The date and time move on with the virtual clock from the moment the run began, so
  // the saved file carries a plausible time and the run stays the same from run to run.
  auto loop = std::make_unique<platform::VirtualEventLoop>();
  platform::VirtualEventLoop& virtual_loop = *loop;
  const std::time_t began = std::time(nullptr);
  return {std::move(loop), [&virtual_loop, began] {
            return LocalReading(began + static_cast<std::time_t>(virtual_loop.ElapsedMs() / 1000));
          }};
}

}  // namespace

std::unique_ptr<platform::AdapterLibrary> MakeAdapters(const BatchOptions& options,
                                                       platform::EventLoop& loop,
                                                       std::ostream& err) {
  if (options.AdapterLibrary) {
    try {
      return platform::SharedLibraryAdapters::Load(*options.AdapterLibrary);
    } catch (const platform::AdapterLibraryError& error) {
      err << "error: " << error.what() << '\n';
      return nullptr;
    }
  }
  // The parser has checked the name already.
  std::optional<sim::Bench> bench = sim::MakeBench(options.SimBench);
  if (!bench) {
    err << "error: unknown simulator bench '" << options.SimBench << "'\n";
    return nullptr;
  }
  return std::make_unique<sim::SimulatedTestSet>(std::move(*bench), options.SimSeed,
                                                 [&loop] { return loop.ClockMs(); });
}

std::string SampleDataFolder() {
  // An installed program finds its samples beside it; a built one in the source tree.
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) {
    const std::filesystem::path installed =
        program.parent_path().parent_path() / "share" / "tarvos" / "data";
    if (std::filesystem::is_directory(installed, error)) return WithSlash(installed.string());
  }
  return WithSlash(TARVOS_DATA_DIR);
}

void SeedFromSamples(const std::string& program_folder, std::ostream& err) {
  const SeedReport report = SeedProgramFolder(SampleDataFolder(), program_folder);
  // A file left out shows up later as the program's own message about it; this line
  // says why.
  for (const std::string& problem : report.Problems) err << "warning: " << problem << '\n';
}

std::string PrepareProgramFolder(const BatchOptions& options, std::ostream& err) {
  std::optional<std::string> folder_option;
  if (options.ProgramFolder) folder_option = FromWorkingFolder(*options.ProgramFolder);
  std::string program_folder = calib::DefaultPath(folder_option);
  if (!options.AdapterLibrary) SeedFromSamples(program_folder, err);
  return program_folder;
}

std::optional<int> AnswerHelpOrUsage(const ParsedArguments& parsed, std::ostream& out,
                                     std::ostream& err) {
  if (std::holds_alternative<HelpRequested>(parsed)) {
    out << UsageText();
    return kExitDone;
  }
  if (const auto* usage = std::get_if<UsageError>(&parsed)) {
    err << "error: " << usage->Text << '\n' << kUsageHint << '\n';
    return kExitCannotStart;
  }
  return std::nullopt;
}

namespace {

// Both reports as the window prints them, into PDF files; Qt comes up offscreen for it
// when there is no display.
bool PrintReports(station::Station& station, const BatchOptions& options, std::ostream& err) {
  int argc = 1;
  char name[] = "tarvos";
  char* argv[] = {name, nullptr};
  ui::QtApplication application(argc, argv);
  BatchOperator op(err, options.Answer);
  const std::string plot = options.ReportPdf ? FromWorkingFolder(*options.ReportPdf) : "";
  const std::string table = options.TablePdf ? FromWorkingFolder(*options.TablePdf) : "";
  if (ui::PrintReportsToPdf(ui::StationReportInputs(station, op), plot, table)) return true;
  err << "error: the reports could not be printed to "
      << (plot.empty() ? table : table.empty() ? plot : plot + " and " + table) << '\n';
  return false;
}

// Everything between start-up and the closing steps; the status of the batch run.
int Drive(station::Station& station, platform::EventLoop& loop, const BatchOptions& options,
          std::optional<engine::EndReason>& ended, std::ostream& out, std::ostream& err) {
  if (!station.Link().SynthPresent) {
    err << kNoSynthesiser << '\n';
    return kExitCannotStart;
  }
  // The file's own error has been shown by the command.
  if (!station.Files().OpenSetupFrom(FromWorkingFolder(options.SetupPath))) {
    return kExitCannotStart;
  }

  // RUN and PRE-SCAN both serve as their own STOP button while their run is going.
  const auto press = [&station, &options] {
    if (options.PreScan) {
      station.PressPreScan();
    } else {
      station.PressRun();
    }
  };
  bool stopped_by_option = false;
  std::unique_ptr<platform::Timer> stop_timer;
  if (options.StopAfterMs) {
    stop_timer = loop.CreateTimer();
    platform::Timer& timer = *stop_timer;
    timer.SetInterval(*options.StopAfterMs);
    timer.SetCallback([&timer, &station, &ended, &stopped_by_option, &press] {
      if (!ended && !station.Run().Running) {
        // Still inside the start of RUN, before there is a run to stop: STOP would
        // start another one. Try again a tick later.
        timer.SetInterval(kStopRetryMs);
        return;
      }
      timer.SetEnabled(false);
      if (ended) return;
      stopped_by_option = true;
      press();
    });
    timer.SetEnabled(true);
  }
  // The run's time on its own clock, from RUN to the end-of-run message.
  const uint64_t run_began = loop.ClockMs();
  uint64_t run_ended = run_began;
  station.OnRunEnded([&ended, &loop, &run_ended](engine::EndReason reason) {
    ended = reason;
    run_ended = loop.ClockMs();
  });
  press();  // returns when the run has ended
  if (stop_timer) stop_timer->SetEnabled(false);

  if (!ended) {
    err << kRunNotStarted << '\n';
    return ExitStatusFor(ended, stopped_by_option);
  }
  // Standard output ends with it: the step lines come before, the messages go elsewhere.
  out << RunTimeLine(run_ended - run_began);
  out.flush();
  if (!station.Files().SaveResultsTo(FromWorkingFolder(options.ResultsPath))) {
    return kExitNotSaved;
  }
  if ((options.ReportPdf || options.TablePdf) && !PrintReports(station, options, err)) {
    return kExitNotSaved;
  }
  return ExitStatusFor(ended, stopped_by_option);
}

int RunWith(const BatchOptions& options, std::ostream& out, std::ostream& err) {
  Clock clock = MakeClock(options.VirtualTime);
  std::unique_ptr<platform::AdapterLibrary> adapters = MakeAdapters(options, *clock.Loop, err);
  if (!adapters) return kExitCannotStart;

  const std::string program_folder = PrepareProgramFolder(options, err);

  BatchOperator op(err, options.Answer);
  station::Station station(
      station::StationParts{*clock.Loop, *adapters, op, program_folder, clock.LocalTime});
  std::optional<engine::EndReason> ended;
  station.OnRecorded([&station, &out](uint32_t index) {
    out << StepLine(index, station.Results().Entries[engine::EntryIndex(index)]);
    out.flush();  // a run on the real clock takes minutes: show each step as it comes
  });

  // No window to wait for: start up at once rather than on the start-up timer.
  station.StartUp();
  const int status = Drive(station, *clock.Loop, options, ended, out, err);
  station.Close();  // nobody to ask the close question
  return status;
}

}  // namespace

std::string StepLine(uint32_t index, const engine::ResultPoint& entry) {
  std::string line = "step " + std::to_string(index) + ": ";
  AppendFixed(line, static_cast<double>(entry.Frequency) / 1e6, 3);
  line += " MHz, ";
  AppendFixed(line, entry.Level, 2);
  line += " V/m\n";
  return line;
}

std::string RunTimeLine(uint64_t run_ms) {
  return "run time: " + std::to_string(run_ms) + " ms\n";
}

int ExitStatusFor(std::optional<engine::EndReason> reason, bool stopped_by_option) {
  if (!reason) return kExitRunEnded;
  switch (*reason) {
    case engine::EndReason::Completed:
    case engine::EndReason::PreScanCompleted:
      return kExitDone;
    case engine::EndReason::StoppedByUser:
      return stopped_by_option ? kExitDone : kExitRunEnded;
    default:
      return kExitRunEnded;
  }
}

station::ClockReading LocalReading(std::time_t moment) {
  std::tm parts{};
  if (::localtime_r(&moment, &parts) == nullptr) return {};
  return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
          parts.tm_hour,        parts.tm_min,     parts.tm_sec};
}

int RunBatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const ParsedArguments parsed = ParseBatchArguments(args);
  if (const auto status = AnswerHelpOrUsage(parsed, out, err)) return *status;
  return RunWith(std::get<BatchOptions>(parsed), out, err);
}

}  // namespace tarvos::app
