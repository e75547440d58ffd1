#include "calib/cell_file.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <utility>

#include "calib/csv_field.h"
#include "screen/messages.h"

namespace tarvos::calib {
namespace {

using platform::MessageKind;

constexpr double kHzPerMhz = 1'000'000.0;
constexpr double kHighestHz = std::numeric_limits<uint32_t>::max();
constexpr double kHighestRange = 255.0;
constexpr double kHighestScale = 65535.0;

struct RangeValues {
  float MaxField;
  std::array<float, 5> LevelPoints;
};

constexpr std::array<RangeValues, 3> kRanges{{
    {15.0F, {0.0F, 3.0F, 5.0F, 7.0F, 10.0F}},
    {30.0F, {0.0F, 3.0F, 7.0F, 12.0F, 20.0F}},
    {40.0F, {0.0F, 3.0F, 7.0F, 12.0F, 30.0F}},
}};

std::optional<float> AsFloat(double value) {
  if (!std::isfinite(value) || std::fabs(value) > std::numeric_limits<float>::max()) {
    return std::nullopt;
  }
  return static_cast<float>(value);
}

// A rounded whole number in 0..highest, or nullopt outside it.
std::optional<uint32_t> Whole(double value, double highest) {
  const double rounded = std::nearbyint(value);
  if (!(rounded >= 0.0 && rounded <= highest)) return std::nullopt;
  return static_cast<uint32_t>(rounded);
}

void ReadDataLine(std::string_view line, CellTable& cell, platform::Operator& op) {
  if (const auto threshold = AsFloat(ReadCsvField(line, 2))) cell.RangeThreshold = *threshold;
  if (const auto range = Whole(ReadCsvField(line, 3), kHighestRange)) {
    cell.CellRange = *range == 0 ? 1 : static_cast<uint8_t>(*range);
  }
  if (const auto scale = Whole(ReadCsvField(line, 4), kHighestScale); scale && *scale != 0) {
    cell.DriveScale = static_cast<uint16_t>(*scale);
  }
  ApplyCellRange(cell, op);
}

// Stores a calibration row when the table has room and every value fits; returns
// whether it did.
bool StoreRow(std::string_view line, double mhz, int32_t number, CellTable& cell) {
  if (number < 1 || number > static_cast<int32_t>(kCellRows)) return false;
  const double rounded_mhz = std::nearbyint(mhz);
  const double hz = rounded_mhz * kHzPerMhz;
  if (!(hz >= 0.0 && hz <= kHighestHz)) return false;
  const auto max_frequency = AsFloat(mhz + 0.1);
  if (!max_frequency) return false;
  std::array<float, 4> values{};
  for (std::size_t i = 0; i < values.size(); ++i) {
    const auto value = AsFloat(ReadCsvField(line, static_cast<int>(i) + 2));
    if (!value) return false;
    values[i] = *value;
  }
  CellRow& row = cell.Rows[static_cast<std::size_t>(number) - 1];
  row.Frequency = static_cast<uint32_t>(hz);
  row.Values = values;
  cell.MaxFrequency = *max_frequency;
  cell.RowCount = number;
  return true;
}

}  // namespace

std::string CellFileName(std::string_view default_path, std::string_view serial) {
  std::string digits = "0" + std::string(serial);
  if (digits.size() < 4) digits.insert(0, 4 - digits.size(), '0');
  return std::string(default_path) + "cell" + digits.substr(0, 4) + ".csv";
}

void ApplyCellRange(CellTable& cell, platform::Operator& op) {
  if (cell.CellRange < 1 || cell.CellRange > kRanges.size()) {
    cell.CellRange = 1;
    screen::Tell(op, screen::msg::kInvalidRange);
  }
  const RangeValues& values = kRanges[cell.CellRange - 1];
  cell.MaxField = values.MaxField;
  cell.LevelPoints = values.LevelPoints;
}

void ReadCellLines(platform::TextReader& reader, CellTable& cell, platform::Operator& op) {
  int32_t row_number = 1;
  while (!reader.AtEnd()) {
    const std::string line = reader.ReadLine();
    if (line.starts_with("DATA")) {
      ReadDataLine(line, cell, op);
      continue;
    }
    const double mhz = ReadCsvField(line, 1);
    if (mhz == 0.0) continue;
    if (StoreRow(line, mhz, row_number, cell)) ++row_number;
  }
}

CellLoad LoadCellTable(CellFileContext& context) {
  const std::string name = CellFileName("", context.Config.CellSerial);
  const auto path = platform::FindFileIgnoringCase(context.Config.DefaultPath, name);
  CellLoad outcome = CellLoad::Loaded;
  if (!path) {
    if (screen::Ask(context.Op, screen::msg::kCellFileMissing)) InstallCellFile(context);
    outcome = CellLoad::Missing;
  } else {
    try {
      platform::TextReader reader = platform::TextReader::Open(*path);
      reader.ReadLine();  // the heading
      ReadCellLines(reader, context.Cell, context.Op);
    } catch (const platform::FileError& error) {
      context.Op.Show(MessageKind::Error, error.what());
      outcome = CellLoad::Unreadable;
    }
  }
  context.Link.MaxFrequency = context.Cell.MaxFrequency;
  context.Link.RangeThreshold = context.Cell.RangeThreshold;
  return outcome;
}

CellInstallResult InstallCellFile(CellFileContext& context) {
  Settings& config = context.Config;
  if (auto serial = screen::AskInput(context.Op, screen::msg::kInstallCellSerial,
                                     config.CellSerial)) {
    config.CellSerial = std::move(*serial);
  }
  CellInstallResult result;
  result.SourceLabel = "Enter Source Path for Calibration File for Cell " + config.CellSerial;

  std::optional<std::string> folder = context.Op.ChooseFolder(platform::FolderDialogRequest{
      std::string(screen::msg::kLoadCellCalibration.Text), result.SourceLabel,
      "Load Cell Calibration Data", ""});
  if (!folder) return result;
  if (folder->empty() || folder->back() != '/') *folder += '/';

  const std::string name = CellFileName("", config.CellSerial);
  // A supplier's disk may spell the name in capitals.
  const std::string source = platform::FindFileIgnoringCase(*folder, name).value_or(*folder + name);
  try {
    platform::TextReader reader = platform::TextReader::Open(source);
    platform::TextWriter writer(config.DefaultPath + name);
    do {
      writer.WriteLine(reader.ReadLine());
    } while (!reader.AtEnd());
    writer.Commit();
  } catch (const platform::FileError&) {
    screen::Tell(context.Op, screen::msg::kCellCopyFailed);
    screen::Tell(context.Op, screen::msg::kNoCellInstalled);
    result.Outcome = CellInstall::Failed;
    return result;
  }
  screen::Tell(context.Op, screen::msg::kCellInstalled, {config.CellSerial});
  result.Outcome = CellInstall::Installed;
  return result;
}

}  // namespace tarvos::calib
