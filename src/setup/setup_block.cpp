#include "setup/setup_block.h"

#include <array>
#include <string_view>

#include "setup/number_forms.h"

namespace tarvos::setup {
namespace {

constexpr std::array<std::string_view, 4> kSpareLines = {"Spare3", "Spare4", "Spare5", "Spare6"};
constexpr int kLastHeadLine = 21;

std::string Fixed82(float value) { return FormatFixed(value, 8, 2); }

// Reads the block line by line, telling the context after each one.
class BlockReader {
 public:
  BlockReader(platform::TextReader& reader, const SetupBlockContext& context)
      : reader_(reader), context_(context) {}

  // Each value is stored before the context hears of its line, so that what it does
  // there (the settings file replaces two values) sees the value just read.
  void Whole32(uint32_t& out) {
    out = ReadWhole32(reader_);
    Done();
  }
  void Whole32(int32_t& out) {
    out = ReadWhole32Signed(reader_);
    Done();
  }
  void Whole8(uint8_t& out) {
    out = ReadWhole8(reader_);
    Done();
  }
  void Real(float& out) {
    out = ReadReal(reader_);
    Done();
  }
  void Text() {
    reader_.ReadLine();
    Done();
  }

 private:
  void Done() {
    ++line_;
    if (context_.AfterLine) context_.AfterLine(line_);
  }

  platform::TextReader& reader_;
  const SetupBlockContext& context_;
  int line_ = 0;
};

}  // namespace

void WriteSetupBlock(platform::TextWriter& writer, const TestSetup& setup,
                     const SetupBlockContext& context) {
  writer.WriteLine(FormatWhole(setup.CurrentFrequency));
  writer.WriteLine(Fixed82(setup.StartLevel));
  writer.WriteLine(Fixed82(setup.EndLevel));
  writer.WriteLine(Fixed82(setup.LevelStep));
  writer.WriteLine(FormatWhole(setup.SingleDwell));
  writer.WriteLine(FormatWhole(setup.StartFrequency));
  writer.WriteLine(FormatWhole(setup.EndFrequency));
  writer.WriteLine(Fixed82(setup.StepPercent));
  writer.WriteLine(FormatWhole(setup.DwellTime));
  writer.WriteLine(Fixed82(setup.FieldStrength));
  // The block holds the estimate unsigned; it is never negative.
  writer.WriteLine(FormatWhole(static_cast<uint32_t>(setup.EstimatedTime)));
  writer.WriteLine(FormatWhole(setup.ModulationType));
  writer.WriteLine(FormatWhole(setup.EutPromptMode));
  writer.WriteLine(FormatWhole(setup.EutStatusMode));
  writer.WriteLine(Fixed82(setup.SingleLevel));
  writer.WriteLine(FormatWhole(context.AmplifierConfig));
  writer.WriteLine(FormatWhole(setup.TestMode));
  for (const auto spare : kSpareLines) writer.WriteLine(spare);
  if (context.RequestVersion) context.RequestVersion();
  for (const auto& row : setup.CustomList) {
    writer.WriteLine(FormatWhole(row.Frequency));
    writer.WriteLine(FormatScientific(row.Level));
  }
}

void ReadSetupBlock(platform::TextReader& reader, TestSetup& setup,
                    const SetupBlockContext& context) {
  BlockReader block(reader, context);
  block.Whole32(setup.CurrentFrequency);
  block.Real(setup.StartLevel);
  block.Real(setup.EndLevel);
  block.Real(setup.LevelStep);
  block.Whole32(setup.SingleDwell);
  block.Whole32(setup.StartFrequency);
  block.Whole32(setup.EndFrequency);
  block.Real(setup.StepPercent);
  block.Whole32(setup.DwellTime);
  block.Real(setup.FieldStrength);
  block.Whole32(setup.EstimatedTime);
  block.Whole8(setup.ModulationType);
  block.Whole8(setup.EutPromptMode);
  block.Whole8(setup.EutStatusMode);
  block.Real(setup.SingleLevel);
  block.Whole8(context.AmplifierConfig);
  block.Whole8(setup.TestMode);
  for (int line = 18; line <= kLastHeadLine; ++line) block.Text();
  if (context.RequestVersion) context.RequestVersion();
  for (auto& row : setup.CustomList) {
    block.Whole32(row.Frequency);
    block.Real(row.Level);
  }
}

}  // namespace tarvos::setup
