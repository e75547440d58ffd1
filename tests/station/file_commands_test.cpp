#include "station/file_commands.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "temp_path.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "calib/cell_table.h"
#include "platform/scripted_operator.h"
#include "platform/text_file.h"
#include "records/prescan_file.h"
#include "records/results_file.h"
#include "records/setup_file.h"

namespace tarvos::station {
namespace {

using platform::MessageKind;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class TempFolder {
 public:
  TempFolder() {
    path_ = testing_support::MakeTempFolder("tarvos-station");
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  bool Empty() const { return std::filesystem::is_empty(path_); }

 private:
  std::string path_;
};

std::vector<std::string> FileLines(const std::string& path) {
  platform::TextReader reader = platform::TextReader::Open(path);
  std::vector<std::string> lines;
  while (!reader.AtEnd()) lines.push_back(reader.ReadLine());
  return lines;
}

// The scripted operator, also keeping the whole request of every file dialog.
class RecordingOperator final : public platform::Operator {
 public:
  struct Request {
    bool Save;
    std::string Title, Filter, Extension;
    bool operator==(const Request&) const = default;
  };
  void Show(MessageKind kind, std::string_view text) override { script.Show(kind, text); }
  bool Ask(MessageKind kind, std::string_view text) override { return script.Ask(kind, text); }
  std::optional<std::string> Input(std::string_view title, std::string_view prompt,
                                   std::string_view initial) override {
    return script.Input(title, prompt, initial);
  }
  std::optional<std::string> OpenFile(const platform::FileDialogRequest& request) override {
    requests.push_back({false, request.Title, request.Filter, request.DefaultExtension});
    return script.OpenFile(request);
  }
  std::optional<std::string> SaveFile(const platform::FileDialogRequest& request) override {
    requests.push_back({true, request.Title, request.Filter, request.DefaultExtension});
    return script.SaveFile(request);
  }
  std::optional<std::string> ChooseFolder(std::string_view title,
                                          std::string_view initial) override {
    return script.ChooseFolder(title, initial);
  }
  std::optional<uint32_t> ChooseColour(uint32_t initial) override {
    return script.ChooseColour(initial);
  }
  void ShowBusy(bool busy) override { script.ShowBusy(busy); }

  platform::ScriptedOperator script;
  std::vector<Request> requests;
};

// A cell from 30 MHz to 2.4 GHz, range 1 (MaxField 15).
calib::CellTable WideCell() {
  calib::CellTable cell;
  cell.Rows[0] = {30'000'000, {0.41F, 0.70F, 0.98F, 1.40F}};
  cell.Rows[1] = {1'000'000'000, {0.52F, 0.86F, 1.21F, 1.73F}};
  cell.Rows[2] = {2'400'000'000, {0.60F, 0.90F, 1.30F, 1.80F}};
  cell.RowCount = 3;
  cell.MaxFrequency = 2400.1F;
  cell.DriveScale = 26214;
  return cell;
}

// What the station would own for its File menu, with a log of the calls back.
struct Rig {
  records::FileRecords records;
  setup::TestSetup setup;
  std::unique_ptr<engine::ResultStore> results = std::make_unique<engine::ResultStore>();
  std::unique_ptr<engine::PreScanTable> pre_scan = std::make_unique<engine::PreScanTable>();
  screen::Screen screen;
  uint8_t amplifier_config = 1;
  char delimiter = ';';
  calib::CellTable cell = WideCell();
  setup::ValidationState state;
  engine::RunState run;
  RecordingOperator op;
  std::vector<std::string> calls;
  std::vector<int> modes;  // SwitchMode's arguments
  std::function<void()> on_version;

  records::RecordFilesContext Files() {
    return {records,
            setup,
            *results,
            *pre_scan,
            screen,
            amplifier_config,
            delimiter,
            [this] {
              if (on_version) on_version();
              calls.push_back("RequestVersion");
            },
            [this] { calls.push_back("ShowModulation"); },
            [] { return "5 May 2025 10:30"; }};
  }
  setup::SetupValidation validation{
      setup::SetupValidationContext{setup, state, screen, op, cell, *results, *pre_scan, run,
                                    [this] { calls.push_back("ReloadPreScanSetup"); }}};
  FileCommands commands{FileCommandsContext{Files(), validation, run, op, screen,
                                            [this](uint8_t mode) {
                                              calls.push_back("SwitchMode");
                                              modes.push_back(mode);
                                            },
                                            [this] { calls.push_back("Redraw"); },
                                            [this] { calls.push_back("Repaint"); },
                                            [this](const std::string&) {
                                              calls.push_back("ResultsOpened");
                                            }}};

  int Versions() const {
    return static_cast<int>(std::count(calls.begin(), calls.end(), "RequestVersion"));
  }
  std::vector<std::string> Errors() const { return op.script.TextsOf(MessageKind::Error); }
};

class FileCommandsTest : public ::testing::Test {
 protected:
  // A file written by another station with the given mode, 150 to 400 MHz.
  std::string WriteFile(const std::string& name, uint8_t mode) {
    Rig writer;
    writer.setup.TestMode = mode;
    writer.setup.StartFrequency = 150'000'000;
    writer.setup.EndFrequency = 400'000'000;
    writer.setup.CurrentFrequency = 200'000'000;
    writer.records.DisplayTitle = "Bench 4";
    writer.results->Entries[1] = {150'000'000, 3.0, 1};
    writer.results->Entries[2] = {160'000'000, 2.9, 2};
    writer.results->NextIndex = 3;
    writer.pre_scan->Entries[1] = {150'000'000, 812};
    writer.pre_scan->Entries[2] = {160'000'000, 830};
    const std::string path = folder_.File(name);
    if (name.ends_with(".RF")) records::SaveResultsFile(writer.Files(), path);
    if (name.ends_with(".STP")) records::SaveSetupFile(writer.Files(), path);
    if (name.ends_with(".PSC")) {
      records::SavePreScanFile(writer.Files(), path, records::PreScanFrequencies::FromPreScanTable);
    }
    return path;
  }

  // The version requests of the records routine alone on the same file.
  template <typename Routine>
  int RecordsVersions(Routine routine) {
    Rig alone;
    routine(alone);
    return alone.Versions();
  }

  TempFolder folder_;
  Rig rig_;
};

TEST_F(FileCommandsTest, DialogsCarryTheirTitlesFiltersAndExtensionsAndCancelDoesNothing) {
  rig_.pre_scan->Available = true;
  rig_.op.script.QueueAnswer(true);  // Open > Pre-Scans asks first with a pre-scan available
  rig_.commands.OpenResults();
  rig_.commands.OpenSetup();
  rig_.commands.OpenPreScans();
  rig_.commands.SaveAsResults();
  rig_.commands.SaveAsSetup();
  rig_.pre_scan->Available = true;
  rig_.commands.SaveAsPreScans();
  using R = RecordingOperator::Request;
  EXPECT_THAT(rig_.op.requests,
              ElementsAre(R{false, "Open Existing Results Files", "Results Files|*.RF", "RF"},
                          R{false, "Load Setup Procedure", "Test Procedures|*.STP", "STP"},
                          R{false, "Use Pre-Scan Values", "Pre-Scan Values|*.PSC", "PSC"},
                          R{true, "Save Results + Setup", "Results Files|*.RF", "RF"},
                          R{true, "Save Setup Only", "Setup Procedures|*.STP", "STP"},
                          R{true, "Save Pre-Scan Values", "Pre scans|*.PSC", "PSC"}));
  EXPECT_TRUE(folder_.Empty());
  EXPECT_THAT(rig_.calls, IsEmpty());
  EXPECT_FALSE(rig_.screen.menus.save_results_enabled);
}

TEST_F(FileCommandsTest, SaveResultsOverwritesOnlyAfterASaveAsAndAYes) {
  rig_.commands.SaveResults();  // disabled: no file named yet
  EXPECT_THAT(rig_.op.script.History(), IsEmpty());

  const std::string path = folder_.File("run.RF");
  rig_.results->NextIndex = 1;
  rig_.op.script.QueueFile(path);
  rig_.commands.SaveAsResults();
  EXPECT_EQ(rig_.records.ResultsFileName, path);
  EXPECT_TRUE(rig_.screen.menus.save_results_enabled);
  EXPECT_EQ(rig_.screen.monitor.file_label, "File : " + path);
  EXPECT_EQ(FileLines(path).size(), 101u);

  rig_.results->Entries[1] = {80'000'000, 3.0, 1};
  rig_.results->NextIndex = 2;
  rig_.op.script.QueueAnswer(false);
  rig_.commands.SaveResults();
  EXPECT_EQ(FileLines(path).size(), 101u);
  rig_.op.script.QueueAnswer(true);
  rig_.commands.SaveResults();
  const auto lines = FileLines(path);
  ASSERT_EQ(lines.size(), 102u);
  EXPECT_EQ(lines[100], "    80000000;  3.00;     1");
  EXPECT_THAT(rig_.op.script.TextsOf(MessageKind::Warning),
              ElementsAre("Overwrite " + path + "?", "Overwrite " + path + "?"));
  EXPECT_THAT(rig_.op.script.TextsOf(MessageKind::Information),
              ElementsAre(path + "    Not Affected"));
}

TEST_F(FileCommandsTest, SaveAsResultsRequestsTheVersionBeforeAndAfterTheFile) {
  const std::string path = folder_.File("run.RF");
  std::vector<bool> existed;
  rig_.on_version = [&] { existed.push_back(platform::FileExists(path)); };
  EXPECT_TRUE(rig_.commands.SaveResultsTo(path));
  const int alone =
      RecordsVersions([&](Rig& r) { records::SaveResultsFile(r.Files(), folder_.File("x.RF")); });
  EXPECT_EQ(rig_.Versions(), alone + 2);
  EXPECT_FALSE(existed.front());
  EXPECT_TRUE(existed.back());
  EXPECT_EQ(rig_.calls.back(), "Repaint");
}

TEST_F(FileCommandsTest, AFailedSaveShowsTheErrorAndStopsThere) {
  const std::string path = folder_.File("missing/run.RF");
  EXPECT_FALSE(rig_.commands.SaveResultsTo(path));
  ASSERT_EQ(rig_.Errors().size(), 1u);
  EXPECT_THAT(rig_.Errors()[0], ::testing::AnyOf("File not found", "Path not found"));
  EXPECT_FALSE(rig_.screen.menus.save_results_enabled);
  EXPECT_EQ(rig_.screen.monitor.file_label, "");
  // The file cannot be created: only the request before the file operation was sent.
  EXPECT_EQ(rig_.Versions(), 1);

  // The setup and pre-scan saves send theirs before the file is created, and no more.
  EXPECT_FALSE(rig_.commands.SaveSetupTo(path));
  EXPECT_EQ(rig_.Versions(), 2);
  EXPECT_FALSE(rig_.commands.SavePreScansTo(path));
  EXPECT_EQ(rig_.Versions(), 3);
  EXPECT_EQ(rig_.Errors().size(), 3u);
  EXPECT_EQ(std::count(rig_.calls.begin(), rig_.calls.end(), "Repaint"), 0);
}

TEST_F(FileCommandsTest, AReadOnlyFileIsNotReplaced) {
  for (const char* name : {"kept.RF", "kept.STP", "kept.PSC"}) {
    SCOPED_TRACE(name);
    const std::string path = WriteFile(name, setup::kStandard);
    const auto before = FileLines(path);
    std::filesystem::permissions(path, std::filesystem::perms::owner_read);
    Rig rig;
    rig.pre_scan->Entries[1] = {80'000'000, 100};
    bool saved = true;
    if (std::string_view(name).ends_with(".RF")) saved = rig.commands.SaveResultsTo(path);
    if (std::string_view(name).ends_with(".STP")) saved = rig.commands.SaveSetupTo(path);
    if (std::string_view(name).ends_with(".PSC")) saved = rig.commands.SavePreScansTo(path);
    EXPECT_FALSE(saved);
    EXPECT_THAT(rig.Errors(), ElementsAre("File access denied"));
    EXPECT_EQ(rig.Versions(), 1);
    EXPECT_EQ(FileLines(path), before);
    using std::filesystem::perms;
    EXPECT_EQ(std::filesystem::status(path).permissions() &
                  (perms::owner_write | perms::group_write | perms::others_write),
              perms::none);
  }
}

TEST_F(FileCommandsTest, OpenResultsLoadsValidatesAndShowsTheReport) {
  const std::string path = WriteFile("bench.RF", setup::kStandard);
  rig_.setup.TestMode = setup::kPreScanStandard;
  rig_.pre_scan->Available = true;
  rig_.screen.setup.test_type = {1, true};
  rig_.screen.setup.visible = rig_.screen.setup.custom.visible = true;
  rig_.op.script.QueueFile(path);
  rig_.commands.OpenResults();

  EXPECT_TRUE(rig_.results->ResultsFromFile);
  EXPECT_EQ(rig_.results->NextIndex, 3u);
  EXPECT_EQ(rig_.screen.title_label, "Bench 4");
  EXPECT_THAT(rig_.modes, ElementsAre(setup::kStandard));
  EXPECT_FALSE(rig_.pre_scan->Available);
  EXPECT_EQ(rig_.screen.setup.test_type.index, 0);
  EXPECT_FALSE(rig_.screen.setup.test_type.enabled);
  EXPECT_EQ(rig_.screen.monitor.file_label, "File : " + path);
  EXPECT_EQ(rig_.screen.setup.start.text, "150.00");
  EXPECT_TRUE(rig_.state.SetupValid);  // ValidateStandard ran on the loaded values
  EXPECT_FALSE(rig_.screen.setup.visible || rig_.screen.setup.custom.visible ||
               rig_.screen.single.visible);
  EXPECT_TRUE(rig_.screen.report_visible);
  EXPECT_THAT(rig_.op.script.Texts(), IsEmpty());
  // Opening names no file for Save Results.
  EXPECT_EQ(rig_.records.ResultsFileName, "");
  EXPECT_FALSE(rig_.screen.menus.save_results_enabled);
  const int alone = RecordsVersions([&](Rig& r) { records::OpenResultsFile(r.Files(), path); });
  EXPECT_EQ(rig_.Versions(), alone + 2);
  EXPECT_EQ(rig_.calls.front(), "RequestVersion");
  // Whoever keeps the results' setup hears of them last, once they are shown.
  EXPECT_THAT(std::vector(rig_.calls.end() - 3, rig_.calls.end()),
              ElementsAre("Redraw", "Repaint", "ResultsOpened"));
}

TEST_F(FileCommandsTest, OpenResultsChecksTheGraphRangeOfTheValidatedSetup) {
  // A scan that reaches past 1 GHz: the standard validation picks the wide range.
  Rig writer;
  writer.setup.TestMode = setup::kStandard;
  writer.setup.StartFrequency = 100'000'000;
  writer.setup.EndFrequency = 1'500'000'000;
  const std::string path = folder_.File("wide.RF");
  records::SaveResultsFile(writer.Files(), path);
  ASSERT_TRUE(rig_.commands.OpenResultsFrom(path));
  EXPECT_EQ(rig_.setup.RangeChoice, 2u);
  EXPECT_EQ(rig_.screen.graph.range_checked, 2);

  // A single-frequency file carries no range: the setup panel's choice is kept.
  Rig other;
  other.setup.RangeChoice = 1;
  other.commands.OpenResultsFrom(WriteFile("single.RF", setup::kSingle));
  EXPECT_EQ(other.screen.graph.range_checked, 1);
  EXPECT_THAT(other.op.script.Texts(), IsEmpty());
}

TEST_F(FileCommandsTest, OpenResultsValidatesOnlyWhenTheTestTypeIsDisabled) {
  Rig writer;
  writer.setup.TestMode = setup::kPreScanStandard;
  writer.setup.StartFrequency = 10'000'000;  // below the lowest start
  const std::string path = folder_.File("low.RF");
  records::SaveResultsFile(writer.Files(), path);

  rig_.pre_scan->Available = true;
  rig_.screen.setup.test_type = {1, true};
  ASSERT_TRUE(rig_.commands.OpenResultsFrom(path));
  EXPECT_TRUE(rig_.pre_scan->Available);
  EXPECT_THAT(rig_.op.script.Texts(), IsEmpty());

  writer.setup.TestMode = setup::kStandard;
  records::SaveResultsFile(writer.Files(), path);
  ASSERT_TRUE(rig_.commands.OpenResultsFrom(path));
  EXPECT_THAT(rig_.op.script.TextsOf(MessageKind::Warning), ElementsAre("Invalid Start Frequency"));
  EXPECT_FALSE(rig_.state.SetupValid);
}

TEST_F(FileCommandsTest, AFailedOpenShowsTheErrorAndChangesNoDisplay) {
  const std::string path = folder_.File("none.RF");
  EXPECT_FALSE(rig_.commands.OpenResultsFrom(path));
  EXPECT_FALSE(rig_.commands.OpenSetupFrom(path));
  EXPECT_THAT(rig_.Errors(), ElementsAre("File not found", "File not found"));
  EXPECT_THAT(rig_.calls, ElementsAre("RequestVersion"));
  EXPECT_EQ(rig_.screen.monitor.file_label, "");
  EXPECT_EQ(rig_.screen.setup.procedure_label, "");
  EXPECT_FALSE(rig_.screen.report_visible);
}

TEST_F(FileCommandsTest, OpenResultsReadTakesAFileReadEarlierUnderItsName) {
  const std::string path = WriteFile("recovery.RF", setup::kStandard);
  platform::TextReader reader = platform::TextReader::Open(path);
  // Gone since it was read, as start-up renames a recovery file.
  platform::RemoveFile(path);
  ASSERT_TRUE(rig_.commands.OpenResultsRead(path, std::move(reader)));
  EXPECT_EQ(rig_.results->NextIndex, 3u);
  EXPECT_EQ(rig_.screen.monitor.file_label, "File : " + path);
  EXPECT_EQ(rig_.calls.back(), "ResultsOpened");
}

TEST_F(FileCommandsTest, OpenSetupAppliesTheLoadedModeBeforeClosing) {
  const std::string path = WriteFile("proc.STP", setup::kPreScanCustom);
  rig_.pre_scan->Available = true;
  rig_.op.script.QueueFile(path);
  rig_.commands.OpenSetup();
  EXPECT_TRUE(rig_.pre_scan->Available);
  EXPECT_THAT(rig_.modes, ElementsAre(setup::kPreScanCustom));
  EXPECT_EQ(rig_.screen.setup.procedure_label, path);
  EXPECT_EQ(rig_.screen.setup.finish.text, "400.00");
  const int alone = RecordsVersions([&](Rig& r) { records::OpenSetupFile(r.Files(), path); });
  EXPECT_EQ(rig_.Versions(), alone);
  const auto switched = std::find(rig_.calls.begin(), rig_.calls.end(), "SwitchMode");
  EXPECT_NE(std::find(switched, rig_.calls.end(), "RequestVersion"), rig_.calls.end());
  EXPECT_EQ(rig_.calls.back(), "Repaint");

  ASSERT_TRUE(rig_.commands.OpenSetupFrom(WriteFile("normal.STP", setup::kStandard)));
  EXPECT_FALSE(rig_.pre_scan->Available);
  EXPECT_FALSE(rig_.screen.setup.test_type.enabled);
}

TEST_F(FileCommandsTest, OpenPreScansMakesThePreScanAvailable) {
  const std::string path = WriteFile("values.PSC", setup::kStandard);
  rig_.results->Entries[5] = {90'000'000, 4.0, 1};
  rig_.pre_scan->Entries[7] = {95'000'000, 99};
  rig_.op.script.QueueFile(path);
  rig_.commands.OpenPreScans();

  EXPECT_EQ(rig_.records.PreScanFileName, path);
  EXPECT_EQ(rig_.setup.TestMode, setup::kPreScanStandard);
  EXPECT_EQ(rig_.screen.setup.test_type.index, 1);
  EXPECT_TRUE(rig_.screen.setup.test_type.enabled);
  EXPECT_TRUE(rig_.pre_scan->Available);
  EXPECT_TRUE(rig_.screen.plot_prescan_visible);
  EXPECT_TRUE(rig_.screen.report_visible);
  EXPECT_FALSE(rig_.screen.setup.visible);
  EXPECT_EQ(rig_.pre_scan->Entries[2].DacValue, 830u);
  EXPECT_EQ(rig_.pre_scan->Entries[7].Frequency, 0u);  // cleared before loading
  EXPECT_EQ(rig_.results->Entries[5].Frequency, 0u);
  EXPECT_EQ(rig_.results->NextIndex, 2u);
  EXPECT_EQ(rig_.screen.setup.start.text, "150.00");
  const int alone = RecordsVersions([&](Rig& r) {
    r.records.PreScanFileName = path;
    records::OpenPreScanFile(r.Files());
  });
  EXPECT_EQ(rig_.Versions(), alone + 1);
  EXPECT_THAT(rig_.op.script.Texts(), IsEmpty());
}

TEST_F(FileCommandsTest, OpenPreScansAsksBeforeDroppingTheCurrentPreScan) {
  const std::string path = WriteFile("values.PSC", setup::kCustom);
  rig_.pre_scan->Available = true;
  rig_.op.script.QueueAnswer(false);
  rig_.commands.OpenPreScans();
  EXPECT_THAT(rig_.op.requests, IsEmpty());
  EXPECT_THAT(rig_.calls, IsEmpty());

  rig_.op.script.QueueAnswer(true);
  rig_.op.script.QueueFile(path);
  rig_.commands.OpenPreScans();
  EXPECT_EQ(rig_.setup.TestMode, setup::kPreScanCustom);
  EXPECT_TRUE(rig_.pre_scan->Available);
  EXPECT_THAT(rig_.op.script.Texts(),
              ElementsAre(std::string("Changing Test Type will Disable Pre Scan Settings. "
                                      "Continue with Changes ?"),
                          std::string("Changing Test Type will Disable Pre Scan Settings. "
                                      "Continue with Changes ?")));
}

TEST_F(FileCommandsTest, AMissingPreScanFileLeavesNoPreScanAvailable) {
  EXPECT_FALSE(rig_.commands.OpenPreScansFrom(folder_.File("none.PSC")));
  EXPECT_THAT(rig_.Errors(), ElementsAre("File not found"));
  EXPECT_FALSE(rig_.pre_scan->Available);
  EXPECT_FALSE(rig_.screen.plot_prescan_visible);
  EXPECT_FALSE(rig_.screen.setup.test_type.enabled);
}

TEST_F(FileCommandsTest, OpensAreRefusedWhileARunIsInProgressButSavesAreNot) {
  const std::string results = WriteFile("bench.RF", setup::kStandard);
  const std::string procedure = WriteFile("proc.STP", setup::kStandard);
  const std::string values = WriteFile("values.PSC", setup::kStandard);
  rig_.run.Running = true;
  rig_.commands.OpenResults();
  rig_.commands.OpenSetup();
  rig_.commands.OpenPreScans();
  EXPECT_THAT(rig_.op.requests, IsEmpty());
  EXPECT_FALSE(rig_.commands.OpenResultsFrom(results));
  EXPECT_FALSE(rig_.commands.OpenSetupFrom(procedure));
  EXPECT_FALSE(rig_.commands.OpenPreScansFrom(values));
  EXPECT_THAT(rig_.calls, IsEmpty());
  EXPECT_EQ(rig_.setup.StartFrequency, setup::TestSetup{}.StartFrequency);

  rig_.op.script.QueueFile(folder_.File("during.STP"));
  rig_.commands.SaveAsSetup();
  EXPECT_EQ(FileLines(folder_.File("during.STP")).size(), 81u);
}

TEST_F(FileCommandsTest, SaveAsPreScansWritesTheTableFrequencies) {
  rig_.commands.SaveAsPreScans();  // no pre-scan available: the item is disabled
  EXPECT_THAT(rig_.op.requests, IsEmpty());

  rig_.pre_scan->Available = true;
  rig_.pre_scan->Entries[1] = {80'000'000, 1200};
  rig_.pre_scan->Entries[2] = {80'800'000, 1215};
  const std::string path = folder_.File("saved.PSC");
  rig_.op.script.QueueFile(path);
  rig_.commands.SaveAsPreScans();
  const auto lines = FileLines(path);
  ASSERT_EQ(lines.size(), 83u);
  EXPECT_EQ(lines[81], "80000000;1200");
  EXPECT_EQ(lines[82], "80800000;1215");
  EXPECT_EQ(rig_.records.PreScanFileName, path);
}

}  // namespace
}  // namespace tarvos::station
