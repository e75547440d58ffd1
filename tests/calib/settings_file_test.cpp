#include "calib/settings_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "calib/temp_folder.h"
#include "platform/scripted_operator.h"
#include "platform/system_paths.h"

namespace tarvos::calib {
namespace {

using platform::MessageKind;
using platform::ScriptedOperator;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::TempFolder;

constexpr std::string_view kDefaultsMessage = "INI File Missing or Corrupt. Defaults Loaded";
constexpr std::string_view kSalvoMessage = "Salvo.INI File not Found or Corrupt. Please Re Load";

std::vector<std::string> SplitCrLf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  EXPECT_EQ(start, text.size()) << "a line without CR LF at the end";
  return lines;
}

std::string JoinCrLf(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

// The records a settings file touches, with a counter for the version requests.
struct SettingsRig {
  SettingsRig() { config.DefaultPath = folder.Path(); }

  TempFolder folder;
  Settings config;
  setup::TestSetup setup;
  CellTable cell;
  link::AdapterLink link;
  screen::Screen screen;
  ScriptedOperator op;
  int version_requests = 0;
  SettingsContext context{config, setup, cell, link, screen, op, [this] { ++version_requests; }};
};

class SettingsFileTest : public ::testing::Test {
 protected:
  SettingsRig rig;
};

void FillDistinctValues(SettingsRig& rig) {
  Settings& c = rig.config;
  c.BorderColour = 1;
  c.GridColour = 2;
  c.BackgroundColour = 3;
  c.EutOkColour = 4;
  c.EutFailColour = 5;
  c.AchievedColour = 6;
  c.SetPointColour = 7;
  c.PrintLineColour = 8;
  c.Spare = {9, 10, 11, 12};
  c.PrintTextColour = 13;
  c.CellSerial = "A-77";
  c.FileDelimiter = ',';
  c.PreScanColour = 4294967295U;
  rig.screen.single.frequency_inc.text = "5.5";
  rig.screen.single.level_inc.text = "0.25";
  rig.cell.DriveScale = 65535;
  rig.cell.DriveOffset = 12;
  setup::TestSetup& s = rig.setup;
  s.RangeChoice = 2;
  s.CurrentFrequency = 123'456'789;
  s.StartLevel = 2.5F;
  s.EndLevel = 9.75F;
  s.LevelStep = 0.5F;
  s.SingleDwell = 17;
  s.StartFrequency = 80'000'000;
  s.EndFrequency = 1'000'000'000;
  s.StepPercent = 4.0F;
  s.DwellTime = 3;
  s.FieldStrength = 10.0F;
  s.EstimatedTime = 3600;
  s.ModulationType = 4;
  s.EutPromptMode = 1;
  s.EutStatusMode = 2;
  s.SingleLevel = 3.25F;
  s.TestMode = 13;
  s.CustomList[0] = {30'000'000, 2.7F};
  s.CustomList[29] = {999'000'000, 12.5F};
  rig.link.AmplifierConfig = 2;
}

TEST_F(SettingsFileTest, RoundTripRestoresAllButTwoValues) {
  FillDistinctValues(rig);
  ASSERT_TRUE(SaveSettings(rig.context));
  EXPECT_EQ(rig.version_requests, 1);
  const std::string saved = rig.folder.Read("Tarvos.INI");
  ASSERT_EQ(SplitCrLf(saved).size(), 104U);

  SettingsRig back;
  back.folder.Write("Tarvos.INI", saved);
  ASSERT_EQ(LoadSettings(back.context), SettingsLoad::Loaded);
  EXPECT_THAT(back.op.History(), IsEmpty());
  EXPECT_EQ(back.version_requests, 1);

  const Settings& c = back.config;
  EXPECT_EQ(c.BorderColour, 1U);
  EXPECT_EQ(c.SetPointColour, 7U);
  EXPECT_EQ(c.PrintLineColour, 8U);
  EXPECT_EQ(c.Spare, (std::array<uint32_t, 4>{9, 10, 11, 12}));
  EXPECT_EQ(c.PrintTextColour, 13U);
  EXPECT_EQ(c.CellSerial, "A-77");
  EXPECT_EQ(c.FileDelimiter, ',');
  EXPECT_EQ(c.PreScanColour, 4294967295U);
  EXPECT_EQ(back.screen.single.frequency_inc.text, "5.5");
  EXPECT_EQ(back.screen.single.level_inc.text, "0.25");
  EXPECT_EQ(back.setup.RangeChoice, 2);
  EXPECT_EQ(back.screen.setup.range.index, 2);
  EXPECT_EQ(back.cell.DriveScale, 65535);
  EXPECT_EQ(back.cell.DriveOffset, 12);

  const setup::TestSetup& s = back.setup;
  EXPECT_EQ(s.CurrentFrequency, 80'000'000U);  // the start frequency, not 123456789
  EXPECT_EQ(back.link.AmplifierConfig, 1);     // not 2
  EXPECT_EQ(s.StartLevel, 2.5F);
  EXPECT_EQ(s.EndLevel, 9.75F);
  EXPECT_EQ(s.SingleDwell, 17U);
  EXPECT_EQ(s.EndFrequency, 1'000'000'000U);
  EXPECT_EQ(s.StepPercent, 4.0F);
  EXPECT_EQ(s.EstimatedTime, 3600);
  EXPECT_EQ(s.ModulationType, 4);
  EXPECT_EQ(s.EutStatusMode, 2);
  EXPECT_EQ(s.SingleLevel, 3.25F);
  EXPECT_EQ(s.TestMode, 13);
  EXPECT_EQ(s.CustomList[0].Frequency, 30'000'000U);
  EXPECT_EQ(s.CustomList[0].Level, 2.7F);
  EXPECT_EQ(s.CustomList[29].Level, 12.5F);

  // Written back, the file differs only in those two lines.
  ASSERT_TRUE(SaveSettings(back.context));
  std::vector<std::string> expected = SplitCrLf(saved);
  expected[23] = "80000000";
  expected[38] = "1";
  EXPECT_EQ(SplitCrLf(back.folder.Read("Tarvos.INI")), expected);
}

TEST_F(SettingsFileTest, SavedFileStartsWithTheseExactBytes) {
  rig.op.QueueInput("10");
  LoadDefaults(rig.context);
  ASSERT_TRUE(SaveSettings(rig.context));
  const std::string expected_head =
      "8421376\r\n0\r\n16777215\r\n65280\r\n255\r\n255\r\n0\r\n0\r\n255\r\n255\r\n0\r\n0\r\n"
      "0\r\n 1.00000000000000E+0000\r\n10\r\n;\r\n2.0\r\n32768\r\n0.1\r\n0\r\n26214\r\n0\r\n"
      "spare\r\n10000000\r\n    1.00\r\n   10.00\r\n    0.10\r\n5\r\n100000000\r\n200000000\r\n";
  const std::string saved = rig.folder.Read("Tarvos.INI");
  EXPECT_EQ(saved.substr(0, expected_head.size()), expected_head);
  const auto lines = SplitCrLf(saved);
  ASSERT_EQ(lines.size(), 104U);
  EXPECT_EQ(lines[38], "1");  // AmplifierConfig
  EXPECT_EQ(lines[40], "Spare3");
  EXPECT_EQ(lines[103], " 0.00000000000000E+0000");
}

TEST_F(SettingsFileTest, FileCutAfterLine30LoadsSilently) {
  FillDistinctValues(rig);
  ASSERT_TRUE(SaveSettings(rig.context));
  auto lines = SplitCrLf(rig.folder.Read("Tarvos.INI"));
  lines.resize(30);
  SettingsRig back;
  back.setup.DwellTime = 99;
  back.folder.Write("tarvos.ini", JoinCrLf(lines));  // any case
  EXPECT_EQ(LoadSettings(back.context), SettingsLoad::Loaded);
  EXPECT_THAT(back.op.History(), IsEmpty());
  EXPECT_EQ(back.setup.EndFrequency, 1'000'000'000U);
  EXPECT_EQ(back.setup.StepPercent, 0.0F);
  EXPECT_EQ(back.setup.DwellTime, 0U);
  EXPECT_EQ(back.setup.TestMode, 0);
  EXPECT_EQ(back.link.AmplifierConfig, 1);

  // Cut after line 14, the texts read empty and the delimiter falls back to ";".
  lines.resize(14);
  SettingsRig short_file;
  short_file.folder.Write("Tarvos.INI", JoinCrLf(lines));
  EXPECT_EQ(LoadSettings(short_file.context), SettingsLoad::Loaded);
  EXPECT_EQ(short_file.config.CellSerial, "");
  EXPECT_EQ(short_file.config.FileDelimiter, ';');
  EXPECT_EQ(short_file.screen.single.frequency_inc.text, "");
  EXPECT_EQ(short_file.cell.DriveScale, 0);
}

TEST_F(SettingsFileTest, TextWhereANumberBelongsFailsAndLoadsDefaults) {
  FillDistinctValues(rig);
  ASSERT_TRUE(SaveSettings(rig.context));
  auto lines = SplitCrLf(rig.folder.Read("Tarvos.INI"));
  lines[20] = "scale";

  SettingsRig back;
  back.folder.Write("Tarvos.INI", JoinCrLf(lines));
  EXPECT_EQ(LoadSettings(back.context), SettingsLoad::Failed);
  EXPECT_THAT(back.op.History(), IsEmpty());
  EXPECT_EQ(back.config.CellSerial, "A-77");  // read before the fault
  EXPECT_EQ(back.setup.RangeChoice, 2);
  EXPECT_EQ(back.cell.DriveScale, 0);

  back.op.QueueInput("31");
  EXPECT_EQ(LoadSettingsOrDefaults(back.context), SettingsLoad::Failed);
  EXPECT_THAT(back.op.TextsOf(MessageKind::Confirmation), ElementsAre(kDefaultsMessage));
  EXPECT_EQ(back.config.CellSerial, "31");
  EXPECT_EQ(back.cell.DriveScale, 26214);
  EXPECT_EQ(back.setup.RangeChoice, 0);
  EXPECT_EQ(back.config.PrintTextColour, 0U);
}

// A number past its field is refused as text there is: DriveScale is 16 bits, the colours
// and frequencies 32, a dwell unsigned.
TEST_F(SettingsFileTest, ANumberPastItsFieldFailsAsTextDoes) {
  FillDistinctValues(rig);
  ASSERT_TRUE(SaveSettings(rig.context));
  const auto saved = SplitCrLf(rig.folder.Read("Tarvos.INI"));
  for (const auto& [index, value] : std::vector<std::pair<std::size_t, std::string>>{
           {20, "65536"}, {0, "4294967296"}, {29, "5000000000"}, {31, "-1"}, {19, "256"}}) {
    auto lines = saved;
    lines[index] = value;
    SettingsRig back;
    back.folder.Write("Tarvos.INI", JoinCrLf(lines));
    EXPECT_EQ(LoadSettings(back.context), SettingsLoad::Failed) << "line " << index + 1;
  }
}

TEST_F(SettingsFileTest, MissingFileLoadsDefaultsAndAsksForTheSerial) {
  rig.setup.ModulationType = 3;
  rig.setup.TestMode = 2;
  rig.setup.CustomList[4] = {50'000'000, 1.0F};
  rig.config.SetPointColour = 99;
  rig.screen.single.frequency_inc.text = "7.0";
  rig.screen.setup.range.index = 2;
  EXPECT_EQ(LoadSettings(rig.context), SettingsLoad::DefaultsLoaded);
  ASSERT_EQ(rig.op.History().size(), 2U);
  EXPECT_EQ(rig.op.History()[0].Kind, MessageKind::Confirmation);
  EXPECT_EQ(rig.op.History()[0].Text, kDefaultsMessage);
  EXPECT_EQ(rig.op.History()[1].Text, "Cell Serial Number|Enter Current Cell Serial Number");
  EXPECT_EQ(rig.config.CellSerial, "10");  // the box was cancelled

  EXPECT_EQ(rig.config.BorderColour, 8421376U);
  EXPECT_EQ(rig.config.EutOkColour, 65280U);
  EXPECT_EQ(rig.config.Spare, (std::array<uint32_t, 4>{255, 255, 0, 0}));
  EXPECT_EQ(rig.config.PreScanColour, 32768U);
  EXPECT_EQ(rig.config.FileDelimiter, ';');
  EXPECT_EQ(rig.cell.DriveScale, 26214);
  EXPECT_EQ(rig.screen.setup.range.index, 0);
  EXPECT_EQ(rig.setup.CurrentFrequency, 10'000'000U);
  EXPECT_EQ(rig.setup.LevelStep, 0.1F);
  EXPECT_EQ(rig.link.AmplifierConfig, 1);
  // Values without a default stay as they were.
  EXPECT_EQ(rig.config.SetPointColour, 99U);
  EXPECT_EQ(rig.setup.ModulationType, 3);
  EXPECT_EQ(rig.setup.TestMode, 2);
  EXPECT_EQ(rig.setup.CustomList[4].Frequency, 50'000'000U);
  EXPECT_EQ(rig.screen.single.frequency_inc.text, "7.0");
}

TEST_F(SettingsFileTest, DelimiterLine) {
  FillDistinctValues(rig);  // ","
  ASSERT_TRUE(SaveSettings(rig.context));
  auto lines = SplitCrLf(rig.folder.Read("Tarvos.INI"));
  EXPECT_EQ(lines[15], ",");
  EXPECT_EQ(rig.screen.system_details.file_delimiter, ";");  // the dialog keeps its text

  for (const auto& [line, expected] :
       {std::pair<std::string, char>{"", ';'}, {"|x", '|'}, {" ", ' '}, {"5", ';'}, {"e", ';'}}) {
    lines[15] = line;
    SettingsRig back;
    back.folder.Write("Tarvos.INI", JoinCrLf(lines));
    ASSERT_EQ(LoadSettings(back.context), SettingsLoad::Loaded);
    EXPECT_EQ(back.config.FileDelimiter, expected) << '"' << line << '"';
  }
}

TEST_F(SettingsFileTest, ABlankDelimiterIsKeptAndWrittenBack) {
  rig.folder.Write("Tarvos.INI", "");
  ASSERT_TRUE(SaveSettings(rig.context));
  auto lines = SplitCrLf(rig.folder.Read("Tarvos.INI"));
  lines[15] = " ";
  SettingsRig back;
  back.folder.Write("Tarvos.INI", JoinCrLf(lines));
  ASSERT_EQ(LoadSettings(back.context), SettingsLoad::Loaded);
  EXPECT_EQ(back.config.FileDelimiter, ' ');
  ASSERT_TRUE(SaveSettings(back.context));
  EXPECT_EQ(SplitCrLf(back.folder.Read("Tarvos.INI"))[15], " ");
}

TEST_F(SettingsFileTest, AReadOnlySettingsFileIsReplacedAtClose) {
  rig.folder.Write("Tarvos.INI", "old\r\n");
  const auto path = rig.folder.Path() + "Tarvos.INI";
  std::filesystem::permissions(path, std::filesystem::perms::owner_read |
                                         std::filesystem::perms::group_read);
  ASSERT_TRUE(SaveSettings(rig.context));
  EXPECT_EQ(SplitCrLf(rig.folder.Read("Tarvos.INI")).size(), 104U);
}

TEST_F(SettingsFileTest, RangeChoiceOutsideTheGroupShowsNoSelection) {
  rig.setup.RangeChoice = 200;
  ASSERT_TRUE(SaveSettings(rig.context));
  SettingsRig back;
  back.folder.Write("Tarvos.INI", rig.folder.Read("Tarvos.INI"));
  ASSERT_EQ(LoadSettings(back.context), SettingsLoad::Loaded);
  EXPECT_EQ(back.setup.RangeChoice, 200);
  EXPECT_EQ(back.screen.setup.range.index, -1);
}

TEST_F(SettingsFileTest, SaveReplacesTheFileWhateverItsCaseAndFailsSilently) {
  rig.folder.Write("TARVOS.ini", "old\r\n");
  rig.config.CellSerial = "line\r\nbreak";  // one line in the file
  ASSERT_TRUE(SaveSettings(rig.context));
  // One settings file, under the name it had.
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(rig.folder.Path())) {
    names.push_back(entry.path().filename().string());
  }
  EXPECT_THAT(names, ElementsAre("TARVOS.ini"));
  const auto lines = SplitCrLf(rig.folder.Read("TARVOS.ini"));
  ASSERT_EQ(lines.size(), 104U);
  EXPECT_EQ(lines[14], "line");

  rig.config.DefaultPath = rig.folder.Path() + "missing/";
  EXPECT_FALSE(SaveSettings(rig.context));
  EXPECT_THAT(rig.op.History(), IsEmpty());
  EXPECT_EQ(SplitCrLf(rig.folder.Read("TARVOS.ini")).size(), 104U);
}

TEST_F(SettingsFileTest, SalvoSettings) {
  link::AdapterLink& link = rig.link;
  EXPECT_FALSE(LoadSalvoSettings(rig.folder.Path(), link, rig.op));
  EXPECT_EQ(link.AmplifierSwitchFrequency, 1000.0F);

  rig.folder.Write("salvo.ini", "a\r\nb\r\nc\r\n");
  EXPECT_FALSE(LoadSalvoSettings(rig.folder.Path(), link, rig.op));
  rig.folder.Write("salvo.ini", "a\r\nb\r\nc\r\nfast\r\n");
  EXPECT_FALSE(LoadSalvoSettings(rig.folder.Path(), link, rig.op));
  EXPECT_THAT(rig.op.TextsOf(MessageKind::Warning),
              ElementsAre(kSalvoMessage, kSalvoMessage, kSalvoMessage));
  EXPECT_EQ(link.AmplifierSwitchFrequency, 1000.0F);

  rig.op.ClearHistory();
  rig.folder.Write("salvo.ini", "a\r\nb\r\nc\r\n  1234.5 MHz\r\n");
  EXPECT_TRUE(LoadSalvoSettings(rig.folder.Path(), link, rig.op));
  EXPECT_EQ(link.AmplifierSwitchFrequency, 1234.5F);
  EXPECT_TRUE(LoadSalvoSettings(TARVOS_SOURCE_DIR "/data/", link, rig.op));
  EXPECT_EQ(link.AmplifierSwitchFrequency, 1000.0F);
  EXPECT_THAT(rig.op.History(), IsEmpty());
}

TEST(ProgramFolderTest, CommandLineThenEnvironmentThenInstalledThenUserFolder) {
  const std::string user = "/home/op/.local/share/Brevant Instruments Ltd/Tarvos/";
  // The system's separator ends a folder that has none.
  const std::string separator(1, platform::FolderSeparator());
  EXPECT_EQ(ProgramFolder("/srv/t", "/env", "/opt/t", user), "/srv/t" + separator);
  EXPECT_EQ(ProgramFolder("/srv/t/", "/env", "/opt/t", user), "/srv/t/");
  EXPECT_EQ(ProgramFolder(std::nullopt, "/env", "/opt/t", user), "/env" + separator);
  EXPECT_EQ(ProgramFolder(std::string(), "", "/opt/t", user), "/opt/t" + separator);
  EXPECT_EQ(ProgramFolder(std::string(), "", std::nullopt, user), user);
}

TEST(ProgramFolderTest, DefaultPathCreatesTheFolder) {
  TempFolder folder;
  const std::string wanted = folder.Path() + "a/b";
  EXPECT_EQ(DefaultPath(wanted), platform::WithSeparator(wanted));
  EXPECT_TRUE(std::filesystem::is_directory(wanted));
}

}  // namespace
}  // namespace tarvos::calib
