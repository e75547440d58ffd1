#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "calib/cell_table.h"
#include "calib/settings.h"
#include "link/adapter_link.h"
#include "platform/operator.h"
#include "screen/screen.h"
#include "setup/test_setup.h"

namespace tarvos::calib {

inline constexpr std::string_view kSettingsFileName = "Tarvos.INI";
inline constexpr std::string_view kSalvoFileName = "Salvo.INI";
inline constexpr char kDefaultDelimiter = ';';

// The program folder: the command line's folder, else TARVOS_HOME, else the folder of
// an installation for all users when files can be created there, else the per-user
// folder; always ending with the system's separator. Empty texts count as not given.
std::string ProgramFolder(const std::optional<std::string>& command_line,
                          std::string_view tarvos_home,
                          const std::optional<std::string>& writable_installed,
                          std::string_view per_user);
// ProgramFolder from the system, with the folder created when missing.
std::string DefaultPath(const std::optional<std::string>& command_line);

// Whether a character can separate the fields of the result and pre-scan rows: not a
// tab, a line end, or anything a number is written with. A blank is one: its files have
// a reading path of their own.
bool IsUsableDelimiter(char c);

// What Tarvos.INI holds: besides the Settings, the TestSetup (RangeChoice included), the
// cell's drive scale and offset, the amplifier configuration, and the two "Inc" texts
// and the Range choice on the screen.
struct SettingsContext {
  Settings& Config;
  setup::TestSetup& Setup;
  CellTable& Cell;
  link::AdapterLink& Link;
  screen::Screen& Screen;
  platform::Operator& Op;
  std::function<void()> RequestVersion;  // sent between lines 44 and 45
};

enum class SettingsLoad { Loaded, DefaultsLoaded, Failed };

// Reads Tarvos.INI (its name in any case) from the program folder. A missing file loads
// the defaults (DefaultsLoaded); a value that does not read, or a file that cannot be
// read, ends the load with Failed, keeping what was read: the caller then loads the
// defaults. CurrentFrequency becomes StartFrequency and AmplifierConfig 1 on the way.
SettingsLoad LoadSettings(SettingsContext& context);
// LoadSettings, and the defaults after a failed load: what start-up does.
SettingsLoad LoadSettingsOrDefaults(SettingsContext& context);

// Tells the operator, sets every value that has a default and asks for the cell serial.
void LoadDefaults(SettingsContext& context);

// Writes Tarvos.INI; the previous file stays whole on any failure, which is not reported.
// Returns whether the file was written.
bool SaveSettings(SettingsContext& context);

// Reads AmplifierSwitchFrequency from line 4 of Salvo.INI in the folder. Anything
// missing or unreadable shows a warning and keeps the value; returns whether it read.
bool LoadSalvoSettings(const std::string& default_path, link::AdapterLink& link,
                       platform::Operator& op);

}  // namespace tarvos::calib
