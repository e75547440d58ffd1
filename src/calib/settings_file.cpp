#include "calib/settings_file.h"


#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <system_error>

#include "platform/system_paths.h"
#include "platform/text_file.h"
#include "screen/messages.h"
#include "setup/number_forms.h"
#include "setup/setup_block.h"

namespace tarvos::calib {
namespace {

using platform::TextReader;
using platform::TextWriter;

constexpr std::size_t kRealChars = 64;

// The setup block lines whose values the settings file replaces on reading.
constexpr int kStartFrequencyLine = 6;
constexpr int kAmplifierConfigLine = 16;

// A text written on one line of the file: a line end inside would shift every line after.
std::string_view OneLine(std::string_view text) {
  return text.substr(0, text.find_first_of("\r\n"));
}

int RangeIndex(uint8_t range_choice) { return range_choice < 3 ? range_choice : -1; }

char DelimiterFrom(std::string_view line) {
  return !line.empty() && IsUsableDelimiter(line.front()) ? line.front() : kDefaultDelimiter;
}

// The settings file as it is, whatever the case of its name, or where it goes.
std::string SettingsPath(const std::string& folder) {
  return platform::FindFileIgnoringCase(folder, kSettingsFileName)
      .value_or(folder + std::string(kSettingsFileName));
}

void ReadSettingsLines(TextReader& reader, SettingsContext& context) {
  using setup::ReadWhole32;
  using setup::ReadWhole8;
  Settings& config = context.Config;
  config.BorderColour = ReadWhole32(reader);
  config.GridColour = ReadWhole32(reader);
  config.BackgroundColour = ReadWhole32(reader);
  config.EutOkColour = ReadWhole32(reader);
  config.EutFailColour = ReadWhole32(reader);
  config.AchievedColour = ReadWhole32(reader);
  config.SetPointColour = ReadWhole32(reader);
  config.PrintLineColour = ReadWhole32(reader);
  for (uint32_t& spare : config.Spare) spare = ReadWhole32(reader);
  config.PrintTextColour = ReadWhole32(reader);
  reader.ReadLine();  // line 14: the spare number 1
  config.CellSerial = reader.ReadLine();
  config.FileDelimiter = DelimiterFrom(reader.ReadLine());
  context.Screen.single.frequency_inc.text = reader.ReadLine();
  config.PreScanColour = ReadWhole32(reader);
  context.Screen.single.level_inc.text = reader.ReadLine();
  context.Setup.RangeChoice = ReadWhole8(reader);
  context.Screen.setup.range.index = RangeIndex(context.Setup.RangeChoice);
  context.Cell.DriveScale = setup::ReadWhole16(reader);
  context.Cell.DriveOffset = setup::ReadWhole16(reader);
  reader.ReadLine();  // line 23: "spare"

  // A single-frequency test starts where the scan starts, and the amplifiers are taken
  // as the common series whatever the file says. Both are applied after every later
  // line too and once more at the end, so they hold whether the block stores a value
  // before or after it reports the line.
  setup::TestSetup& test_setup = context.Setup;
  uint8_t& amplifier_config = context.Link.AmplifierConfig;
  int lines_read = 0;
  const auto replace = [&test_setup, &amplifier_config, &lines_read] {
    if (lines_read >= kStartFrequencyLine) test_setup.CurrentFrequency = test_setup.StartFrequency;
    if (lines_read >= kAmplifierConfigLine) amplifier_config = 1;
  };
  const setup::SetupBlockContext block{amplifier_config, context.RequestVersion,
                                       [&lines_read, &replace](int line) {
                                         lines_read = line;
                                         replace();
                                       }};
  try {
    setup::ReadSetupBlock(reader, context.Setup, block);
  } catch (const platform::FileError&) {
    replace();
    throw;
  }
  replace();
}

}  // namespace

std::string ProgramFolder(const std::optional<std::string>& command_line,
                          std::string_view tarvos_home,
                          const std::optional<std::string>& writable_installed,
                          std::string_view per_user) {
  using platform::WithSeparator;
  if (command_line && !command_line->empty()) return WithSeparator(*command_line);
  if (!tarvos_home.empty()) return WithSeparator(std::string(tarvos_home));
  if (writable_installed && !writable_installed->empty()) return WithSeparator(*writable_installed);
  return WithSeparator(std::string(per_user));
}

std::string DefaultPath(const std::optional<std::string>& command_line) {
  std::optional<std::string> installed = platform::InstalledProgramFolder();
  // Without the right to create files there, an installation for all users is only where
  // a first start's settings may come from.
  if (installed && !platform::CanCreateFilesIn(*installed)) installed.reset();
  std::string folder =
      ProgramFolder(command_line, platform::EnvironmentText("TARVOS_HOME").value_or(""),
                    installed, platform::PerUserProgramFolder());
  // A folder that cannot be made shows up as missing files later, with their messages.
  platform::MakeFolders(folder);
  return folder;
}

bool IsUsableDelimiter(char c) {
  switch (c) {
    case '\t':
    case '\r':
    case '\n':
    case '\0':
    case '.':
    case '-':
    case '+':
    case 'E':
    case 'e':
      return false;
    default:
      return !(c >= '0' && c <= '9');
  }
}

SettingsLoad LoadSettings(SettingsContext& context) {
  const auto path = platform::FindFileIgnoringCase(context.Config.DefaultPath, kSettingsFileName);
  if (!path) {
    LoadDefaults(context);
    return SettingsLoad::DefaultsLoaded;
  }
  try {
    TextReader reader = TextReader::Open(*path);
    ReadSettingsLines(reader, context);
  } catch (const platform::FileError&) {
    return SettingsLoad::Failed;
  }
  return SettingsLoad::Loaded;
}

SettingsLoad LoadSettingsOrDefaults(SettingsContext& context) {
  const SettingsLoad outcome = LoadSettings(context);
  if (outcome == SettingsLoad::Failed) LoadDefaults(context);
  return outcome;
}

void LoadDefaults(SettingsContext& context) {
  screen::Tell(context.Op, screen::msg::kDefaultsLoaded);

  Settings& config = context.Config;
  config.BorderColour = 8421376;
  config.GridColour = 0;
  config.BackgroundColour = 16777215;
  config.EutOkColour = 65280;
  config.EutFailColour = 255;
  config.AchievedColour = 255;
  config.PrintLineColour = 0;
  config.Spare = {255, 255, 0, 0};
  config.PrintTextColour = 0;
  config.FileDelimiter = kDefaultDelimiter;
  config.PreScanColour = 32768;
  context.Setup.RangeChoice = 0;
  context.Screen.setup.range.index = 0;
  context.Cell.DriveScale = 26214;
  context.Cell.DriveOffset = 0;

  setup::TestSetup& s = context.Setup;
  s.CurrentFrequency = 10'000'000;
  s.StartLevel = 1.0F;
  s.EndLevel = 10.0F;
  s.LevelStep = 0.1F;
  s.SingleDwell = 5;
  s.StartFrequency = 100'000'000;
  s.EndFrequency = 200'000'000;
  s.StepPercent = 1.0F;
  s.DwellTime = 1;
  s.FieldStrength = 1.0F;
  s.EstimatedTime = 0;
  s.EutPromptMode = 0;
  s.EutStatusMode = 0;
  s.SingleLevel = 1.0F;
  context.Link.AmplifierConfig = 1;

  config.CellSerial =
      screen::AskInput(context.Op, screen::msg::kCellSerialAtStart, "10").value_or("10");
}

bool SaveSettings(SettingsContext& context) {
  const Settings& config = context.Config;
  try {
    const std::string path = SettingsPath(config.DefaultPath);
    // A settings file marked read-only is replaced all the same.
    platform::ClearReadOnly(path);
    TextWriter writer(path);
    const auto whole = [&writer](uint64_t value) { writer.WriteLine(setup::FormatWhole(value)); };
    whole(config.BorderColour);
    whole(config.GridColour);
    whole(config.BackgroundColour);
    whole(config.EutOkColour);
    whole(config.EutFailColour);
    whole(config.AchievedColour);
    whole(config.SetPointColour);
    whole(config.PrintLineColour);
    for (const uint32_t spare : config.Spare) whole(spare);
    whole(config.PrintTextColour);
    writer.WriteLine(setup::FormatScientific(1.0));
    writer.WriteLine(OneLine(config.CellSerial));
    writer.WriteLine(std::string(1, DelimiterFrom(std::string_view(&config.FileDelimiter, 1))));
    writer.WriteLine(OneLine(context.Screen.single.frequency_inc.text));
    whole(config.PreScanColour);
    writer.WriteLine(OneLine(context.Screen.single.level_inc.text));
    whole(context.Setup.RangeChoice);
    whole(context.Cell.DriveScale);
    whole(context.Cell.DriveOffset);
    writer.WriteLine("spare");
    const setup::SetupBlockContext block{context.Link.AmplifierConfig, context.RequestVersion,
                                         nullptr};
    setup::WriteSetupBlock(writer, context.Setup, block);
    writer.Commit();
  } catch (const platform::FileError&) {
    return false;
  }
  return true;
}

bool LoadSalvoSettings(const std::string& default_path, link::AdapterLink& link,
                       platform::Operator& op) {
  std::optional<float> frequency;
  if (const auto path = platform::FindFileIgnoringCase(default_path, kSalvoFileName)) {
    try {
      TextReader reader = TextReader::Open(*path);
      for (int line = 0; line < 3; ++line) reader.ReadLine();
      if (const auto token = reader.ReadValue(kRealChars)) {
        const auto value = setup::ParseDecimal(*token);
        if (value && std::fabs(*value) <= std::numeric_limits<float>::max()) {
          frequency = static_cast<float>(*value);
        }
      }
    } catch (const platform::FileError&) {
      frequency.reset();
    }
  }
  if (!frequency) {
    screen::Tell(op, screen::msg::kSalvoIniMissing);
    return false;
  }
  link.AmplifierSwitchFrequency = *frequency;
  return true;
}

}  // namespace tarvos::calib
