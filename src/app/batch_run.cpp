#include "app/batch_run.h"

#include <array>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <system_error>
#include <string_view>
#include <variant>

#include "app/batch_lines.h"
#include "app/batch_operator.h"
#include "app/batch_options.h"
#include "app/program_folder_seed.h"
#include "calib/settings_file.h"
#include "engine/resume.h"
#include "platform/adapter_library.h"
#include "platform/event_loop.h"
#include "platform/operator_texts.h"
#include "platform/folder_lock.h"
#include "platform/interrupts.h"
#include "platform/process_adapters.h"
#include "platform/shared_library_adapters.h"
#include "platform/system_event_loop.h"
#include "platform/system_paths.h"
#include "platform/text_file.h"
#include "platform/virtual_event_loop.h"
#include "records/run_log.h"
#include "screen/messages.h"
#include "sim/bench.h"
#include "sim/simulated_test_set.h"

namespace tarvos::app {
namespace {

constexpr uint32_t kStopRetryMs = 55;
// How often a batch run looks for Ctrl+C.
constexpr uint32_t kInterruptCheckMs = 100;

// What an installation for all users hands a per-user folder used for the first time.
bool IsInstallationFile(const std::string& name) {
  std::string lower = name;
  for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (lower == "tarvos.ini" || lower == "salvo.ini" || lower == "brevantusb.txt") return true;
  return lower.starts_with("cell") && lower.ends_with(".csv");
}

}  // namespace

std::string FromWorkingFolder(const std::string& path) { return platform::AbsolutePath(path); }

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
    return {std::make_unique<platform::SystemEventLoop>(), [] { return LocalReadingNow(); }};
  }
  // The date and time move on with the virtual clock from the moment the run began, so
  // the saved file carries a plausible time and the run stays the same from run to run.
  auto loop = std::make_unique<platform::VirtualEventLoop>();
  platform::VirtualEventLoop& virtual_loop = *loop;
  const int64_t began_ms = static_cast<int64_t>(std::time(nullptr)) * 1000;
  return {std::move(loop), [&virtual_loop, began_ms] {
            return LocalReading(began_ms + static_cast<int64_t>(virtual_loop.ElapsedMs()));
          }};
}

}  // namespace

std::unique_ptr<platform::AdapterLibrary> MakeAdapters(
    const BatchOptions& options, platform::EventLoop& loop, std::ostream& err,
    std::function<void(const std::string&)> warn) {
  if (options.AdapterLibrary) {
    // Where the library is, before its bitness is read and a helper is started for it.
    const std::string library = platform::AdapterLibraryPath(*options.AdapterLibrary);
    if (const auto helper = platform::AdapterHelperFor(library, options.AdapterProcess)) {
      return std::make_unique<platform::ProcessAdapters>(
          *helper, library, platform::ProcessAdapters::Limits{}, std::move(warn));
    }
    try {
      return platform::SharedLibraryAdapters::Load(library);
    } catch (const platform::AdapterLibraryError& error) {
      err << Said(batch_line::kAdapterLibrary, {error.what()}) << '\n';
      return nullptr;
    }
  }
  // The parser has checked the name already.
  std::optional<sim::Bench> bench = sim::MakeBench(options.SimBench);
  if (!bench) {
    err << Said(batch_line::kUnknownBench, {options.SimBench, BenchList()}) << '\n';
    return nullptr;
  }
  return std::make_unique<sim::SimulatedTestSet>(std::move(*bench), options.SimSeed,
                                                 [&loop] { return loop.ClockMs(); });
}

std::string SampleDataFolder() {
  // A program finds its samples beside it (built, or installed on Windows), or in the
  // shared data of its installation (Linux).
  const std::string program = platform::ExecutableFolder();
  const char separator = platform::FolderSeparator();
  const std::string beside = platform::WithSeparator(program + "data");
  if (program.empty() || platform::FileExists(beside + "IEC-Industrial.STP")) return beside;
  const std::string shared = program + ".." + separator + "share" + separator + "tarvos" +
                             separator + "data" + separator;
  return platform::FileExists(shared + "IEC-Industrial.STP") ? shared : beside;
}

void SeedFromSamples(const std::string& program_folder, std::ostream& err) {
  const SeedReport report = SeedProgramFolder(SampleDataFolder(), program_folder);
  // A file left out shows up later as the program's own message about it; this line
  // says why.
  for (const std::string& problem : report.Problems) err << problem << '\n';
}

std::optional<ProgramFolder> PrepareProgramFolder(const BatchOptions& options, std::ostream& err) {
  std::optional<std::string> folder_option;
  if (options.ProgramFolder) folder_option = FromWorkingFolder(*options.ProgramFolder);
  const std::string program_folder = calib::DefaultPath(folder_option);
  if (!platform::MakeFolders(program_folder) || !platform::CanCreateFilesIn(program_folder)) {
    // A folder the operator named is never traded for another; without one, the files
    // the program misses there say so later, each with its own message.
    err << MessageKindName(folder_option ? platform::MessageKind::Error
                                         : platform::MessageKind::Warning)
        << ": " << screen::Fill(screen::msg::kProgramFolderUnusable, {program_folder}) << '\n';
    if (folder_option) return std::nullopt;
  }
  // Before anything in the folder is read or written: a second copy on it would rename
  // the first one's recovery file and overwrite its settings.
  platform::FolderLock::Outcome outcome = platform::FolderLock::Outcome::NotLockable;
  std::unique_ptr<platform::FolderLock> lock = platform::FolderLock::Take(program_folder, outcome);
  if (outcome == platform::FolderLock::Outcome::HeldByAnother) {
    std::string shown = program_folder;
    if (shown.size() > 1 && shown.back() == platform::FolderSeparator()) shown.pop_back();
    err << MessageKindName(platform::MessageKind::Error) << ": "
        << screen::Fill(screen::msg::kProgramFolderInUse, {shown}) << '\n';
    return std::nullopt;
  }
  // A per-user folder used for the first time takes the settings and cell files of an
  // installation for all users that it stands in for.
  const std::optional<std::string> installed = platform::InstalledProgramFolder();
  if (!folder_option && !platform::EnvironmentText("TARVOS_HOME") && installed &&
      *installed != program_folder &&
      !platform::FindFileIgnoringCase(program_folder, calib::kSettingsFileName)) {
    const SeedReport report = SeedProgramFolder(*installed, program_folder, IsInstallationFile);
    for (const std::string& problem : report.Problems) err << problem << '\n';
  }
  if (!options.AdapterLibrary) SeedFromSamples(program_folder, err);
  return ProgramFolder{program_folder, std::move(lock)};
}

std::optional<int> AnswerHelpOrUsage(const ParsedArguments& parsed, std::ostream& out,
                                     std::ostream& err, Program program) {
  if (std::holds_alternative<HelpRequested>(parsed)) {
    out << UsageText(program);
    return kExitDone;
  }
  if (const auto* usage = std::get_if<UsageError>(&parsed)) {
    err << usage->Kind << ": " << usage->Text << '\n'
        << Said(program == Program::Window ? batch_line::kUsageHint : batch_line::kBatchUsageHint)
        << '\n';
    return kExitCannotStart;
  }
  return std::nullopt;
}

namespace {

// The program folder's file of the name of a file named on the command line that is not
// where it was given ("" when none): the samples are copied there, not into the working
// folder.
std::string InProgramFolder(const std::string& given, const std::string& program_folder) {
  if (program_folder.empty() || platform::FileExists(FromWorkingFolder(given))) return {};
  const std::string_view name = platform::FileNameOf(given);
  if (name.empty()) return {};
  return platform::FindFileIgnoringCase(program_folder, name).value_or(std::string());
}

std::string NamedFileError(const std::string& given, std::string_view reason,
                           const std::string& program_folder) {
  const std::string found =
      reason == platform::kFileNotFoundText ? InProgramFolder(given, program_folder) : "";
  return found.empty() ? Said(batch_line::kNamedFile, {given, reason})
                       : Said(batch_line::kNamedFileInProgramFolder, {given, reason, found});
}

// The errors of one file named on the command line name it, while it is read or written.
class NamedFile {
 public:
  NamedFile(BatchOperator& op, const std::string& given, const std::string& program_folder)
      : op_(op) {
    op_.NameFile(given, InProgramFolder(given, program_folder));
  }
  ~NamedFile() { op_.NameFile({}); }
  NamedFile(const NamedFile&) = delete;
  NamedFile& operator=(const NamedFile&) = delete;

 private:
  BatchOperator& op_;
};

// Everything between start-up and the closing steps; the status of the batch run.
int Drive(station::Station& station, BatchOperator& op, const std::string& program_folder,
          platform::EventLoop& loop, const BatchOptions& options,
          std::optional<platform::TextReader> resumed, const ReportPrinter& print_reports,
          std::optional<engine::EndReason>& ended, const uint32_t& steps_recorded,
          std::ostream& out, std::ostream& err) {
  if (!station.Link().SynthPresent) {
    err << Said(batch_line::kNoSynthesiser) << '\n';
    return kExitCannotStart;
  }
  // The file's own error has been shown by the command. The setup file, then the
  // pre-scan (with its own setup, which it makes pre-scanned), then the results to resume
  // (opening a pre-scanned run's results keeps the pre-scan).
  if (!options.ResumePath) {
    const NamedFile named(op, options.SetupPath, program_folder);
    if (!station.Files().OpenSetupFrom(FromWorkingFolder(options.SetupPath))) {
      return kExitCannotStart;
    }
  }
  if (options.PreScanPath) {
    const NamedFile named(op, *options.PreScanPath, program_folder);
    if (!station.Files().OpenPreScansFrom(FromWorkingFolder(*options.PreScanPath))) {
      return kExitCannotStart;
    }
  }
  std::optional<engine::ResumePoint> resume_point;
  if (options.ResumePath) {
    const NamedFile named(op, *options.ResumePath, program_folder);
    if (!station.Files().OpenResultsRead(FromWorkingFolder(*options.ResumePath),
                                         std::move(*resumed))) {
      return kExitCannotStart;
    }
    station.NameResults(*options.ResumePath);  // as the operator gave it, for the log
    const auto found = station.FindResumePoint();
    if (const auto* refusal = std::get_if<const screen::MessageEntry*>(&found)) {
      // As the window's warning box says it.
      op.Show((*refusal)->Kind, (*refusal)->Text);
      return kExitCannotStart;
    }
    resume_point = std::get<engine::ResumePoint>(found);
  }

  // RUN and PRE-SCAN both serve as their own STOP button while their run is going; a
  // resumed run is stopped by RUN too.
  const auto press = [&station, &options, &resume_point] {
    if (options.PreScan) {
      station.PressPreScan();
    } else if (resume_point && !station.Run().Running) {
      station.ResumeAt(*resume_point);
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
  // Ctrl+C ends the run as STOP ends it: the field off, the results saved, exit status 3.
  // It is looked for between the loop's events; one that comes while RUN is still
  // starting the run waits for the run to be there.
  platform::Interrupts interrupts;
  bool interrupted = false;
  std::unique_ptr<platform::Timer> interrupt_timer = loop.CreateTimer();
  {
    platform::Timer& timer = *interrupt_timer;
    timer.SetInterval(kInterruptCheckMs);
    timer.SetCallback([&timer, &interrupts, &interrupted, &ended, &station, &press, &err] {
      if (!interrupts.Raised() || (!ended && !station.Run().Running)) return;
      timer.SetEnabled(false);
      interrupted = true;
      if (ended) return;
      err << Said(batch_line::kInterrupted) << '\n' << std::flush;
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
  interrupt_timer->SetEnabled(false);

  // A run refused before its first step (its conditions, or a box before it) has no
  // results: the files named on the command line keep what they hold.
  if (!ended || (*ended == engine::EndReason::InvalidConditions && steps_recorded == 0)) {
    err << Said(batch_line::kRunNotStarted) << '\n';
    return kExitCannotStart;
  }
  // The EUT's faults follow the steps; standard output ends with the run time, and the
  // messages go elsewhere.
  const auto episodes = records::EutEpisodesOfRun(station.Recorder().Rows(), station.Results());
  for (const std::string& line : records::EpisodeLines(episodes)) {
    out << line << '\n';
  }
  out << RunTimeLine(run_ended - run_began);
  out.flush();
  {
    const NamedFile named(op, options.ResultsPath, {});
    if (!station.Files().SaveResultsTo(FromWorkingFolder(options.ResultsPath))) {
      return kExitNotSaved;
    }
  }
  if (options.LogPath) {
    try {
      platform::WriteFileAtomically(FromWorkingFolder(*options.LogPath),
                                    station.Recorder().Content());
    } catch (const platform::FileError& error) {
      err << Said(batch_line::kLogNotWritten, {*options.LogPath, error.what()}) << '\n';
      return kExitNotSaved;
    }
  }
  if ((options.ReportPdf || options.TablePdf) && !print_reports(station, options, err)) {
    return kExitNotSaved;
  }
  return ExitStatusFor(ended, stopped_by_option && !interrupted);
}

int RunWith(const BatchOptions& options, const ReportPrinter& print_reports, std::ostream& out,
            std::ostream& err) {
  Clock clock = MakeClock(options.VirtualTime);
  std::unique_ptr<platform::AdapterLibrary> adapters = MakeAdapters(
      options, *clock.Loop, err,
      [&err](const std::string& text) {
        err << Said(batch_line::kAdapterWarning, {text}) << '\n' << std::flush;
      });
  if (!adapters) return kExitCannotStart;

  const std::optional<ProgramFolder> folder = PrepareProgramFolder(options, err);
  if (!folder) return kExitCannotStart;
  const std::string& program_folder = folder->Path;
  // Read before start-up renames a recovery file left behind, which may be this one.
  std::optional<platform::TextReader> resumed;
  if (options.ResumePath) {
    try {
      resumed = platform::TextReader::Open(FromWorkingFolder(*options.ResumePath));
    } catch (const platform::FileError& error) {
      err << NamedFileError(*options.ResumePath, error.what(), program_folder) << '\n';
      return kExitCannotStart;
    }
  }

  BatchOperator op(err, options.Answer);
  station::Station station(
      station::StationParts{*clock.Loop, *adapters, op, program_folder, clock.LocalTime});
  std::optional<engine::EndReason> ended;
  uint32_t steps_recorded = 0;
  station.OnRecorded([&station, &out, &steps_recorded](uint32_t index) {
    ++steps_recorded;
    out << StepLine(index, station.Results().Entries[engine::EntryIndex(index)]);
    out.flush();  // a run on the real clock takes minutes: show each step as it comes
  });

  station.SetResumeCommand(print_reports ? "tarvos" : "tarvos-batch");
  // No window to wait for: start up at once rather than on the start-up timer.
  station.StartUp();
  const int status =
      Drive(station, op, program_folder, *clock.Loop, options, std::move(resumed), print_reports,
            ended, steps_recorded, out, err);
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

station::ClockReading LocalReading(int64_t ms_since_1970) {
  const int64_t ms = ((ms_since_1970 % 1000) + 1000) % 1000;
  const auto parts = platform::LocalTime((ms_since_1970 - ms) / 1000);
  if (!parts) return {};
  return {parts->Year,   parts->Month,  parts->Day,           parts->Hour,
          parts->Minute, parts->Second, static_cast<int>(ms)};
}

station::ClockReading LocalReadingNow() {
  const auto since_1970 = std::chrono::system_clock::now().time_since_epoch();
  return LocalReading(std::chrono::duration_cast<std::chrono::milliseconds>(since_1970).count());
}

int RunBatchReportingFailures(const std::vector<std::string>& args,
                              const ReportPrinter& print_reports, std::ostream& out,
                              std::ostream& err) {
  try {
    return RunBatch(args, print_reports, out, err);
  } catch (const std::exception& failure) {
    // Nothing the run does should throw this far; if it does, say so rather than abort.
    err << Said(batch_line::kUnexpected, {failure.what()}) << '\n';
    return kExitRunEnded;
  }
}

int RunBatch(const std::vector<std::string>& args, const ReportPrinter& print_reports,
             std::ostream& out, std::ostream& err) {
  const ParsedArguments parsed = ParseBatchArguments(args);
  // Only the program with the window can print: tarvos-batch runs without a printer.
  const Program program = print_reports ? Program::Window : Program::BatchOnly;
  if (const auto status = AnswerHelpOrUsage(parsed, out, err, program)) return *status;
  const BatchOptions& options = std::get<BatchOptions>(parsed);
  if ((options.ReportPdf || options.TablePdf) && !print_reports) {
    err << Said(batch_line::kNoPrinting) << '\n';
    return kExitCannotStart;
  }
  return RunWith(options, print_reports, out, err);
}

}  // namespace tarvos::app
