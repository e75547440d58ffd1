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

  uint32_t Whole32() { return Done(ReadWhole32(reader_)); }
  uint8_t Whole8() { return Done(ReadWhole8(reader_)); }
  float Real() { return Done(ReadReal(reader_)); }
  void Text() {
    reader_.ReadLine();
    Done(0);
  }

 private:
  template <typename T>
  T Done(T value) {
    ++line_;
    if (context_.AfterLine) context_.AfterLine(line_);
    return value;
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
  setup.CurrentFrequency = block.Whole32();
  setup.StartLevel = block.Real();
  setup.EndLevel = block.Real();
  setup.LevelStep = block.Real();
  setup.SingleDwell = block.Whole32();
  setup.StartFrequency = block.Whole32();
  setup.EndFrequency = block.Whole32();
  setup.StepPercent = block.Real();
  setup.DwellTime = block.Whole32();
  setup.FieldStrength = block.Real();
  // Low 32 bits, as every 32-bit field of the block.
  setup.EstimatedTime = static_cast<int32_t>(block.Whole32());
  setup.ModulationType = block.Whole8();
  setup.EutPromptMode = block.Whole8();
  setup.EutStatusMode = block.Whole8();
  setup.SingleLevel = block.Real();
  context.AmplifierConfig = block.Whole8();
  setup.TestMode = block.Whole8();
  for (int line = 18; line <= kLastHeadLine; ++line) block.Text();
  if (context.RequestVersion) context.RequestVersion();
  for (auto& row : setup.CustomList) {
    row.Frequency = block.Whole32();
    row.Level = block.Real();
  }
}

}  // namespace tarvos::setup
