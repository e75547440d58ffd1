// The small dialogs and the diagnostics window: notes, screen colours and grid range,
// about, the diagnostics list and its file, and what the paint handler shows.

#include "station/dialogs.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "station/window_rig.h"

namespace tarvos::station {
namespace {

using platform::MessageKind;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(ColourConversionTest, RedAndBlueChangePlacesBothWays) {
  EXPECT_EQ(RgbFromColourValue(0x00808000), 0x008080U);  // teal
  EXPECT_EQ(RgbFromColourValue(0x000000FF), 0xFF0000U);  // red
  EXPECT_EQ(ColourValueFromRgb(0x0000FF), 0x00FF0000U);  // blue
  EXPECT_EQ(ColourValueFromRgb(0x123456), 0x00563412U);
  EXPECT_EQ(RgbFromColourValue(ColourValueFromRgb(0xA1B2C3)), 0xA1B2C3U);
  // A system colour's high byte is no part of a colour the dialog can show.
  EXPECT_EQ(RgbFromColourValue(0x80123456), 0x563412U);
}

TEST(ScreenSettingsTest, EachColourButtonPresetsItsColourAndStoresTheChoice) {
  WindowRig rig;
  rig.StartUp();
  calib::Settings& config = rig.St().Config();
  config.GridColour = 0x000000FF;
  config.PreScanColour = 0x00008000;
  rig.St().OpenScreenSettings();
  EXPECT_EQ(rig.Screen().screen_settings.caption,
            "Brevant Instruments Ltd - Fennix Screen Colours");

  const unsigned repaints = rig.Screen().repaints;
  rig.op.script.QueueColour(0x00FF00);  // lime chosen
  rig.St().ChooseScreenColour(ScreenColour::Grid);
  EXPECT_EQ(config.GridColour, 0x0000FF00U);
  rig.op.script.QueueColour(std::nullopt);  // cancelled
  rig.St().ChooseScreenColour(ScreenColour::PreScan);
  EXPECT_EQ(config.PreScanColour, 0x00008000U);
  rig.op.script.QueueColour(0x336699);
  rig.St().ChooseScreenColour(ScreenColour::SetPoint);
  EXPECT_EQ(config.SetPointColour, 0x00996633U);

  EXPECT_THAT(rig.op.colour_initials, ElementsAre(0xFF0000U, 0x008000U, 0x000000U));
  EXPECT_EQ(rig.Screen().repaints, repaints + 3);  // chosen or not
}

TEST(ScreenSettingsTest, DefaultAsksAndRestoresAllButTheSetPointColour) {
  WindowRig rig;
  rig.StartUp();
  calib::Settings& config = rig.St().Config();
  uint32_t value = 1;
  for (uint32_t* colour : {&config.BorderColour, &config.GridColour, &config.BackgroundColour,
                           &config.EutOkColour, &config.EutFailColour, &config.AchievedColour,
                           &config.SetPointColour, &config.PreScanColour}) {
    *colour = value++;
  }

  rig.op.script.QueueAnswer(false);
  rig.St().DefaultScreenColours();
  EXPECT_EQ(config.GridColour, 2U);

  rig.op.script.QueueAnswer(true);
  rig.St().DefaultScreenColours();
  const auto& history = rig.op.script.History();
  ASSERT_EQ(history.size(), 2U);
  EXPECT_EQ(history[1].Text, "Revert to Default Colours ?");
  EXPECT_EQ(history[1].Kind, MessageKind::Confirmation);
  EXPECT_EQ(config.BackgroundColour, 0x00FFFFFFU);
  EXPECT_EQ(config.BorderColour, 8421376U);  // teal
  EXPECT_EQ(config.GridColour, 0U);
  EXPECT_EQ(config.EutOkColour, 65280U);
  EXPECT_EQ(config.EutFailColour, 255U);
  EXPECT_EQ(config.AchievedColour, 0x00FF0000U);  // blue
  EXPECT_EQ(config.PreScanColour, 32768U);
  EXPECT_EQ(config.SetPointColour, 7U);
}

TEST(ScreenSettingsTest, TheGridRangeTakesValuesBetweenZeroAndFourHundredOnly) {
  WindowRig rig;
  rig.StartUp();
  calib::CellTable& cell = rig.St().Cell();
  rig.St().OpenScreenSettings();
  EXPECT_EQ(rig.Screen().screen_settings.grid_range, " 15.0");

  for (const char* refused : {"400", "0", "-5", "abc", "", "1e9"}) {
    SCOPED_TRACE(refused);
    rig.St().OpenScreenSettings();
    rig.Screen().screen_settings.grid_range = refused;
    rig.St().AcceptScreenSettings();
    EXPECT_EQ(cell.MaxField, 15.0F);
    EXPECT_FALSE(rig.Screen().screen_settings.visible);
  }
  EXPECT_THAT(rig.Texts(), IsEmpty());

  rig.St().OpenScreenSettings();
  rig.Screen().screen_settings.grid_range = "399.9";
  rig.St().AcceptScreenSettings();
  EXPECT_EQ(cell.MaxField, 399.9F);
  rig.St().OpenScreenSettings();
  EXPECT_EQ(rig.Screen().screen_settings.grid_range, "399.9");
  rig.Screen().screen_settings.grid_range = "20";
  rig.St().AcceptScreenSettings();
  EXPECT_EQ(cell.MaxField, 20.0F);
  rig.St().OpenScreenSettings();
  EXPECT_EQ(rig.Screen().screen_settings.grid_range, " 20.0");

  // Back in the main window, the cell's range sets it again.
  rig.St().Activate();
  EXPECT_EQ(cell.MaxField, 15.0F);
}

TEST(NotesTest, TheBoxShowsTheEightNotesAndExitKeepsTheFirstEightLines) {
  WindowRig rig;
  rig.StartUp();
  auto& notes = rig.St().Records().NoteLines;
  notes = {"one", "two", "", "four", "", "", "", "eight"};
  rig.St().OpenNotes();
  EXPECT_EQ(rig.Screen().notes.caption, "Brevant Instruments Ltd - Fennix Notes");
  EXPECT_TRUE(rig.Screen().notes.visible);
  EXPECT_EQ(rig.Screen().notes.text, "one\ntwo\n\nfour\n\n\n\neight");

  rig.St().EditNotes("a\nb\nc\nd\ne\nf\ng\nh\ni\nj");
  const unsigned repaints = rig.Screen().repaints;
  rig.St().ExitNotes();
  EXPECT_THAT(notes, ElementsAre("a", "b", "c", "d", "e", "f", "g", "h"));
  EXPECT_FALSE(rig.Screen().notes.visible);
  EXPECT_GT(rig.Screen().repaints, repaints);

  // Fewer lines leave the rest empty; a pasted CR is no part of a note.
  rig.St().OpenNotes();
  rig.St().EditNotes("first\r\nsecond\r\n");
  rig.St().ExitNotes();
  EXPECT_THAT(notes, ElementsAre("first", "second", "", "", "", "", "", ""));

  rig.St().OpenNotes();
  rig.St().ClearNotes();
  EXPECT_EQ(rig.Screen().notes.text, "");
  rig.St().ExitNotes();
  EXPECT_THAT(notes, ElementsAre("", "", "", "", "", "", "", ""));
}

TEST(NotesTest, ClosingWithoutExitKeepsTheNotes) {
  WindowRig rig;
  rig.StartUp();
  auto& notes = rig.St().Records().NoteLines;
  notes[0] = "kept";
  rig.St().OpenNotes();
  rig.St().EditNotes("changed");
  rig.St().CloseNotes();
  EXPECT_EQ(notes[0], "kept");
  EXPECT_FALSE(rig.Screen().notes.visible);
}

TEST(NotesTest, TypingPastFiveHundredAndFortyCharactersIsRefused) {
  const std::string full(screen::kNotesMaxChars, 'x');
  EXPECT_EQ(LimitNotesEdit("", full), full);
  EXPECT_EQ(LimitNotesEdit(full, full + "y"), full);
  EXPECT_EQ(LimitNotesEdit("short", full + "y"), "short");  // a paste too long
  EXPECT_EQ(LimitNotesEdit(full, full.substr(1)), full.substr(1));

  // Notes a file brought in longer than the box are kept whole, and can be cut down.
  const std::string long_notes(600, 'z');
  EXPECT_EQ(LimitNotesEdit(long_notes, long_notes + "!"), long_notes);
  EXPECT_EQ(LimitNotesEdit(long_notes, long_notes.substr(0, 599)), long_notes.substr(0, 599));

  WindowRig rig;
  auto& notes = rig.St().Records().NoteLines;
  notes.fill(std::string(80, 'n'));  // 647 characters in the box
  rig.St().OpenNotes();
  rig.St().ExitNotes();
  EXPECT_EQ(notes[7], std::string(80, 'n'));
}

TEST(AboutTest, OpeningShowsTheVersionsAndAsksTheSynthesiser) {
  WindowRig rig;
  rig.StartUp();
  rig.Screen().about.hardware_version.clear();
  rig.St().OpenAbout();
  EXPECT_EQ(rig.Screen().about.caption, "About Brevant Instruments Ltd - Fennix");
  EXPECT_EQ(rig.Screen().about.software_version, "Software Version 1.59 12th January 2007");
  EXPECT_THAT(rig.SynthPackets(), ElementsAre("03,20,00,04"));
  EXPECT_EQ(rig.Screen().about.hardware_version, "Hardware Version 3.6");
  EXPECT_TRUE(rig.Screen().about.visible);
  rig.St().CloseAbout();
  EXPECT_FALSE(rig.Screen().about.visible);
}

TEST(DiagnosticsTest, TheMenuShowsTheWindowAndItsListCanBeCleared) {
  WindowRig rig;
  rig.StartUp();
  const unsigned repaints = rig.Screen().repaints;
  rig.St().ShowDiagnostics();
  EXPECT_EQ(rig.Screen().diagnostics.caption, "Fennix Diagnostics");
  EXPECT_TRUE(rig.Screen().diagnostics.visible);
  EXPECT_GT(rig.Screen().repaints, repaints);
  EXPECT_FALSE(rig.Screen().diagnostics.messages.empty());  // start-up's commands
  rig.St().ClearDiagnosticsList();
  EXPECT_THAT(rig.Screen().diagnostics.messages, IsEmpty());
  rig.St().HideDiagnostics();
  EXPECT_FALSE(rig.Screen().diagnostics.visible);
}

TEST(DiagnosticsTest, SaveListWritesTheLinesTopToBottom) {
  WindowRig rig;
  rig.StartUp();
  auto& messages = rig.Screen().diagnostics.messages;
  messages = {"03,22,00,04", "03,20,00,04", "03,31,00,04"};
  const std::string path = rig.folder.File("list.txt");
  rig.op.script.QueueFile(path);
  rig.St().SaveDiagnosticsList();

  ASSERT_EQ(rig.op.save_requests.size(), 1U);
  EXPECT_EQ(rig.op.save_requests[0].Filter, "Report Files|*.txt");
  EXPECT_EQ(rig.op.save_requests[0].DefaultExtension, "TXT");
  EXPECT_EQ(FileBytes(path), "03,22,00,04\r\n03,20,00,04\r\n03,31,00,04\r\n");
  EXPECT_EQ(messages.size(), 3U);

  // Cancelled: nothing written.
  rig.St().SaveDiagnosticsList();
  EXPECT_EQ(FileBytes(path), "03,22,00,04\r\n03,20,00,04\r\n03,31,00,04\r\n");

  messages.clear();
  rig.op.script.QueueFile(path);
  rig.St().SaveDiagnosticsList();
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(FileBytes(path), "");
  EXPECT_EQ(rig.op.script.History().size(), 3U);  // the three save dialogs, no message
}

TEST(DiagnosticsTest, AFileThatCannotBeWrittenShowsTheErrorAndKeepsTheList) {
  WindowRig rig;
  rig.StartUp();
  auto& messages = rig.Screen().diagnostics.messages;
  messages = {"03,22,00,04"};
  rig.op.script.QueueFile(rig.folder.File("no-such-folder/list.txt"));
  rig.St().SaveDiagnosticsList();
  const auto errors = rig.op.script.TextsOf(MessageKind::Error);
  ASSERT_EQ(errors.size(), 1U);
  EXPECT_FALSE(errors[0].empty());
  EXPECT_THAT(messages, ElementsAre("03,22,00,04"));
  EXPECT_FALSE(std::filesystem::exists(rig.folder.File("no-such-folder")));
}

TEST(PaintTest, TheCaptionChecksAndRangeButtonsFollowThePaint) {
  WindowRig rig;
  EXPECT_EQ(rig.Screen().window_caption, "Brevant Synthesiser Corvid");
  rig.StartUp();
  rig.St().ChooseAmplifierConfig(2);  // "&Vantor", then repaint
  EXPECT_EQ(rig.Screen().window_caption, "Brevant Instruments Ltd - Fennix");
  EXPECT_EQ(rig.Screen().menus.amplifier_checked, 2);
  rig.St().ChooseAmplifierConfig(3);  // no such item
  EXPECT_EQ(rig.Screen().menus.amplifier_checked, 2);

  rig.Screen().setup.range.enabled = false;
  rig.Screen().graph.range_buttons_visible = false;
  rig.St().Paint();
  EXPECT_TRUE(rig.Screen().setup.range.enabled);
  EXPECT_TRUE(rig.Screen().graph.range_buttons_visible);
  EXPECT_FALSE(rig.Screen().menus.save_as_prescans_enabled);

  rig.St().Setup().RangeChoice = 2;
  rig.St().FocusReportPanel();
  EXPECT_EQ(rig.Screen().graph.range_checked, 2);
}

TEST(PaintTest, TheFieldWarningItemTheGraphRangeButtonsAndPlotPreScan) {
  WindowRig rig;
  rig.StartUp();
  rig.St().ToggleFieldWarnings();
  EXPECT_TRUE(rig.Screen().menus.show_field_warnings);
  rig.St().ToggleFieldWarnings();
  EXPECT_FALSE(rig.Screen().menus.show_field_warnings);

  const unsigned repaints = rig.Screen().repaints;
  rig.St().ChooseGraphRange(1);
  EXPECT_EQ(rig.St().Setup().RangeChoice, 1);
  EXPECT_EQ(rig.Screen().graph.range_checked, 1);
  EXPECT_EQ(rig.Screen().repaints, repaints + 1);
  rig.St().ChooseGraphRange(3);
  EXPECT_EQ(rig.St().Setup().RangeChoice, 1);

  // Hidden at start: the button does nothing until a pre-scan shows it.
  rig.St().PressPlotPreScan();
  EXPECT_FALSE(rig.Screen().graph.show_prescan_curve);
  rig.Screen().plot_prescan_visible = true;
  const unsigned redraws = rig.Screen().graph.redraws;
  rig.St().PressPlotPreScan();
  EXPECT_TRUE(rig.Screen().graph.show_prescan_curve);
  EXPECT_GT(rig.Screen().graph.redraws, redraws);
}

}  // namespace
}  // namespace tarvos::station
