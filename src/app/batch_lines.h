#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace tarvos::app {

// A line the programs write on standard error of their own, beside the program's messages
// (those go there with their kind, as the window would show them). Every one is listed
// here, once: the code writes them from this list and the guide's table is made from it.
struct BatchLine {
  std::string_view Kind;  // the line's first word ("error", "warning"), or "" for none
  std::string_view Text;  // with a {name} for each part filled in when it is written
  std::string_view When;
  std::string_view Meaning;  // and what to do
};

namespace batch_line {

// Mistakes on the command line: the line, then the hint to --help; exit status 2.
inline constexpr BatchLine kNotAnOption{
    "error", "'{argument}' is not an option; every value follows its option",
    "A word on the command line does not start with \"--\" and follows no option that "
    "takes a value.",
    "Put each value after its option; quote a path that holds blanks."};
inline constexpr BatchLine kUnknownOption{
    "error", "unknown option '{option}'", "An option the program does not have.",
    "Run the program with --help for its options."};
inline constexpr BatchLine kGivenTwice{"error", "{option} is given twice",
                                       "The same option twice on one command line.",
                                       "Give it once."};
inline constexpr BatchLine kTakesNoValue{
    "error", "{option} takes no value",
    "--virtual-time, --prescan or --adapter-process written with \"=\" and a value.",
    "Write the option alone."};
inline constexpr BatchLine kNeedsValue{
    "error", "{option} needs {what}",
    "An option that takes a value is last, or is followed by another option or an empty "
    "value.",
    "Give the value the line names after the option."};
inline constexpr BatchLine kUnknownBench{
    "error", "unknown simulator bench '{name}' (benches: {benches})",
    "--sim-bench names no simulated hardware.", "Choose one of the benches the line lists."};
inline constexpr BatchLine kBadSeed{"error", "--sim-seed needs a whole number from 0 up, not '{value}'",
                                    "The seed is not a whole number, or is past 64 bits.",
                                    "Give a whole number such as 1."};
inline constexpr BatchLine kBadAnswer{"error", "--answer needs yes or no, not '{value}'",
                                      "--answer is given something else.", "Write yes or no."};
inline constexpr BatchLine kBadStopAfter{
    "error", "--stop-after needs a number of seconds above 0, not '{value}'",
    "The time is not a plain decimal number of seconds, is 0, or is longer than a timer can "
    "hold (about 49 days).",
    "Give the seconds as \"90\" or \"2.5\"."};
inline constexpr BatchLine kBatchOnly{
    "error", "{option} works only in a batch run (--batch)",
    "An option of batch runs on the command line of the window.",
    "Add --batch SETUP.STP and --results OUT.RF, or leave the option out."};
inline constexpr BatchLine kBatchAndResume{
    "error",
    "--batch and --resume cannot go together: a resumed run takes the setup of its results "
    "file",
    "Both on one command line.", "Leave out --batch to resume; leave out --resume to start anew."};
inline constexpr BatchLine kPreScanResumed{
    "error", "--prescan cannot be resumed: --resume continues a standard or custom scan",
    "--prescan and --resume on one command line.",
    "Run the pre-scan again from its setup with --batch and --prescan."};
inline constexpr BatchLine kPreScanFileAndPreScan{
    "error", "--prescan-file loads a pre-scan for a pre-scanned run; --prescan makes a new one",
    "Both on one command line.", "Keep the one you mean."};
inline constexpr BatchLine kBatchMissing{"error", "--batch is missing: name the setup file to run",
                                         "Batch options without --batch or --resume.",
                                         "Add --batch SETUP.STP."};
inline constexpr BatchLine kResultsMissing{
    "error", "--results is missing: name the results file to write",
    "A batch run without --results.", "Add --results OUT.RF: a batch run always saves."};
inline constexpr BatchLine kProcessNeedsLibrary{
    "error", "--adapter-process needs the path of an adapter library (--adapters PATH)",
    "--adapter-process on the simulated test set.",
    "Add --adapters with the library's path, or leave the option out."};
inline constexpr BatchLine kSimulatorOnly{
    "error", "{option} works only on the simulated test set (--adapters sim)",
    "--sim-bench, --sim-seed or --virtual-time with an adapter library: real hardware runs "
    "on the real clock.",
    "Leave the option out, or run on the simulated test set."};
inline constexpr BatchLine kUsageHint{"", "Run tarvos --help for the options.",
                                      "After each mistake above, from tarvos.",
                                      "The options are listed by --help."};
inline constexpr BatchLine kBatchUsageHint{"", "Run tarvos-batch --help for the options.",
                                           "After each mistake above, from tarvos-batch.",
                                           "tarvos-batch lists only its own options."};

// Before the run.
inline constexpr BatchLine kNoPrinting{
    "error", "printing the reports needs the program with the window: tarvos --batch",
    "--report-pdf or --table-pdf given to tarvos-batch, which has no printer.",
    "Run the same command with tarvos (Linux) or tarvos.exe (Windows); exit status 2."};
inline constexpr BatchLine kNoDisplay{
    "",
    "No display to open the window on (DISPLAY and WAYLAND_DISPLAY are unset); run a test "
    "without it with tarvos --batch SETUP.STP --results OUT.RF.",
    "tarvos without --batch where there is no desktop (an SSH session, a service).",
    "Run the test as a batch run, or start the program on the desktop; exit status 2."};
inline constexpr BatchLine kAdapterLibrary{
    "error", "{adapter library message}",
    "--adapters PATH names a library that does not load.",
    "The message is \"Cannot load adapter library ...\" or \"Adapter library ... does not "
    "export ...\" of the table of messages, with the library's path and the system's reason; "
    "exit status 2."};
inline constexpr BatchLine kAdapterWarning{
    "warning", "{adapter process message}",
    "With --adapter-process: the helper could not be started or load the library, has "
    "ended or answers no more.",
    "The message is one of \"The adapter process ...\" or \"Cannot load adapter library "
    "...\" of the table of messages; the run goes on as with the adapters unplugged."};
inline constexpr BatchLine kSamplesNotListed{
    "warning", "the sample files in {folder} cannot be listed",
    "The first start on the simulated test set, when the installed samples cannot be read.",
    "The program folder gets no samples; the messages about missing files follow. Copy the "
    "files from the installation's data folder by hand."};
inline constexpr BatchLine kSampleNotRead{
    "warning", "{path} cannot be read",
    "The first start, when one of the installed samples cannot be read.",
    "That file is missing from the program folder; copy it by hand."};
inline constexpr BatchLine kSampleNotCopied{
    "warning", "{file} cannot be copied into {folder}: {reason}",
    "The first start, when the program folder takes no file (full disk, no rights).",
    "Free the disk or mend the rights, or name another folder with --program-folder."};
inline constexpr BatchLine kNoSynthesiser{
    "error", "no synthesiser found at start-up, so the run cannot start",
    "No synthesiser answered at start-up (in the window, RUN stays disabled).",
    "Check the adapters' cables and power, and that the adapter library is the right one; "
    "exit status 2."};

inline constexpr BatchLine kInterrupted{
    "warning",
    "Ctrl+C: the run ends as STOP ends it and its results are saved; a second Ctrl+C ends "
    "the program at once",
    "Ctrl+C at the terminal or command prompt during a batch run (on Linux also the end of "
    "the session).",
    "The field is switched off and the results so far are saved; exit status 3. After a "
    "second Ctrl+C the results so far are in recovery.RF in the program folder, for the "
    "next start to offer."};

// Files named on the command line.
inline constexpr BatchLine kNamedFile{
    "error", "{file}: {reason}",
    "A file named on the command line cannot be read or written: the setup, the results, "
    "the pre-scan or the results to resume.",
    "The reason is one of the file messages of the table of messages (\"File not found\", "
    "\"File access denied\", ...); the file is named as it was typed, from the folder the "
    "command was typed in."};
inline constexpr BatchLine kNamedFileInProgramFolder{
    "error", "{file}: {reason}; the program folder has {path}",
    "As above, when a file of that name is in the program folder (the samples are copied "
    "there).",
    "Give the full path the line ends with, or copy the file where you typed the command."};
inline constexpr BatchLine kRunNotStarted{
    "error", "the run did not start, so no file was written",
    "The run was refused before its first step (Invalid Conditions, or a question answered "
    "No).",
    "The messages above it say why; the files on the command line are as they were; exit "
    "status 2."};
inline constexpr BatchLine kLogNotWritten{
    "error", "{file}: the run log could not be written: {reason}",
    "--log names a file that cannot be written.",
    "The results were saved; the log is also in logs/ in the program folder; exit status 4."};
inline constexpr BatchLine kReportsNotPrinted{
    "error", "the reports could not be printed to {files}",
    "--report-pdf or --table-pdf names a file that cannot be written.",
    "The results were saved; print them again from the window; exit status 4."};
inline constexpr BatchLine kUnexpected{
    "error", "{reason}", "Something failed that the program does not expect of itself.",
    "Keep the command, its output and the program folder, and report it; exit status 3."};

}  // namespace batch_line

// Every line, in the order of the guide's table.
std::span<const BatchLine* const> BatchLines();

// The line as written: "kind: text" with its parts filled in, in order (without the line
// break).
std::string Said(const BatchLine& line, std::initializer_list<std::string_view> values = {});

// The guide's table of these lines (Markdown, lines ending in "\n").
std::string BatchLinesTable();

}  // namespace tarvos::app
