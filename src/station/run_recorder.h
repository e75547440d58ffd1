#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/result_store.h"
#include "engine/run_state.h"
#include "platform/event_loop.h"
#include "platform/operator.h"
#include "platform/text_file.h"
#include "records/run_log.h"

namespace tarvos::station {

inline constexpr std::string_view kLogsFolder = "logs";

// Keeps the log of each run and pre-scan: its rows in memory (the window's Run Log and
// EUT Effects read them) and in "logs/run-YYYYMMDD-hhnnss.csv" in the program folder,
// each row written as it happens (and put on the disk, but for the strip chart's samples).
// A log that cannot be written is said once a run, and the run goes on.
class RunRecorder {
 public:
  struct Parts {
    platform::EventLoop& Loop;
    platform::Operator& Op;
    std::string ProgramFolder;  // ends with a separator
    std::function<records::LocalDateTime()> LocalTime;
  };
  // What the rows of an event carry, read from the station when it happens.
  struct Values {
    std::optional<uint32_t> Step;
    std::optional<double> FrequencyMhz, TargetVm, LevelVm;
    std::optional<int64_t> Dac, Eut;
    std::string Text;
  };

  // A moment on the loop's clock and on the local clock, read together.
  struct Moment {
    uint64_t ClockMs = 0;
    records::LocalDateTime At;
  };

  explicit RunRecorder(Parts parts);

  Moment Now() const;
  // A run or pre-scan starts: a new log, its first row "start" with the setup, at the
  // moment RUN (or PRE-SCAN) was pressed; every row's elapsed seconds count from there.
  void Start(std::string start_text, Moment pressed);
  // Any other row of the run in progress; nothing when no run is being logged.
  void Add(std::string_view event, Values values);
  // The run has ended: its "end" row, and the log is closed.
  void End(std::string text);
  bool Active() const { return active_; }

  // The EUT bit as the latest status report has it: a row for the first report of the run
  // and for every change after it.
  void EutReport(bool fault, Values values);

  // The rows of the running or the last run. A strip chart that runs for hours keeps its
  // latest samples here (the file has them all): older ones are let go a thousand at a
  // time, so that memory stays flat.
  const std::vector<records::RunLogRow>& Rows() const { return rows_; }
  uint64_t DroppedSamples() const { return dropped_samples_; }
  // Its file ("" when none could be made), and the log's text: the file's when it was
  // written whole, else the rows kept here.
  const std::string& Path() const { return path_; }
  std::string Content() const;
  // Counts every row added, so a window showing the rows sees that they moved on.
  uint64_t Revision() const { return revision_; }

 private:
  void AddAt(std::string_view event, Values values, const Moment& moment);
  void Write(const records::RunLogRow& row);
  void Failed(const std::string& why);

  Parts parts_;
  bool active_ = false;
  bool failure_told_ = false;
  std::optional<bool> eut_fault_;
  uint64_t started_ms_ = 0;
  std::vector<records::RunLogRow> rows_;
  std::string path_;
  std::unique_ptr<platform::AppendingFile> file_;
  uint64_t revision_ = 0;
  bool written_whole_ = false;
  std::size_t kept_samples_ = 0;
  uint64_t dropped_samples_ = 0;
};

inline constexpr std::size_t kSamplesLetGo = 1000;

}  // namespace tarvos::station
