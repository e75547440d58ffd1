#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/result_store.h"

namespace tarvos::records {

// A run's own record: one CSV row per event, written as it happens. Single-byte text,
// CR LF line ends, "." as the decimal point; a text holding a comma, a quote or a line
// end is quoted, its quotes doubled.
inline constexpr std::string_view kRunLogHeader =
    "time,elapsed_s,event,step,frequency_mhz,target_vm,level_vm,dac,eut,text";

// The events of a run log.
namespace run_event {
inline constexpr std::string_view kStart = "start";
inline constexpr std::string_view kResume = "resume";
inline constexpr std::string_view kStep = "step";
inline constexpr std::string_view kSample = "sample";
inline constexpr std::string_view kEutFault = "eut-fault";
inline constexpr std::string_view kEutOk = "eut-ok";
inline constexpr std::string_view kHold = "hold";
inline constexpr std::string_view kRelease = "release";
inline constexpr std::string_view kStop = "stop";
inline constexpr std::string_view kQuestion = "question";
inline constexpr std::string_view kAnswer = "answer";
inline constexpr std::string_view kFault = "fault";
inline constexpr std::string_view kEnd = "end";
}  // namespace run_event

struct RunLogRow {
  std::string Time;  // "YYYY-MM-DD hh:mm:ss.zzz", local
  double ElapsedS = 0.0;
  std::string Event;
  std::optional<uint32_t> Step;
  std::optional<double> FrequencyMhz;
  std::optional<double> TargetVm;
  std::optional<double> LevelVm;
  std::optional<int64_t> Dac;
  std::optional<int64_t> Eut;
  std::string Text;
};

// A local date and time to the millisecond.
struct LocalDateTime {
  int Year = 2000, Month = 1, Day = 1, Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

// "YYYY-MM-DD hh:mm:ss.zzz".
std::string LogTimeText(const LocalDateTime& at);
// A number as the log writes it: fixed, with the decimals given ("" when not finite).
std::string RunLogNumber(double value, int decimals);
// "run-YYYYMMDD-hhnnss" for the moment.
std::string RunLogName(const LocalDateTime& start);

// A value of the start row's "key=value; ..." text: quoted, its quotes doubled, when it
// holds ";", "=" or a quote, so the text splits back into its pairs.
std::string StartValue(std::string_view value);

// The row as a line of the file, without its line end.
std::string RunLogLine(const RunLogRow& row);
// One field as the file has it: quoted when it holds a comma, a quote or a line end.
std::string CsvField(std::string_view text);
// The fields of one CSV record starting at pos (quoted fields may hold line ends); pos
// moves past its line end. nullopt for a quote left open.
std::optional<std::vector<std::string>> ReadCsvRecord(std::string_view content,
                                                      std::size_t& pos);

// A run log's rows; nullopt when the text is not a run log (its first line is not the
// header). A number that does not read leaves its field empty; rows with a different
// count of fields are skipped.
std::optional<std::vector<RunLogRow>> ReadRunLog(std::string_view content);

// An episode of EUT failure: from an "eut-fault" row to the next "eut-ok" (or the end).
struct EutEpisode {
  double FromMhz = 0.0;  // in force when it began
  double ToMhz = 0.0;    // the last frequency in force while it lasted
  int Steps = 0;         // recorded steps inside it
  std::optional<double> LowestTargetVm, HighestTargetVm;
  std::optional<double> DurationS;  // none for episodes read from a results file
  bool StillFailing = false;        // the end of the run cut it off
};

// The episodes of a run's rows.
std::vector<EutEpisode> EutEpisodes(const std::vector<RunLogRow>& rows);
// The episodes as a results file recorded them: runs of entries whose EUT status is a
// fault, at those entries' frequencies (no targets, no times).
std::vector<EutEpisode> EutEpisodesOfResults(const engine::ResultStore& results);
// The episodes of a run: those of its rows, and for a resumed run (its "resume" row holds
// in step the results it kept) first those of the kept results, from their EUT statuses,
// so that they cover the whole scan. An episode going on across the resume is one.
std::vector<EutEpisode> EutEpisodesOfRun(const std::vector<RunLogRow>& rows,
                                         const engine::ResultStore& results);

// "eut fault: 105.000 MHz to 105.000 MHz, 1 step, 3.00 V/m, 6.2 s" and the like.
std::string EpisodeLine(const EutEpisode& episode);
// The lines a batch run prints: one per episode, or "eut fault: none".
std::vector<std::string> EpisodeLines(const std::vector<EutEpisode>& episodes);
// The episodes as a CSV file's content (header and rows, CR LF).
std::string EpisodesCsv(const std::vector<EutEpisode>& episodes);
inline constexpr std::string_view kEpisodesHeader =
    "episode,from_mhz,to_mhz,steps,lowest_target_vm,highest_target_vm,duration_s,"
    "still_failing";

}  // namespace tarvos::records
