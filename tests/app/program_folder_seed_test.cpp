#include "app/program_folder_seed.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/app_rig.h"

namespace tarvos::app {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using testing::TempFolder;

TEST(ProgramFolderSeedTest, CopiesEveryFileTheFolderLacksByteForByte) {
  TempFolder source, home;
  source.Write("cell0010.csv", "Cell,10\r\n30,1,2\r\n");
  source.Write("Salvo.INI", std::string("a\0b\r\n\xE9", 6));
  source.Write("BrevantUSB.TXT", "");
  const SeedReport report = SeedProgramFolder(source.Path(), home.Path());
  EXPECT_THAT(report.Copied, ElementsAre("BrevantUSB.TXT", "Salvo.INI", "cell0010.csv"));
  EXPECT_THAT(report.Problems, IsEmpty());
  EXPECT_EQ(home.Read("cell0010.csv"), "Cell,10\r\n30,1,2\r\n");
  EXPECT_EQ(home.Read("Salvo.INI"), std::string("a\0b\r\n\xE9", 6));
  EXPECT_TRUE(home.Has("BrevantUSB.TXT"));
  // Nothing else: no temporary files left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(home.Path()),
                          std::filesystem::directory_iterator()),
            3);
}

TEST(ProgramFolderSeedTest, LeavesFilesAlreadyThereUnderAnySpelling) {
  TempFolder source, home;
  source.Write("cell0010.csv", "sample");
  source.Write("Salvo.INI", "sample");
  source.Write("IEC-Industrial.STP", "sample");
  home.Write("CELL0010.CSV", "the operator's own");
  home.Write("Salvo.INI", "");
  const SeedReport report = SeedProgramFolder(source.Path(), home.Path());
  EXPECT_THAT(report.Copied, ElementsAre("IEC-Industrial.STP"));
  EXPECT_EQ(home.Read("CELL0010.CSV"), "the operator's own");
  EXPECT_FALSE(home.Has("cell0010.csv"));
  EXPECT_EQ(home.Read("Salvo.INI"), "");
  // A second seeding finds everything there.
  EXPECT_THAT(SeedProgramFolder(source.Path(), home.Path()).Copied, IsEmpty());
}

TEST(ProgramFolderSeedTest, SkipsFoldersAndHiddenFiles) {
  TempFolder source, home;
  std::filesystem::create_directory(source.Path() + "setups");
  source.Write(".gitattributes", "x");
  source.Write("Salvo.INI", "s");
  const SeedReport report = SeedProgramFolder(source.Path(), home.Path());
  EXPECT_THAT(report.Copied, ElementsAre("Salvo.INI"));
  EXPECT_FALSE(home.Has("setups"));
  EXPECT_FALSE(home.Has(".gitattributes"));
}

TEST(ProgramFolderSeedTest, AMissingSourceFolderIsReportedAndCopiesNothing) {
  TempFolder home;
  const SeedReport report = SeedProgramFolder(home.Path() + "no-such-folder/", home.Path());
  EXPECT_THAT(report.Copied, IsEmpty());
  ASSERT_EQ(report.Problems.size(), 1u);
  EXPECT_THAT(report.Problems[0], HasSubstr("no-such-folder/ cannot be listed"));
}

TEST(ProgramFolderSeedTest, AFolderThatCannotBeWrittenReportsEachFile) {
  TempFolder source, home;
  source.Write("a.csv", "1");
  source.Write("b.csv", "2");
  // A file where the folder should be: no one, root included, can write into it.
  home.Write("not-a-folder", "");
  const std::string folder = home.Path() + "not-a-folder/";
  const SeedReport report = SeedProgramFolder(source.Path(), folder);
  EXPECT_THAT(report.Copied, IsEmpty());
  EXPECT_THAT(report.Problems,
              ElementsAre("warning: a.csv cannot be copied into " + folder + ": Path not found",
                          "warning: b.csv cannot be copied into " + folder + ": Path not found"));
}

TEST(ProgramFolderSeedTest, TheSampleDataHoldsWhatAFirstRunNeeds) {
  TempFolder home;
  const SeedReport report = SeedProgramFolder(TARVOS_SOURCE_DIR "/data/", home.Path());
  EXPECT_THAT(report.Problems, IsEmpty());
  // The default cell serial is "10", and Tarvos.INI is written by the program itself.
  for (const char* name : {"cell0010.csv", "Salvo.INI", "BrevantUSB.TXT", "IEC-Industrial.STP"}) {
    EXPECT_TRUE(home.Has(name)) << name;
  }
  EXPECT_FALSE(home.Has("Tarvos.INI"));
}

}  // namespace
}  // namespace tarvos::app
