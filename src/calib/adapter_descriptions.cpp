#include "calib/adapter_descriptions.h"

#include <cmath>
#include <utility>

#include "calib/csv_field.h"
#include "platform/text_file.h"

namespace tarvos::calib {
namespace {

constexpr std::size_t kHeaderLines = 3;
constexpr double kHighestDescriptionNumber = 255.0;

}  // namespace

std::optional<std::vector<AdapterDescription>> ReadAdapterDescriptions(const std::string& path) {
  std::optional<platform::TextReader> reader;
  try {
    reader.emplace(platform::TextReader::Open(path));
  } catch (const platform::FileError&) {
    return std::nullopt;
  }
  for (std::size_t i = 0; i < kHeaderLines && !reader->AtEnd(); ++i) reader->ReadLine();

  std::vector<AdapterDescription> records;
  while (!reader->AtEnd()) {
    const std::string line = reader->ReadLine();
    if (records.size() == kMaxAdapterDescriptions) return std::nullopt;
    const double number = ReadCsvField(line, 1);
    if (number < 0.0 || number > kHighestDescriptionNumber) return std::nullopt;
    AdapterDescription record;
    record.Number = static_cast<uint8_t>(std::nearbyint(number));
    ReadCsvText(line, 2, record.Text);
    records.push_back(std::move(record));
  }
  return records;
}

}  // namespace tarvos::calib
