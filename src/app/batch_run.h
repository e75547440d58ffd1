#pragma once

#include <cstdint>
#include <functional>
#include <ctime>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <memory>

#include "app/batch_options.h"
#include "calib/cell_file.h"  // station.h uses its contexts without including them
#include "calib/settings_file.h"
#include "engine/result_store.h"
#include "engine/run_state.h"
#include "platform/adapter_library.h"
#include "platform/folder_lock.h"
#include "platform/event_loop.h"
#include "station/station.h"

namespace tarvos::app {

// Exit statuses of a batch run.
inline constexpr int kExitDone = 0;         // last step reached, or stopped by --stop-after
inline constexpr int kExitCannotStart = 2;  // usage, adapter library, no synthesiser, setup file
inline constexpr int kExitRunEnded = 3;     // any other end of the run
inline constexpr int kExitNotSaved = 4;     // the results file could not be written

// Prints the plot and tabular reports the options name into PDF files, after a run;
// false after writing why to err. Only a program with Qt has one.
using ReportPrinter =
    std::function<bool(station::Station& station, const BatchOptions& options, std::ostream& err)>;

// Runs a setup file as the window's RUN (or PRE-SCAN) would, and writes its results
// with their setup. args are the arguments after the program name; steps go to out, the
// program's messages and the batch run's own errors to err, one line each. Without a
// printer the two PDF options are refused (exit status 2).
int RunBatch(const std::vector<std::string>& args, const ReportPrinter& print_reports,
             std::ostream& out, std::ostream& err);
// RunBatch, with anything it throws written to err as one error line (exit status 3).
int RunBatchReportingFailures(const std::vector<std::string>& args,
                              const ReportPrinter& print_reports, std::ostream& out,
                              std::ostream& err);

// "step N: F MHz, L V/m", F in MHz with three decimals and L with two.
std::string StepLine(uint32_t index, const engine::ResultPoint& entry);
// The last line a batch run writes: the run's time on its own clock, RUN to its end.
std::string RunTimeLine(uint64_t run_ms);

// The exit status of a run that ended for the reason (nullopt: it never started).
int ExitStatusFor(std::optional<engine::EndReason> reason, bool stopped_by_option);

// What the batch run and the window share.
// Paths on the command line are taken from the working folder, whatever the program
// does with bare names later.
std::string FromWorkingFolder(const std::string& path);
// The adapters the options name, on the loop's clock; nullptr after writing why there
// are none to err. A library served by the adapter helper (asked for, or of the other
// bitness) says through warn, once each time, that the helper has failed.
std::unique_ptr<platform::AdapterLibrary> MakeAdapters(
    const BatchOptions& options, platform::EventLoop& loop, std::ostream& err,
    std::function<void(const std::string&)> warn);
// Copies the sample files a program folder on the simulated test set lacks.
void SeedFromSamples(const std::string& program_folder, std::ostream& err);

// The program folder the options name (else the default), made when missing; a new
// per-user folder is seeded from an installation for all users, and any folder on the
// simulated test set from the samples. nullopt, after writing why, when a folder named
// on the command line cannot be used.
// The folder is locked for this program first (platform::FolderLock): another copy of the
// program holding it is an error, and nothing in the folder is touched.
struct ProgramFolder {
  std::string Path;  // ends with a separator
  std::unique_ptr<platform::FolderLock> Lock;  // held for the program's life; null when
                                               // the folder takes no lock file
};
std::optional<ProgramFolder> PrepareProgramFolder(const BatchOptions& options, std::ostream& err);
// Writes the usage text or the usage error; the exit status then, nullopt to go on.
std::optional<int> AnswerHelpOrUsage(const ParsedArguments& parsed, std::ostream& out,
                                     std::ostream& err, Program program = Program::Window);

// The local date and time of a moment (milliseconds since 1970), as the clock shows it,
// and of now, from the system's wall clock.
station::ClockReading LocalReading(int64_t ms_since_1970);
station::ClockReading LocalReadingNow();

}  // namespace tarvos::app
