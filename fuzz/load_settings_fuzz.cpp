// Any bytes as Tarvos.INI in the program folder, read as start-up reads it: the load
// either succeeds or ends in the defaults, and either way leaves settings the program
// can save and use.
#include <cstddef>
#include <cstdint>
#include <string>

#include "calib/cell_table.h"
#include "calib/settings.h"
#include "calib/settings_file.h"
#include "fuzz_folder.h"
#include "link/adapter_link.h"
#include "link_fuzz_rig.h"
#include "platform/scripted_operator.h"
#include "screen/screen.h"
#include "setup/test_setup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarvos;
  using fuzz::Check;
  const std::string& folder = fuzz::FuzzFolder();
  fuzz::WriteInput(folder + std::string(calib::kSettingsFileName), data, size);

  calib::Settings config;
  config.DefaultPath = folder;
  setup::TestSetup test_setup;
  calib::CellTable cell;
  link::AdapterLink link;
  screen::Screen screen;
  platform::ScriptedOperator op;
  int versions = 0;
  calib::SettingsContext context{
      config, test_setup, cell, link, screen, op, [&versions] { ++versions; }};
  const calib::SettingsLoad outcome = calib::LoadSettingsOrDefaults(context);

  const auto& shown = op.History();
  if (outcome == calib::SettingsLoad::Loaded) {
    Check(shown.empty(), "a file that loads shows nothing");
    Check(versions == 1, "the version is requested once, inside the setup block");
    Check(test_setup.CurrentFrequency == test_setup.StartFrequency,
          "the single frequency starts where the scan starts");
    const int range = test_setup.RangeChoice < 3 ? test_setup.RangeChoice : -1;
    Check(screen.setup.range.index == range, "the Range group shows the choice read");
  } else {
    Check(outcome == calib::SettingsLoad::Failed, "the file is there: it is read, not missing");
    Check(shown.size() == 2 && shown[0].Text == "INI File Missing or Corrupt. Defaults Loaded" &&
              shown[1].Text == "Cell Serial Number|Enter Current Cell Serial Number",
          "a file that fails gives the defaults message and the serial question");
    Check(config.CellSerial == "10", "a cancelled serial question gives 10");
    Check(config.FileDelimiter == ';' && cell.DriveScale == 26214, "the defaults are loaded");
  }
  Check(link.AmplifierConfig == 1, "the amplifiers are the common series whatever the file says");
  Check(calib::IsUsableDelimiter(config.FileDelimiter), "the delimiter can separate fields");
  return 0;
}
