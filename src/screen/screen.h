#pragma once

#include <array>
#include <cstddef>
#include <deque>
#include <string>
#include <vector>

namespace tarvos::screen {

// Lamp colours as the window paints them; Off is the window's face colour.
enum class LampColour { Off, Red, Green, Blue, Lime };

// The diagnostics window: the last command sent, the list of commands (newest first)
// and the last values the synthesiser reported. Labels start with their captions.
struct DiagnosticsWindow {
  std::string caption;
  bool visible = false;
  std::deque<std::string> messages;
  std::string tx_string;
  std::string dac_value = "DAC Value";
  std::string probe_value = "Probe Value";
  std::string status = "Status";
  std::string pre_scan = "Pre Scan";
  std::string phase = "Phase : 0";
  std::string cell_drive = "1.00";
};

// "USB Devices Detected": one row per adapter instance (row = instance number);
// columns: instance, handle, model, serial number, hardware version.
class DeviceGrid {
 public:
  static constexpr std::size_t kColumns = 5;
  using Row = std::array<std::string, kColumns>;

  // Grows the grid to hold the row: instances up to 127 can be written.
  void Set(std::size_t row, std::size_t column, std::string text);
  const std::string& Get(std::size_t row, std::size_t column) const;
  // Empties the cells of rows first..last and columns first..last (inclusive).
  void Clear(std::size_t first_row, std::size_t last_row, std::size_t first_column,
             std::size_t last_column);
  std::size_t RowCount() const { return rows_.size(); }
  const std::vector<Row>& Rows() const { return rows_; }

 private:
  std::vector<Row> rows_ = std::vector<Row>(21);
};

struct AboutDialog {
  std::string hardware_version;        // "Hardware Version " + synthesiser version
  std::string salvo_hardware_version;  // "Hardware Version " + Salvo version
};

struct Lamps {
  LampColour hardware = LampColour::Off;  // the "Hardware" fault lamp
};

// What the window shows, as plain data: the core writes it, the window draws it.
struct Screen {
  DiagnosticsWindow diagnostics;
  DeviceGrid devices;
  AboutDialog about;
  Lamps lamps;
};

}  // namespace tarvos::screen
