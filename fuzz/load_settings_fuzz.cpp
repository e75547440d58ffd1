// Tarvos.INI and Salvo.INI as the program reads them from its folder.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "calib/cell_table.h"
#include "calib/settings.h"
#include "calib/settings_file.h"
#include "link/adapter_link.h"
#include "platform/scripted_operator.h"
#include "screen/screen.h"
#include "setup/test_setup.h"

namespace {

// One folder for the whole run: the entry point is called millions of times.
const std::string& FuzzFolder() {
  static const std::string folder = [] {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tarvos-settings-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) abort();
    return pattern + "/";
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarvos;
  const std::string& folder = FuzzFolder();
  const std::string content(reinterpret_cast<const char*>(data), size);
  // Plain writes: an atomic save's fsync would make each input take milliseconds.
  for (const char* name : {"Tarvos.INI", "Salvo.INI"}) {
    std::ofstream(folder + name, std::ios::binary | std::ios::trunc) << content;
  }

  calib::Settings config;
  config.DefaultPath = folder;
  setup::TestSetup test_setup;
  calib::CellTable cell;
  link::AdapterLink link;
  screen::Screen screen;
  platform::ScriptedOperator op;
  calib::SettingsContext context{config, test_setup, cell, link, screen, op, nullptr};
  calib::LoadSettingsOrDefaults(context);
  calib::LoadSalvoSettings(folder, link, op);
  return 0;
}
