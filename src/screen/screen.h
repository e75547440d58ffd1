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
  std::string caption;                 // "About " + the caption text
  std::string software_version;        // the version label, filled on activation
  std::string hardware_version;        // "Hardware Version " + synthesiser version
  std::string salvo_hardware_version;  // "Hardware Version " + Salvo version
  bool visible = false;
};

// The notes dialog's text box holds at most this many characters ('\n' between lines
// counts as one).
inline constexpr std::size_t kNotesMaxChars = 540;

struct NotesDialog {
  std::string caption;  // the caption text + " Notes"
  std::string text;     // the text box, lines separated by '\n'
  bool visible = false;
};

// The screen settings dialog; its seven colour buttons and "Default" act on the Settings.
struct ScreenSettingsDialog {
  std::string caption;              // the caption text + " Screen Colours"
  std::string grid_range = "15.0";  // "Grid Range (V/m)"
  bool visible = false;
};

struct Lamps {
  // STATUS
  LampColour ready = LampColour::Off;
  LampColour running = LampColour::Off;
  LampColour settling = LampColour::Off;
  LampColour modulation = LampColour::Off;
  LampColour standby = LampColour::Off;
  // EUT
  LampColour eut_ok = LampColour::Off;
  LampColour eut_fault = LampColour::Off;
  LampColour eut_prompt = LampColour::Off;
  // FAULT
  LampColour synth = LampColour::Off;  // no operation lights it
  LampColour pa = LampColour::Off;     // "P. A."
  LampColour hardware = LampColour::Off;
};

// A push button: caption, enabled and visible.
struct Button {
  std::string caption;
  bool enabled = true;
  bool visible = true;
};

// The menu items whose state changes while the program runs.
struct Menus {
  bool mode_enabled = true;               // "&Mode"
  bool save_results_enabled = false;      // "Save &Results..." until the first Save As
  bool save_as_prescans_enabled = false;  // while a pre-scan is available
  // Refused while a run is in progress: they would replace the setup and results under
  // the running sequencer.
  bool open_enabled = true;   // "&Open" and its three items
  bool clear_enabled = true;  // "&Display" > "&Clear"
  bool show_field_warnings = false;  // "&Show Field Warning Messages" check mark
  uint8_t amplifier_checked = 0;     // the "&Configure" item checked: AmplifierConfig
};

// The run and mode buttons.
struct Buttons {
  Button pre_scan{"PRE-SCAN", false};
  Button dwell{"DWELL", false};
  Button run{"RUN", false};
  Button report_results{"REPORT RESULTS", true};
  Button standard_scan{"STANDARD SCAN", false};
  Button custom_scan{"CUSTOM SCAN", false};
  Button single_point{"SINGLE POINT", false};
  Button exit{"EXIT", true};
};

struct Splash {
  std::string caption = "Brevant Instruments Ltd  Tarvos Starting...";
  std::string text = "Please Wait While Tarvos Checks Connections";
  bool visible = false;
};

// An entry field: its text as shown (the operator's edits are written back into it).
struct Field {
  std::string text;
  bool enabled = true;
};

struct CheckBox {
  bool checked = false;
  bool enabled = true;
};

// A radio group or list: the index chosen, -1 for none.
struct Choice {
  int index = 0;
  bool enabled = true;
};

// The custom scan grid: row 0 is the heading, rows 1 to 30 the custom rows; column 0
// "MHz", column 1 "V/m".
struct CustomGrid {
  static constexpr std::size_t kRows = 31;
  std::array<std::array<std::string, 2>, kRows> cells{};
  bool visible = false;
  bool enabled = true;
  bool hint_shown = true;  // "Use Tab + Alt Tab Keys" until first clicked
};

// The standard and custom scan panel.
struct SetupPanel {
  bool visible = false;
  std::string heading = "STANDARD";
  Field start;
  Field finish;
  Field step;
  Field field;
  Field dwell;           // "Dwell Time (secs)"
  Field estimated_time;  // read-only
  Choice modulation;     // "None", "1 Hz Pulse", "20 Hz Pulse", "200 Hz Pulse", "1 KHz AM"
  std::string modulation_depth;
  Choice test_type{0, false};  // "Normal", "Pre-Scanned"; disabled at start
  Choice range;                // "30 - 1000 MHz", "1000 -2400 MHz", "30-2400 MHz"
  Choice eut_status;           // "Off", "Halt", "Continue"
  Choice eut_prompt;           // "Off", "Pulse", "On"
  std::string procedure_label;
  CustomGrid custom;
};

// The single-frequency control panel.
struct SinglePanel {
  bool visible = false;
  Field frequency;
  Field level;
  Field frequency_inc{"2.0"};
  Field level_inc{"0.1"};
  Field start_level;
  Field end_level;
  Field step_size;
  Field dwell;  // "Dwell Time" (Secs)
  bool step_buttons_enabled = true;  // the four increase/decrease buttons
  bool modulation_enabled = true;    // the panel's modulation list
  CheckBox auto_increase;            // "Use Auto Increase"
  CheckBox stop_on_eut_fault;        // "Stop on EUT Fault"
  Choice modulation;
  std::string modulation_depth;
};

// The live values of the monitor strip.
struct Monitor {
  std::string mode_label = "Mode";
  std::string file_label;
  std::string frequency = "0.0";
  std::string modulation;
  std::string dwell = "0.0";
  std::string total = "0.0";
  std::string target = "0.00";
  std::string actual = "0.00";
};

// The engineering test window ("Test Form").
struct TestForm {
  static constexpr std::size_t kRecentStrings = 20;
  static constexpr std::size_t kInputLines = 20;

  std::string caption = "Test Form";
  bool visible = false;
  std::string slave_address;                    // "I2C Slave Address = 154"
  Field probe_range;                            // "Probe Range": DriveScale
  Field probe_offset;                           // "Probe Offset": DriveOffset
  Field frequency{"900"};                       // MHz, beside "Set Frequency"
  Field amplitude{"5"};                         // beside "Set Amplitude"
  Field pll_frequency;                          // "Frequency MHz", read by "Calculate"
  Field n_counter;                              // "N Counter"
  Field r_counter{"5000"};                      // "R Counter"
  Field i2c_string;                             // the "Send I2C String" box's text
  std::vector<std::string> recent_strings;      // its drop-down list, at most 20
  std::string response;                         // the response caption
  std::string handle_label;                     // "USBHandle " + the test handle
  std::string bytes_read;                       // count + " Bytes Read"
  std::string data_low;                         // "0-31": "XX," per byte
  std::string data_high;                        // "32-63"
  std::string read_time;                        // "Read 1000 times": "    0.42Secs"
  Field delay_ticks{"0"};                       // "delay Ticks" of the enumeration
  std::string counter;                          // the instance the enumeration is at
  Choice device;                                // "Tarvos", "Salvo"
  std::array<bool, kInputLines> input_lines{};  // bits of the last "Force Read"
  // Red while the output line is set; "EUT Status" and "PA Status" lime while on.
  LampColour range0 = LampColour::Off;
  LampColour range1 = LampColour::Off;
  LampColour modulation_1k = LampColour::Off;
  LampColour eut_prompt = LampColour::Off;
  LampColour pll_switch = LampColour::Off;
  LampColour eut_status = LampColour::Off;
  LampColour pa_status = LampColour::Off;
};

// The system details dialog (the device grid is Screen::devices).
struct SystemDetailsDialog {
  std::string caption;
  std::string file_delimiter = ";";  // "File Delimitor": keeps the text it last had
  std::string cell_number;           // "Current Cell Number"
  std::string default_path;          // "Default Path :"
  bool accept_enabled = true;        // refused while a run is in progress
};

// What the graph draws besides the records.
struct Graph {
  bool show_prescan_curve = false;  // set by "Plot Pre-Scan" until the next run starts
  int range_checked = 0;            // the graph-range button checked
  bool range_buttons_visible = true;  // "30MHz-1.0GHz", "1.0GHz-2.4GHz", "30MHz-2.4GHz"
  // Times of day "h:nn:ss" of the strip chart's axis (slots 0 to 5).
  std::array<std::string, 6> time_marks{};
  unsigned redraws = 0;             // incremented by every redraw request
};

// What the window shows, as plain data: the core writes it, the window draws it.
struct Screen {
  std::string caption;  // the main window's caption text, built at start-up
  // The title the window shows: its design-time caption until the first paint, then
  // the caption text.
  std::string window_caption = "Brevant Synthesiser Corvid";
  std::string clock_label = "Clock";
  Splash splash;
  Buttons buttons;
  Menus menus;
  Graph graph;
  DiagnosticsWindow diagnostics;
  DeviceGrid devices;
  AboutDialog about;
  NotesDialog notes;
  ScreenSettingsDialog screen_settings;
  TestForm test_form;
  Lamps lamps;
  std::string title_label = "Title :";
  SetupPanel setup;
  SinglePanel single;
  Monitor monitor;
  SystemDetailsDialog system_details;
  bool report_visible = false;
  bool plot_prescan_visible = false;
  bool plot_prescan_enabled = true;
  // Incremented by every repaint request of the core; the window repaints on a change.
  unsigned repaints = 0;
};

}  // namespace tarvos::screen
