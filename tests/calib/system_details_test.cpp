#include "calib/system_details.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "calib/temp_folder.h"
#include "link/link_events.h"
#include "platform/adapter_library.h"
#include "platform/scripted_operator.h"
#include "platform/virtual_event_loop.h"

namespace tarvos::calib {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::TempFolder;

constexpr int32_t kSynth = 5;
constexpr int32_t kSalvo = 9;

// Adapters that take every write and have nothing to read: records (handle, bytes).
class WriteRecorder final : public platform::AdapterLibrary {
 public:
  int32_t OpenDeviceInstance(std::string_view, uint8_t) override { return -1; }
  int32_t CloseDeviceInstance(int32_t) override { return 1; }
  bool GetSerialId(int32_t, platform::SerialBuffer&) override { return false; }
  bool ConfigIoPorts(int32_t, uint32_t) override { return true; }
  bool ReadIoPorts(int32_t, uint32_t&) override { return true; }
  bool WriteIoPorts(int32_t, uint32_t, uint32_t) override { return true; }
  int32_t WriteI2c(int32_t handle, platform::I2cTransfer& transfer) override {
    Writes.emplace_back(handle,
                        std::vector<uint8_t>(transfer.Data, transfer.Data + transfer.Count));
    ++Reads[handle];
    return transfer.Count;
  }
  int32_t ReadI2c(int32_t handle, platform::I2cTransfer&) override {
    --Reads[handle];  // one read follows each write
    return 0;
  }

  std::vector<std::pair<int32_t, std::vector<uint8_t>>> Writes;
  std::map<int32_t, int> Reads;
};

class SystemDetailsTest : public ::testing::Test {
 protected:
  SystemDetailsTest() {
    link.SynthHandle = kSynth;
    link.SynthPresent = true;
    link.ModelName = "Fennix";
    config.DefaultPath = folder.Path();
    config.CellSerial = "10";
  }

  TempFolder folder;
  link::AdapterLink link;
  WriteRecorder adapters;
  platform::VirtualEventLoop loop;
  platform::ScriptedOperator op;
  screen::Screen screen;
  link::NoLinkEvents events;
  link::AdapterAccess access{link, adapters, loop, op, screen, events};
  Settings config;
  CellTable cell;
  CellFileContext context{cell, config, link, op};
  screen::SystemDetailsDialog& dialog = screen.system_details;
};

const std::vector<uint8_t> kVersionBytes = {0x03, 0x20, 0x00, 0x04};

TEST_F(SystemDetailsTest, OpeningFillsTheDialogAndAsksForVersions) {
  dialog.file_delimiter = "|";
  OpenSystemDetails(access, config, dialog);
  EXPECT_EQ(dialog.caption, "Fennix Details");
  EXPECT_EQ(dialog.cell_number, "10");
  EXPECT_EQ(dialog.default_path, folder.Path());
  EXPECT_EQ(dialog.file_delimiter, "|");
  ASSERT_EQ(adapters.Writes.size(), 1U);
  EXPECT_EQ(adapters.Writes[0].first, kSynth);
  EXPECT_EQ(adapters.Writes[0].second, kVersionBytes);
  EXPECT_EQ(adapters.Reads[kSynth], 0);

  link.SalvoHandle = kSalvo;
  link.SalvoPresent = true;
  OpenSystemDetails(access, config, dialog);
  ASSERT_EQ(adapters.Writes.size(), 3U);
  EXPECT_EQ(adapters.Writes[2].first, kSalvo);
  EXPECT_EQ(adapters.Writes[2].second, kVersionBytes);
  EXPECT_EQ(adapters.Reads[kSalvo], 0);
}

TEST_F(SystemDetailsTest, AcceptTakesDelimiterAndCellAndLoadsIt) {
  folder.Write("cell0042.csv", "h\r\nDATA,300,1,100\r\n30,1,2,3,4\r\n");
  dialog.file_delimiter = ",";
  dialog.cell_number = "42";
  EXPECT_EQ(AcceptSystemDetails(dialog, context), CellLoad::Loaded);
  EXPECT_EQ(config.FileDelimiter, ',');
  EXPECT_EQ(config.CellSerial, "42");
  EXPECT_EQ(cell.RowCount, 1);
  EXPECT_EQ(link.RangeThreshold, 300.0F);
  EXPECT_THAT(op.History(), IsEmpty());
}

TEST_F(SystemDetailsTest, DelimitersThatWouldSplitNumbersAreRefused) {
  folder.Write("cell0010.csv", "h\r\n");
  dialog.cell_number = "10";
  for (const char* text : {" ", "5", ".", "-", "+", "E", "e", "\t"}) {
    op.ClearHistory();
    dialog.file_delimiter = text;
    AcceptSystemDetails(dialog, context);
    EXPECT_EQ(config.FileDelimiter, ';') << '"' << text << '"';
    EXPECT_THAT(op.TextsOf(platform::MessageKind::Plain), ElementsAre("Invalid delimitor"));
  }
  op.ClearHistory();
  dialog.file_delimiter = "";
  config.FileDelimiter = '|';
  AcceptSystemDetails(dialog, context);
  EXPECT_EQ(config.FileDelimiter, '|');
  EXPECT_THAT(op.History(), IsEmpty());
}

TEST_F(SystemDetailsTest, ALongerTextGivesItsFirstCharacterABlankIncluded) {
  folder.Write("cell0010.csv", "h\r\n");
  dialog.cell_number = "10";
  for (const auto& [text, taken] : {std::pair<const char*, char>{" ;", ' '}, {"  ", ' '},
                                    {"|;", '|'}}) {
    op.ClearHistory();
    config.FileDelimiter = ';';
    dialog.file_delimiter = text;
    AcceptSystemDetails(dialog, context);
    EXPECT_EQ(config.FileDelimiter, taken) << '"' << text << '"';
    EXPECT_THAT(op.TextsOf(platform::MessageKind::Plain), IsEmpty()) << '"' << text << '"';
  }
}

TEST_F(SystemDetailsTest, AcceptOfAMissingCellAsks) {
  dialog.cell_number = "99";
  EXPECT_EQ(AcceptSystemDetails(dialog, context), CellLoad::Missing);
  EXPECT_EQ(config.CellSerial, "99");
  EXPECT_THAT(op.Texts(),
              ElementsAre("Cell File is Missing or Corrupt! Do You Want to Load Cell File ?"));
}

}  // namespace
}  // namespace tarvos::calib
