#include "station/run_recorder.h"

#include <utility>
#include <vector>

#include "platform/system_paths.h"
#include "screen/messages.h"

namespace tarvos::station {

RunRecorder::RunRecorder(Parts parts) : parts_(std::move(parts)) {}

RunRecorder::Moment RunRecorder::Now() const {
  return {parts_.Loop.ClockMs(), parts_.LocalTime ? parts_.LocalTime() : records::LocalDateTime{}};
}

void RunRecorder::Start(std::string start_text, Moment pressed) {
  file_.reset();
  rows_.clear();
  path_.clear();
  written_whole_ = false;
  kept_samples_ = 0;
  dropped_samples_ = 0;
  active_ = true;
  failure_told_ = false;
  eut_fault_.reset();
  started_ms_ = pressed.ClockMs;

  // A name of its own: a second run in the same second takes "-2", then "-3".
  const std::string folder = platform::WithSeparator(parts_.ProgramFolder + std::string(kLogsFolder));
  const std::string stem = folder + records::RunLogName(pressed.At);
  try {
    if (!platform::MakeFolders(folder)) {
      throw platform::FileError(std::string(platform::kPathNotFoundText));
    }
    for (int attempt = 1; !file_; ++attempt) {
      const std::string candidate =
          stem + (attempt == 1 ? std::string() : "-" + std::to_string(attempt)) + ".csv";
      if (platform::FileExists(candidate)) continue;
      try {
        file_ = std::make_unique<platform::AppendingFile>(candidate);
        path_ = candidate;
      } catch (const platform::FileError&) {
        if (attempt >= 1000 || !platform::FileExists(candidate)) throw;
      }
    }
    file_->Append(std::string(records::kRunLogHeader) + "\r\n");
    written_whole_ = true;
  } catch (const platform::FileError& error) {
    Failed(error.what());
  }
  Values values;
  values.Text = std::move(start_text);
  AddAt(records::run_event::kStart, std::move(values), pressed);
}

void RunRecorder::Add(std::string_view event, Values values) {
  if (active_) AddAt(event, std::move(values), Now());
}

void RunRecorder::AddAt(std::string_view event, Values values, const Moment& moment) {
  const uint64_t elapsed = moment.ClockMs >= started_ms_ ? moment.ClockMs - started_ms_ : 0;
  records::RunLogRow row;
  row.Time = records::LogTimeText(moment.At);
  row.ElapsedS = static_cast<double>(elapsed) / 1000.0;
  row.Event = std::string(event);
  row.Step = values.Step;
  row.FrequencyMhz = values.FrequencyMhz;
  row.TargetVm = values.TargetVm;
  row.LevelVm = values.LevelVm;
  row.Dac = values.Dac;
  row.Eut = values.Eut;
  row.Text = std::move(values.Text);
  Write(row);
  const bool sample = row.Event == records::run_event::kSample;
  rows_.push_back(std::move(row));
  ++revision_;
  if (sample && ++kept_samples_ >= 2 * kSamplesLetGo) {
    std::size_t let_go = 0;
    std::erase_if(rows_, [&let_go](const records::RunLogRow& kept) {
      if (let_go == kSamplesLetGo || kept.Event != records::run_event::kSample) return false;
      ++let_go;
      return true;
    });
    kept_samples_ -= let_go;
    dropped_samples_ += let_go;
  }
}

void RunRecorder::EutReport(bool fault, Values values) {
  if (!active_ || (eut_fault_ && *eut_fault_ == fault)) return;
  eut_fault_ = fault;
  Add(fault ? records::run_event::kEutFault : records::run_event::kEutOk, std::move(values));
}

void RunRecorder::End(std::string text) {
  if (!active_) return;
  Values values;
  values.Text = std::move(text);
  Add(records::run_event::kEnd, std::move(values));
  active_ = false;
  file_.reset();
}

std::string RunRecorder::Content() const {
  if (written_whole_) {
    try {
      return platform::ReadFileBytes(path_);
    } catch (const platform::FileError&) {
      // Gone since: what is kept here will have to do.
    }
  }
  std::string content = std::string(records::kRunLogHeader) + "\r\n";
  for (const records::RunLogRow& row : rows_) content += records::RunLogLine(row) + "\r\n";
  return content;
}

namespace {

// The rows a power cut must not take: what the run measured, what the EUT did, what
// went wrong and how it ended. The samples of a strip chart come twice a second and are
// left to the system.
bool SyncedRow(std::string_view event) {
  namespace ev = records::run_event;
  return event == ev::kStart || event == ev::kResume || event == ev::kStep ||
         event == ev::kEutFault || event == ev::kEutOk || event == ev::kFault ||
         event == ev::kEnd;
}

}  // namespace

void RunRecorder::Write(const records::RunLogRow& row) {
  if (!file_) return;
  try {
    file_->Append(records::RunLogLine(row) + "\r\n");
    if (SyncedRow(row.Event)) file_->Sync();
  } catch (const platform::FileError& error) {
    file_.reset();
    written_whole_ = false;
    Failed(error.what());
  }
}

void RunRecorder::Failed(const std::string& why) {
  if (failure_told_) return;
  failure_told_ = true;
  screen::Tell(parts_.Op, screen::msg::kRunLogNotWritten, {why});
}

}  // namespace tarvos::station
