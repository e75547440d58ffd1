#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/result_store.h"
#include "platform/operator.h"
#include "records/run_log.h"
#include "station/run_recorder.h"

namespace tarvos::station {

inline constexpr std::string_view kEpisodesFromResultsFile =
    "As the results file recorded them (the EUT column of its entries), without times.";

// The Records menu: "Run Log..." shows the log of the running or the last run, or one
// opened from logs/; "EUT Effects..." the fault episodes of that run, or of results
// opened from a file. Both may be used during a run, and save and print what they show.
class RecordsMenu {
 public:
  RecordsMenu(platform::Operator& op, const RunRecorder& recorder,
              const engine::ResultStore& results, std::string program_folder);

  // --- "Run Log"
  // The rows shown: the recorder's (following a running run) until a file is opened.
  const std::vector<records::RunLogRow>& LogRows() const;
  // The log's file ("" for a run whose log could not be written).
  std::string LogPath() const;
  // Moves on whenever the rows shown change.
  uint64_t LogRevision() const;
  bool OpenedFromFile() const { return opened_.has_value(); }
  // Back to the running or last run.
  void ShowRunLog() { opened_.reset(); ++opened_revision_; }
  // "Open...": the dialog, then OpenLogFrom; false when nothing was opened.
  bool OpenLog();
  // A file that is not a run log is refused with "Not a run log: " and its name
  // (screen::msg::kNotARunLog).
  bool OpenLogFrom(const std::string& path);
  // The log shown as its file has it: the file itself when there is one (every row, those
  // that memory has let go of a long strip chart too), else the rows kept.
  std::string LogContent() const;
  // Its rows, read from LogContent: what Print puts on paper.
  std::vector<records::RunLogRow> AllLogRows() const;
  // "Save As...": a copy of LogContent.
  void SaveLogAs();

  // --- "EUT Effects"
  std::vector<records::EutEpisode> Episodes() const;
  // True when they come from results opened from a file (no log, no times).
  bool EpisodesFromResultsFile() const;
  void SaveEffectsAs();

 private:
  struct Opened {
    std::string Path;
    std::vector<records::RunLogRow> Rows;
  };
  void SaveText(const platform::FileDialogRequest& request, const std::string& content);

  platform::Operator& op_;
  const RunRecorder& recorder_;
  const engine::ResultStore& results_;
  std::string program_folder_;
  std::optional<Opened> opened_;
  uint64_t opened_revision_ = 0;
};

}  // namespace tarvos::station
