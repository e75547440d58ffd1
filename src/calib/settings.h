#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tarvos::calib {

// The values of Tarvos.INI that are not part of the test setup (colours as 0x00BBGGRR).
// The two "Inc" texts live in the single-frequency panel's fields, RangeChoice in the
// TestSetup, DriveScale and DriveOffset in the CellTable, AmplifierConfig and
// AmplifierSwitchFrequency in the AdapterLink: one place each.
struct Settings {
  uint32_t BorderColour = 0;
  uint32_t GridColour = 0;
  uint32_t BackgroundColour = 16777215;
  uint32_t EutOkColour = 0;
  uint32_t EutFailColour = 0;
  uint32_t AchievedColour = 0;
  uint32_t SetPointColour = 0;
  uint32_t PrintLineColour = 0;
  std::array<uint32_t, 4> Spare{};  // lines 9 to 12
  uint32_t PrintTextColour = 0;
  uint32_t PreScanColour = 0;
  std::string CellSerial;
  char FileDelimiter = ';';
  std::string DefaultPath;  // the program folder, ending with a separator
};

}  // namespace tarvos::calib
