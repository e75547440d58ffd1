#include "records/results_file.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "records/row_fields.h"
#include "records/text_line.h"
#include "setup/number_forms.h"

namespace tarvos::records {
namespace {

constexpr std::size_t kEntryFields = 3;
constexpr uint64_t kMaxFrequency = std::numeric_limits<uint32_t>::max();
constexpr uint64_t kMaxEutStatus = std::numeric_limits<uint16_t>::max();

std::string RightAligned(std::string text, std::size_t width) {
  if (text.size() < width) text.insert(0, width - text.size(), ' ');
  return text;
}

// With a blank delimiter the columns are blank-padded, so the line is read as three
// numbers; when they do not read, the entry is nothing.
void ReadBlankSeparatedEntry(std::string_view line, engine::ResultPoint& entry) {
  const auto words = LineWords(line, kEntryFields);
  entry = engine::ResultPoint{};
  if (words.size() < kEntryFields) return;
  const auto frequency = setup::ParseInteger(words[0]);
  const auto level = setup::ParseDecimal(words[1]);
  const auto status = setup::ParseInteger(words[2]);
  if (!frequency || !level || !status) return;
  if (*frequency < 0 || static_cast<uint64_t>(*frequency) > kMaxFrequency) return;
  if (*status < 0 || static_cast<uint64_t>(*status) > kMaxEutStatus) return;
  entry.Frequency = static_cast<uint32_t>(*frequency);
  entry.Level = *level;
  entry.EutStatus = static_cast<uint16_t>(*status);
}

// Any other delimiter: each field that reads replaces its value; one that does not
// leaves what the entry held.
void ReadDelimitedEntry(std::string_view line, char delimiter, engine::ResultPoint& entry) {
  const auto fields = RowFields(line, delimiter, kEntryFields);
  if (fields.size() > 0) {
    if (const auto frequency = FieldWhole(fields[0], kMaxFrequency)) {
      entry.Frequency = static_cast<uint32_t>(*frequency);
    }
  }
  if (fields.size() > 1) {
    if (const auto level = FieldNumber(fields[1])) entry.Level = *level;
  }
  if (fields.size() > 2) {
    if (const auto status = FieldWhole(fields[2], kMaxEutStatus)) {
      entry.EutStatus = static_cast<uint16_t>(*status);
    }
  }
}

// Lines up to "finish" or the eighth note. A "finish" before eight notes ends them and
// leaves the later notes as they were. Returns whether "finish" was read.
bool ReadNotes(platform::TextReader& reader, FileRecords& records) {
  for (auto& note : records.NoteLines) {
    if (reader.AtEnd()) return false;
    std::string line = reader.ReadLine();
    if (line == kNotesEnd) return true;
    note = std::move(line);
  }
  return false;
}

}  // namespace

std::string ResultsColumnHeading(char delimiter) {
  std::string line = "FREQUENCY   ";
  line += delimiter;
  line += " LEVEL";
  line += delimiter;
  line += " EUT";
  return line;
}

std::string ResultsEntryLine(const engine::ResultPoint& entry, char delimiter) {
  std::string line = RightAligned(setup::FormatWhole(entry.Frequency), 12);
  line += delimiter;
  line += setup::FormatFixed(entry.Level, 6, 2);
  line += delimiter;
  line += RightAligned(setup::FormatWhole(entry.EutStatus), 6);
  return line;
}

void SaveResultsFile(const RecordFilesContext& context, const std::string& path) {
  const FileRecords& records = context.Records;
  const char delimiter = context.FileDelimiter;
  platform::TextWriter writer(path);
  writer.WriteLine(kSoftwareVersionHeading);
  writer.WriteLine(kSoftwareVersion);
  writer.WriteLine(kDateTimeHeading);
  writer.WriteLine(OneLine(context.ClockText ? context.ClockText() : std::string()));
  writer.WriteLine(kTitleHeading);
  writer.WriteLine(OneLine(records.DisplayTitle));
  writer.WriteLine(kProcedureHeading);
  writer.WriteLine(OneLine(records.ProcedureName));
  setup::WriteSetupBlock(writer, context.Setup, context.BlockContext());
  for (const auto& note : records.NoteLines) writer.WriteLine(OneLine(note));
  writer.WriteLine(kNotesEnd);
  writer.WriteLine(ResultsColumnHeading(delimiter));
  context.SendRequestVersion();
  // Entries 0 to next index: a reader takes the last line as next index again.
  const std::size_t last = engine::EntryIndex(context.Results.NextIndex);
  for (std::size_t i = 0; i <= last; ++i) {
    writer.WriteLine(ResultsEntryLine(context.Results.Entries[i], delimiter));
  }
  context.SendRequestVersion();
  writer.Commit();
}

void OpenResultsFile(const RecordFilesContext& context, const std::string& path) {
  platform::TextReader reader = platform::TextReader::Open(path);
  ReadResultsFile(context, reader);
}

void ReadResultsFile(const RecordFilesContext& context, platform::TextReader& reader) {
  FileRecords& records = context.Records;
  engine::ResultStore& results = context.Results;
  const char delimiter = context.FileDelimiter;

  for (int line = 1; line <= 3; ++line) reader.ReadLine();
  records.SavedDateTime = reader.ReadLine();
  reader.ReadLine();
  records.DisplayTitle = reader.ReadLine();
  reader.ReadLine();
  records.ProcedureName = reader.ReadLine();

  setup::ReadSetupBlock(reader, context.Setup, context.BlockContext());
  context.RefreshModulation();
  context.SendRequestVersion();

  if (!ReadNotes(reader, records)) reader.ReadLine();  // "finish" after eight notes
  reader.ReadLine();                                   // the column heading

  // Lines past the table are read but not kept, so next index stays inside it.
  std::size_t lines = 0;
  while (!reader.AtEnd()) {
    const std::string line = reader.ReadLine();
    if (lines < engine::kEntries) {
      engine::ResultPoint& entry = results.Entries[lines];
      if (delimiter == ' ') {
        ReadBlankSeparatedEntry(line, entry);
      } else {
        ReadDelimitedEntry(line, delimiter, entry);
      }
    }
    ++lines;
  }
  results.NextIndex =
      lines == 0 ? 0 : static_cast<uint32_t>(std::min(lines - 1, engine::kEntries - 1));

  context.SendRequestVersion();
  context.Screen.title_label = records.DisplayTitle;
  ++context.Screen.repaints;
}

}  // namespace tarvos::records
