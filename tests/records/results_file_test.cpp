#include "records/results_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/text_file.h"
#include "records/records_rig.h"
#include "setup/setup_block.h"

namespace tarvos::records {
namespace {

using engine::ResultPoint;

constexpr std::size_t kHeadLines = 8;
constexpr std::size_t kBlockEnd = kHeadLines + setup::kSetupBlockLines;  // 89
constexpr std::size_t kFinishLine = kBlockEnd + kNoteLines;              // 97, 0-based
constexpr std::size_t kFirstEntryLine = kFinishLine + 2;                 // 99, 0-based

void FillSetup(setup::TestSetup& setup) {
  setup.TestMode = setup::kCustom;
  setup.StartFrequency = 80'000'000;
  setup.EndFrequency = 1'000'000'000;
  setup.FieldStrength = 3.0F;
  setup.ModulationType = 4;
  setup.CustomList[0] = {150'000'000, 2.7F};
}

// N results as a finished run leaves them: entry 0 mirrors entry 1, next index N + 1.
void FillResults(engine::ResultStore& results, uint32_t n) {
  for (uint32_t i = 1; i <= n; ++i) {
    results.Entries[i] = {100'000'000 + i * 1'000'000, 1.0 + i * 0.25,
                          static_cast<uint16_t>(i % 3)};
  }
  results.Entries[0] = results.Entries[1];
  results.NextIndex = n + 1;
}

std::vector<std::string> SetupBlockLines(const setup::TestSetup& setup, uint8_t amplifier) {
  platform::TextWriter writer;
  setup::WriteSetupBlock(writer, setup, setup::SetupBlockContext{amplifier, {}, {}});
  platform::TextReader reader(writer.Content());
  std::vector<std::string> lines;
  while (!reader.AtEnd()) lines.push_back(reader.ReadLine());
  return lines;
}

// The first lines of a saved file up to and including the block, for files made by hand.
std::string HeadOfSavedFile(RecordsRig& rig, const std::string& path) {
  SaveResultsFile(rig.Context(), path);
  const auto lines = FileLines(path);
  std::string head;
  for (std::size_t i = 0; i < kBlockEnd; ++i) head += lines[i] + "\r\n";
  return head;
}

class ResultsFileTest : public ::testing::Test {
 protected:
  TempFolder folder_;
  RecordsRig rig_;
  std::string path_ = folder_.File("run.RF");
};

TEST_F(ResultsFileTest, WritesTheLayoutLineByLine) {
  FillSetup(rig_.Setup);
  rig_.Records.DisplayTitle = "Cell 4 immunity";
  rig_.Records.NoteLines[0] = "first note";
  rig_.Results->Entries[0] = {100'000'000, 3.0, 1};
  rig_.Results->Entries[1] = {100'000'000, 3.0, 1};
  rig_.Results->Entries[2] = {101'000'000, 2.996, 2};
  rig_.Results->NextIndex = 3;
  SaveResultsFile(rig_.Context(), path_);

  const auto lines = FileLines(path_);
  ASSERT_EQ(lines.size(), kFirstEntryLine + 4);
  EXPECT_EQ(lines[0], "Software Version");
  EXPECT_EQ(lines[1], "1.59 12th January 2007");
  EXPECT_EQ(lines[2], "Date & Time ");
  EXPECT_EQ(lines[3], "12 March 2024 09:05");
  EXPECT_EQ(lines[4], "Title");
  EXPECT_EQ(lines[5], "Cell 4 immunity");
  EXPECT_EQ(lines[6], "Procedure Name");
  EXPECT_EQ(lines[7], "");
  const auto block = SetupBlockLines(rig_.Setup, rig_.AmplifierConfig);
  ASSERT_EQ(block.size(), 81u);
  for (std::size_t i = 0; i < block.size(); ++i) EXPECT_EQ(lines[kHeadLines + i], block[i]) << i;
  EXPECT_EQ(lines[kBlockEnd], "first note");
  for (std::size_t i = kBlockEnd + 1; i < kFinishLine; ++i) EXPECT_EQ(lines[i], "") << i;
  EXPECT_EQ(lines[kFinishLine], "finish");
  EXPECT_EQ(lines[kFinishLine + 1], "FREQUENCY   ; LEVEL; EUT");
  EXPECT_EQ(lines[kFirstEntryLine], "   100000000;  3.00;     1");
  EXPECT_EQ(lines[kFirstEntryLine + 1], "   100000000;  3.00;     1");
  EXPECT_EQ(lines[kFirstEntryLine + 2], "   101000000;  3.00;     2");
  EXPECT_EQ(lines[kFirstEntryLine + 3], "           0;  0.00;     0");

  // Every line ends in CR LF, the last one too.
  const std::string bytes = FileBytes(path_);
  std::size_t crlf = 0;
  for (std::size_t at = bytes.find("\r\n"); at != std::string::npos;
       at = bytes.find("\r\n", at + 2)) {
    ++crlf;
  }
  EXPECT_EQ(crlf, lines.size());
  EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
}

TEST_F(ResultsFileTest, EmptyNotesStillPutFinishAtLine98) {
  SaveResultsFile(rig_.Context(), path_);
  const auto lines = FileLines(path_);
  for (std::size_t i = kBlockEnd; i < kFinishLine; ++i) EXPECT_EQ(lines[i], "") << i;
  EXPECT_EQ(lines[97], "finish");
}

TEST_F(ResultsFileTest, NResultsGiveNPlusTwoEntryLinesAndReopenAsTheyWere) {
  FillSetup(rig_.Setup);
  rig_.Records.DisplayTitle = "Title line";
  rig_.Records.ProcedureName = "IEC procedure";
  for (std::size_t i = 0; i < kNoteLines; ++i)
    rig_.Records.NoteLines[i] = "note " + std::to_string(i);
  FillResults(*rig_.Results, 5);
  SaveResultsFile(rig_.Context(), path_);
  EXPECT_EQ(FileLines(path_).size(), kFirstEntryLine + 5 + 2);

  RecordsRig reopened;
  OpenResultsFile(reopened.Context(), path_);
  EXPECT_EQ(reopened.Results->NextIndex, 6u);
  for (std::size_t i = 0; i <= 6; ++i) {
    EXPECT_EQ(reopened.Results->Entries[i].Frequency, rig_.Results->Entries[i].Frequency) << i;
    EXPECT_DOUBLE_EQ(reopened.Results->Entries[i].Level, rig_.Results->Entries[i].Level) << i;
    EXPECT_EQ(reopened.Results->Entries[i].EutStatus, rig_.Results->Entries[i].EutStatus) << i;
  }
  EXPECT_EQ(reopened.Records.SavedDateTime, "12 March 2024 09:05");
  EXPECT_EQ(reopened.Records.DisplayTitle, "Title line");
  EXPECT_EQ(reopened.Records.ProcedureName, "IEC procedure");
  EXPECT_EQ(reopened.Records.NoteLines, rig_.Records.NoteLines);
  EXPECT_EQ(reopened.Setup.TestMode, setup::kCustom);
  EXPECT_EQ(reopened.Setup.CustomList[0].Frequency, 150'000'000u);
  EXPECT_EQ(reopened.Setup.CustomList[0].Level, 2.7F);
  EXPECT_EQ(reopened.Screen.title_label, "Title line");
  EXPECT_EQ(reopened.Screen.repaints, 1u);
  // Opening does not make the file the target of Save Results.
  EXPECT_EQ(reopened.Records.ResultsFileName, "");

  // Saving the reopened results gives the same file.
  SaveResultsFile(reopened.Context(), folder_.File("again.RF"));
  EXPECT_EQ(FileBytes(folder_.File("again.RF")), FileBytes(path_));
}

TEST_F(ResultsFileTest, AnotherDelimiterReadsNoEntryValuesButLoadsTheRest) {
  FillSetup(rig_.Setup);
  rig_.Records.DisplayTitle = "semicolons";
  rig_.Records.NoteLines[3] = "kept";
  FillResults(*rig_.Results, 3);
  SaveResultsFile(rig_.Context(), path_);

  RecordsRig other;
  other.Delimiter = ',';
  for (auto& entry : other.Results->Entries) entry = {7, 7.5, 2};
  OpenResultsFile(other.Context(), path_);
  for (std::size_t i = 0; i < engine::kEntries; ++i) {
    ASSERT_EQ(other.Results->Entries[i].Frequency, 7u) << i;
    ASSERT_EQ(other.Results->Entries[i].Level, 7.5) << i;
    ASSERT_EQ(other.Results->Entries[i].EutStatus, 2u) << i;
  }
  EXPECT_EQ(other.Results->NextIndex, 4u);
  EXPECT_EQ(other.Records.DisplayTitle, "semicolons");
  EXPECT_EQ(other.Records.NoteLines[3], "kept");
  EXPECT_EQ(other.Setup.StartFrequency, 80'000'000u);
}

TEST_F(ResultsFileTest, BlankDelimiterPadsTheColumnsAndReadsThemBack) {
  rig_.Delimiter = ' ';
  FillResults(*rig_.Results, 2);
  rig_.Results->Entries[2].Level = 12.5;
  SaveResultsFile(rig_.Context(), path_);
  const auto lines = FileLines(path_);
  EXPECT_EQ(lines[kFinishLine + 1], "FREQUENCY     LEVEL  EUT");
  EXPECT_EQ(lines[kFirstEntryLine + 2], "   102000000  12.50      2");

  RecordsRig reopened;
  reopened.Delimiter = ' ';
  OpenResultsFile(reopened.Context(), path_);
  EXPECT_EQ(reopened.Results->NextIndex, 3u);
  EXPECT_EQ(reopened.Results->Entries[2].Frequency, 102'000'000u);
  EXPECT_EQ(reopened.Results->Entries[2].Level, 12.5);
  EXPECT_EQ(reopened.Results->Entries[2].EutStatus, 2u);
}

TEST_F(ResultsFileTest, BlankDelimiterTurnsAnUnreadableLineIntoAnEmptyEntry) {
  const std::string head = HeadOfSavedFile(rig_, path_);
  WriteBytes(path_, head +
                        "\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\nfinish\r\nheading\r\n"
                        "  5000  1.25  1  extra words\r\n"
                        "  6000  level 1\r\n"
                        "  7000  1.5\r\n"
                        "  1.5e3  1.5  1\r\n"
                        "  4294967296  1.5  1\r\n"
                        "  8000  2.5  65536\r\n");
  RecordsRig reader;
  reader.Delimiter = ' ';
  for (auto& entry : reader.Results->Entries) entry = {9, 9.0, 2};
  OpenResultsFile(reader.Context(), path_);
  const auto& e = reader.Results->Entries;
  EXPECT_EQ(e[0].Frequency, 5000u);
  EXPECT_EQ(e[0].Level, 1.25);
  EXPECT_EQ(e[0].EutStatus, 1u);
  for (std::size_t i = 1; i <= 5; ++i) {
    EXPECT_EQ(e[i].Frequency, 0u) << i;
    EXPECT_EQ(e[i].Level, 0.0) << i;
    EXPECT_EQ(e[i].EutStatus, 0u) << i;
  }
  EXPECT_EQ(e[6].Frequency, 9u);
  EXPECT_EQ(reader.Results->NextIndex, 5u);
}

TEST_F(ResultsFileTest, DelimitedFieldsRoundAndKeepWhatDoesNotRead) {
  const std::string head = HeadOfSavedFile(rig_, path_);
  WriteBytes(path_, head +
                        "\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\nfinish\r\nheading\r\n"
                        "  100000000.5;1.5;0.5\r\n"
                        "100000001.5; 2.25 ;1.5\r\n"
                        "-1;3;65536\r\n"
                        "4294967295;1e1;65535;99;junk\r\n"
                        "4294967296;x;\r\n"
                        "\r\n"
                        "   -0.4;-2.5;2.5\r\n");
  RecordsRig reader;
  for (auto& entry : reader.Results->Entries) entry = {7, 7.0, 7};
  OpenResultsFile(reader.Context(), path_);
  const auto& e = reader.Results->Entries;
  // Ties go to even.
  EXPECT_EQ(e[0].Frequency, 100'000'000u);
  EXPECT_EQ(e[0].Level, 1.5);
  EXPECT_EQ(e[0].EutStatus, 0u);
  EXPECT_EQ(e[1].Frequency, 100'000'002u);
  EXPECT_EQ(e[1].Level, 7.0);  // a trailing blank: not a number
  EXPECT_EQ(e[1].EutStatus, 2u);
  EXPECT_EQ(e[2].Frequency, 7u);  // out of range
  EXPECT_EQ(e[2].Level, 3.0);
  EXPECT_EQ(e[2].EutStatus, 7u);
  EXPECT_EQ(e[3].Frequency, 4'294'967'295u);
  EXPECT_EQ(e[3].Level, 10.0);
  EXPECT_EQ(e[3].EutStatus, 65535u);
  EXPECT_EQ(e[4].Frequency, 7u);
  EXPECT_EQ(e[4].Level, 7.0);
  EXPECT_EQ(e[4].EutStatus, 7u);
  EXPECT_EQ(e[5].Frequency, 7u);
  EXPECT_EQ(e[5].Level, 7.0);
  EXPECT_EQ(e[5].EutStatus, 7u);
  EXPECT_EQ(e[6].Frequency, 0u);
  EXPECT_EQ(e[6].Level, -2.5);
  EXPECT_EQ(e[6].EutStatus, 2u);
  EXPECT_EQ(reader.Results->NextIndex, 6u);
}

TEST_F(ResultsFileTest, FinishBeforeEightNotesEndsThemAndKeepsTheLaterOnes) {
  const std::string head = HeadOfSavedFile(rig_, path_);
  WriteBytes(path_, head + "alpha\r\nbeta\r\nfinish\r\nheading\r\n   100000000;  3.00;     1\r\n");
  RecordsRig reader;
  for (std::size_t i = 0; i < kNoteLines; ++i)
    reader.Records.NoteLines[i] = "old " + std::to_string(i);
  OpenResultsFile(reader.Context(), path_);
  EXPECT_EQ(reader.Records.NoteLines[0], "alpha");
  EXPECT_EQ(reader.Records.NoteLines[1], "beta");
  for (std::size_t i = 2; i < kNoteLines; ++i) {
    EXPECT_EQ(reader.Records.NoteLines[i], "old " + std::to_string(i));
  }
  EXPECT_EQ(reader.Results->NextIndex, 0u);
  EXPECT_EQ(reader.Results->Entries[0].Frequency, 100'000'000u);
}

TEST_F(ResultsFileTest, NoEntryLinesGiveNextIndexZero) {
  const std::string head = HeadOfSavedFile(rig_, path_);
  WriteBytes(path_,
             head + "\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\nfinish\r\nFREQUENCY   ; LEVEL; EUT\r\n");
  rig_.Results->NextIndex = 12;
  OpenResultsFile(rig_.Context(), path_);
  EXPECT_EQ(rig_.Results->NextIndex, 0u);

  // Cut off inside the notes: the same, without an error.
  WriteBytes(path_, head + "one note\r\n");
  rig_.Results->NextIndex = 12;
  OpenResultsFile(rig_.Context(), path_);
  EXPECT_EQ(rig_.Results->NextIndex, 0u);
  EXPECT_EQ(rig_.Records.NoteLines[0], "one note");
}

TEST_F(ResultsFileTest, EntryLinesPastTheTableAreNotKept) {
  std::string content =
      HeadOfSavedFile(rig_, path_) + "\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\nfinish\r\nheading\r\n";
  for (uint32_t k = 0; k < 2600; ++k) content += std::to_string(k + 1) + ";1;1\r\n";
  WriteBytes(path_, content);
  OpenResultsFile(rig_.Context(), path_);
  EXPECT_EQ(rig_.Results->NextIndex, 2000u);
  EXPECT_EQ(rig_.Results->Entries[2000].Frequency, 2001u);

  // Saving it again writes the table, not past it.
  SaveResultsFile(rig_.Context(), folder_.File("resaved.RF"));
  EXPECT_EQ(FileLines(folder_.File("resaved.RF")).size(), kFirstEntryLine + engine::kEntries);
}

TEST_F(ResultsFileTest, OverLongLinesAreTakenWhole) {
  rig_.Records.DisplayTitle = std::string(100'000, 'T');
  rig_.Records.NoteLines[7] = std::string(70'000, 'n');
  SaveResultsFile(rig_.Context(), path_);
  std::string content = FileBytes(path_);
  content += std::string(50'000, ' ') + "123;4.5;1" + std::string(50'000, ';') + "\r\n";
  WriteBytes(path_, content);

  RecordsRig reader;
  OpenResultsFile(reader.Context(), path_);
  EXPECT_EQ(reader.Records.DisplayTitle, rig_.Records.DisplayTitle);
  EXPECT_EQ(reader.Screen.title_label.size(), 100'000u);
  EXPECT_EQ(reader.Records.NoteLines[7], rig_.Records.NoteLines[7]);
  EXPECT_EQ(reader.Results->NextIndex, 1u);
  EXPECT_EQ(reader.Results->Entries[1].Frequency, 123u);
  EXPECT_EQ(reader.Results->Entries[1].Level, 4.5);
}

TEST_F(ResultsFileTest, LineEndsInsideATextDoNotShiftTheLayout) {
  rig_.Records.DisplayTitle = "two\r\nlines";
  rig_.Records.NoteLines[0] = "a\nb";
  FillResults(*rig_.Results, 1);
  SaveResultsFile(rig_.Context(), path_);
  RecordsRig reader;
  OpenResultsFile(reader.Context(), path_);
  EXPECT_EQ(reader.Records.DisplayTitle, "two  lines");
  EXPECT_EQ(reader.Records.NoteLines[0], "a b");
  EXPECT_EQ(reader.Results->NextIndex, 2u);
}

TEST_F(ResultsFileTest, AnEmptyTitleEmptiesTheTitleLabel) {
  SaveResultsFile(rig_.Context(), path_);
  RecordsRig reader;
  EXPECT_EQ(reader.Screen.title_label, "Title :");
  OpenResultsFile(reader.Context(), path_);
  EXPECT_EQ(reader.Screen.title_label, "");
}

TEST_F(ResultsFileTest, SaveRequestsTheVersionAfterTheHeadingAndAfterTheLastEntry) {
  FillResults(*rig_.Results, 2);
  rig_.OnRequestVersion = [this](int n) {
    // Each change shows in the file only when it is made before the lines it touches.
    if (n == 1) rig_.Setup.CustomList[0].Frequency = 111;  // inside the block
    if (n == 2) rig_.Results->Entries[0].Frequency = 222;  // after the heading
    if (n == 3) {
      rig_.Results->Entries[3].Frequency = 333;  // after the last entry
      EXPECT_FALSE(platform::FileExists(path_));
    }
  };
  SaveResultsFile(rig_.Context(), path_);
  EXPECT_EQ(rig_.Calls, std::vector<std::string>(3, "RequestVersion"));
  const auto lines = FileLines(path_);
  EXPECT_EQ(lines[kHeadLines + 21], "111");
  EXPECT_EQ(lines[kFirstEntryLine], "         222;  1.25;     1");
  EXPECT_EQ(lines.back(), "           0;  0.00;     0");
}

TEST_F(ResultsFileTest, OpenRequestsTheVersionAfterTheBlockAndAfterTheLastEntry) {
  FillSetup(rig_.Setup);
  rig_.Records.DisplayTitle = "seq";
  rig_.Records.NoteLines[0] = "n0";
  FillResults(*rig_.Results, 2);
  SaveResultsFile(rig_.Context(), path_);

  RecordsRig reader;
  reader.OnRequestVersion = [&reader](int n) {
    if (n == 2) {
      EXPECT_EQ(reader.Setup.CustomList[0].Frequency, 150'000'000u);
      EXPECT_EQ(reader.Setup.TestMode, setup::kCustom);
      EXPECT_EQ(reader.Records.NoteLines[0], "");
    }
    if (n == 3) {
      EXPECT_EQ(reader.Results->NextIndex, 3u);
      EXPECT_EQ(reader.Screen.title_label, "Title :");
    }
  };
  OpenResultsFile(reader.Context(), path_);
  EXPECT_EQ(reader.Calls, (std::vector<std::string>{"RequestVersion", "ShowModulation",
                                                    "RequestVersion", "RequestVersion"}));
}

TEST_F(ResultsFileTest, AMissingFileChangesNothing) {
  try {
    OpenResultsFile(rig_.Context(), folder_.File("absent.RF"));
    FAIL() << "no error";
  } catch (const platform::FileError& error) {
    EXPECT_STREQ(error.what(), "File not found");
  }
  EXPECT_TRUE(rig_.Calls.empty());
  EXPECT_EQ(rig_.Screen.title_label, "Title :");
  EXPECT_EQ(rig_.Screen.repaints, 0u);
}

TEST_F(ResultsFileTest, ABadNumberInTheBlockAbortsAfterTheValuesBeforeIt) {
  std::string content =
      "Software Version\r\nv\r\nDate & Time \r\nclock\r\nTitle\r\nbroken\r\n"
      "Procedure Name\r\np\r\n"
      "5000000\r\n    2.00\r\nthree\r\n";
  WriteBytes(path_, content);
  rig_.Results->NextIndex = 9;
  try {
    OpenResultsFile(rig_.Context(), path_);
    FAIL() << "no error";
  } catch (const platform::FileError& error) {
    EXPECT_STREQ(error.what(), "Invalid numeric input");
  }
  EXPECT_EQ(rig_.Records.DisplayTitle, "broken");
  EXPECT_EQ(rig_.Setup.CurrentFrequency, 5'000'000u);
  EXPECT_EQ(rig_.Setup.StartLevel, 2.0F);
  EXPECT_EQ(rig_.Results->NextIndex, 9u);
  EXPECT_EQ(rig_.Screen.title_label, "Title :");
  EXPECT_EQ(rig_.Screen.repaints, 0u);
  EXPECT_TRUE(rig_.Calls.empty());
}

TEST_F(ResultsFileTest, ASaveIntoAMissingFolderFailsWithItsText) {
  try {
    SaveResultsFile(rig_.Context(), folder_.File("gone/run.RF"));
    FAIL() << "no error";
  } catch (const platform::FileError& error) {
    // The system's own text for a missing folder.
    EXPECT_THAT(std::string(error.what()), ::testing::AnyOf("File not found", "Path not found"));
  }
}

}  // namespace
}  // namespace tarvos::records
