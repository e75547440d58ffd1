#include "records/prescan_file.h"

#include <algorithm>
#include <limits>

#include "records/row_fields.h"
#include "setup/number_forms.h"

namespace tarvos::records {
namespace {

constexpr std::size_t kRowFields = 2;
constexpr std::size_t kLastRow = engine::kEntries - 1;

}  // namespace

std::string PreScanRow(uint32_t frequency, uint16_t dac_value, char delimiter) {
  std::string row = setup::FormatWhole(frequency);
  row += delimiter;
  row += setup::FormatWhole(dac_value);
  return row;
}

void SavePreScanFile(const RecordFilesContext& context, const std::string& path,
                     PreScanFrequencies frequencies) {
  context.Records.PreScanFileName = path;
  context.SendRequestVersion();
  platform::TextWriter writer(path);
  setup::WriteSetupBlock(writer, context.Setup, context.BlockContext());
  context.SendRequestVersion();
  for (std::size_t i = 1; i <= kLastRow; ++i) {
    const uint32_t frequency = frequencies == PreScanFrequencies::FromResults
                                   ? context.Results.Entries[i].Frequency
                                   : context.PreScan.Entries[i].Frequency;
    if (frequency == 0) continue;
    writer.WriteLine(
        PreScanRow(frequency, context.PreScan.Entries[i].DacValue, context.FileDelimiter));
  }
  writer.Commit();
  context.SendRequestVersion();
}

void OpenPreScanFile(const RecordFilesContext& context) {
  platform::TextReader reader = platform::TextReader::Open(context.Records.PreScanFileName);
  ReadPreScanFile(context, reader);
}

void ReadPreScanFile(const RecordFilesContext& context, platform::TextReader& reader) {
  context.SendRequestVersion();
  setup::ReadSetupBlock(reader, context.Setup, context.BlockContext());
  context.RefreshModulation();

  // Rows past the table are read but not kept, so next index stays inside it.
  std::size_t rows = 0;
  while (!reader.AtEnd()) {
    const std::string line = reader.ReadLine();
    ++rows;
    if (rows > kLastRow) continue;
    engine::PreScanEntry& entry = context.PreScan.Entries[rows];
    const auto fields = RowFields(line, context.FileDelimiter, kRowFields);
    if (!fields.empty()) {
      if (const auto frequency = FieldWhole(fields[0], std::numeric_limits<uint32_t>::max())) {
        entry.Frequency = static_cast<uint32_t>(*frequency);
      }
    }
    if (fields.size() > 1) {
      if (const auto dac = FieldWhole(fields[1], std::numeric_limits<uint16_t>::max())) {
        entry.DacValue = static_cast<uint16_t>(*dac);
      }
    }
  }
  context.Results.NextIndex = static_cast<uint32_t>(std::min(rows, kLastRow));
  context.SendRequestVersion();
}

}  // namespace tarvos::records
