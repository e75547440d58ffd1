#include "station/records_menu.h"

#include <utility>

#include "platform/system_paths.h"
#include "platform/text_file.h"
#include "screen/messages.h"

namespace tarvos::station {

using platform::MessageKind;

RecordsMenu::RecordsMenu(platform::Operator& op, const RunRecorder& recorder,
                         const engine::ResultStore& results, std::string program_folder)
    : op_(op), recorder_(recorder), results_(results), program_folder_(std::move(program_folder)) {}

const std::vector<records::RunLogRow>& RecordsMenu::LogRows() const {
  return opened_ ? opened_->Rows : recorder_.Rows();
}

std::string RecordsMenu::LogPath() const { return opened_ ? opened_->Path : recorder_.Path(); }

uint64_t RecordsMenu::LogRevision() const {
  // Either source moving on changes it: the recorder counts its rows, an open counts here.
  return recorder_.Revision() + (opened_revision_ << 32);
}

bool RecordsMenu::OpenLog() {
  platform::FileDialogRequest request;
  request.Title = screen::msg::kOpenRunLogTitle.Text;
  request.Filter = "Run Logs|*.csv";
  request.DefaultExtension = "csv";
  request.InitialName =
      platform::WithSeparator(program_folder_ + std::string(kLogsFolder));
  const auto path = op_.OpenFile(request);
  return path && OpenLogFrom(*path);
}

bool RecordsMenu::OpenLogFrom(const std::string& path) {
  std::string content;
  try {
    content = platform::ReadFileBytes(path);
  } catch (const platform::FileError& error) {
    op_.Show(MessageKind::Error, error.what());
    return false;
  }
  auto rows = records::ReadRunLog(content);
  if (!rows) {
    screen::Tell(op_, screen::msg::kNotARunLog, {platform::FileNameOf(path)});
    return false;
  }
  opened_ = Opened{path, std::move(*rows)};
  ++opened_revision_;
  return true;
}

namespace {

std::string ContentOfRows(const std::vector<records::RunLogRow>& rows) {
  std::string content = std::string(records::kRunLogHeader) + "\r\n";
  for (const records::RunLogRow& row : rows) content += records::RunLogLine(row) + "\r\n";
  return content;
}

}  // namespace

std::string RecordsMenu::LogContent() const {
  if (!opened_) return recorder_.Content();
  try {
    std::string content = platform::ReadFileBytes(opened_->Path);
    if (records::ReadRunLog(content)) return content;
  } catch (const platform::FileError&) {
    // Gone or changed since it was opened: what was read then will do.
  }
  return ContentOfRows(opened_->Rows);
}

std::vector<records::RunLogRow> RecordsMenu::AllLogRows() const {
  auto rows = records::ReadRunLog(LogContent());
  return rows ? std::move(*rows) : LogRows();
}

void RecordsMenu::SaveLogAs() {
  SaveText({std::string(screen::msg::kSaveRunLogTitle.Text), "Run Logs|*.csv", "csv", ""},
           LogContent());
}

bool RecordsMenu::EpisodesFromResultsFile() const {
  return !opened_ && results_.ResultsFromFile;
}

std::vector<records::EutEpisode> RecordsMenu::Episodes() const {
  if (EpisodesFromResultsFile()) return records::EutEpisodesOfResults(results_);
  // A log opened from a file may belong to other results than those in the store.
  if (opened_) return records::EutEpisodes(LogRows());
  return records::EutEpisodesOfRun(LogRows(), results_);
}

void RecordsMenu::SaveEffectsAs() {
  SaveText({std::string(screen::msg::kSaveEutEffectsTitle.Text), "CSV Files|*.csv", "csv", ""},
           records::EpisodesCsv(Episodes()));
}

void RecordsMenu::SaveText(const platform::FileDialogRequest& request, const std::string& content) {
  const auto path = op_.SaveFile(request);
  if (!path) return;
  try {
    platform::WriteFileAtomically(*path, content);
  } catch (const platform::FileError& error) {
    op_.Show(MessageKind::Error, error.what());
  }
}

}  // namespace tarvos::station
