// The lines the batch programs write of their own: each comes from the one list, and the
// guide's table is that list.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "app/batch_lines.h"

namespace tarvos::app {
namespace {

std::string ReadSource(const std::string& relative) {
  std::ifstream in(std::string(TARVOS_SOURCE_DIR) + "/" + relative, std::ios::binary);
  std::stringstream read;
  read << in.rdbuf();
  return read.str();
}

TEST(BatchLinesTest, EachLineIsListedOnceAndFilledInOrder) {
  std::set<std::string> texts;
  for (const BatchLine* line : BatchLines()) {
    EXPECT_TRUE(texts.insert(std::string(line->Text)).second) << line->Text;
    EXPECT_FALSE(line->When.empty()) << line->Text;
    EXPECT_FALSE(line->Meaning.empty()) << line->Text;
    EXPECT_TRUE(line->Kind.empty() || line->Kind == "error" || line->Kind == "warning")
        << line->Text;
  }
  EXPECT_EQ(Said(batch_line::kNamedFileInProgramFolder,
                 {"IEC-Industrial.STP", "File not found", "/home/op/Tarvos/IEC-Industrial.STP"}),
            "error: IEC-Industrial.STP: File not found; the program folder has "
            "/home/op/Tarvos/IEC-Industrial.STP");
  EXPECT_EQ(Said(batch_line::kBatchUsageHint), "Run tarvos-batch --help for the options.");
  EXPECT_EQ(Said(batch_line::kNotAnOption, {"x.STP"}),
            "error: 'x.STP' is not an option; every value follows its option");
}

// A line written with its own "error: " or "warning: " in the programs' code would be
// missing from the guide: they all come from the list (the program's messages are written
// with their kind by the batch operator).
TEST(BatchLinesTest, TheProgramsWriteNoLineOfTheirOwnOutsideTheList) {
  const std::regex own_line(R"re("(error|warning): )re");
  int files = 0;
  for (const auto& entry :
       std::filesystem::directory_iterator(std::string(TARVOS_SOURCE_DIR) + "/src/app")) {
    const std::string name = entry.path().filename().string();
    if (!name.ends_with(".cpp") || name == "batch_lines.cpp") continue;
    ++files;
    const std::string source = ReadSource("src/app/" + name);
    EXPECT_FALSE(std::regex_search(source, own_line)) << name << " writes a line of its own";
  }
  EXPECT_GE(files, 8);
}

constexpr std::string_view kTableBegin = "<!-- the batch programs' own lines: made from their list -->\n";
constexpr std::string_view kTableEnd = "<!-- end of the batch programs' own lines -->\n";

TEST(BatchLinesTest, TheGuidesTableIsTheList) {
  const std::string path = std::string(TARVOS_SOURCE_DIR) + "/docs/guide.md";
  std::string guide = ReadSource("docs/guide.md");
  const std::size_t begin = guide.find(kTableBegin);
  const std::size_t end = guide.find(kTableEnd);
  ASSERT_NE(begin, std::string::npos) << "the guide has no table of the batch lines";
  ASSERT_NE(end, std::string::npos);
  ASSERT_LT(begin, end);
  const std::size_t from = begin + kTableBegin.size();
  const std::string table = BatchLinesTable();
  if (std::getenv("TARVOS_WRITE_GUIDE_TABLE") != nullptr) {
    // make guide-table: the table is written from the list.
    guide.replace(from, end - from, table);
    std::ofstream(path, std::ios::binary) << guide;
    return;
  }
  EXPECT_EQ(guide.substr(from, end - from), table)
      << "the guide's table and the list differ: run make guide-table";
}

}  // namespace
}  // namespace tarvos::app
