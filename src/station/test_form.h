#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "calib/cell_table.h"
#include "engine/run_state.h"
#include "link/adapter_access.h"
#include "link/command_set.h"
#include "screen/messages.h"
#include "screen/screen.h"

namespace tarvos::station {

inline constexpr std::size_t kTestReadBytes = 64;
inline constexpr int kTestReadRepeats = 1000;

// "Calculate": N = MHz x 3.125, raised to 3 and lowered to 16384, rounded ties to even.
// The window's own factor, not the conversion of the frequency command.
uint32_t TestFormNCounter(double mhz);
// The PLL counter packet of "I2C Transmit Packet": 06 30 Nh Nl Rh Rl 04.
std::string PllCounterPacket(uint16_t n, uint16_t r);
// A data box of "I2C Read": each byte as two upper-case hex digits and a comma.
std::string HexBytesText(const uint8_t* bytes, std::size_t count);
// Adds a sent text to the drop-down list of recent strings unless an entry equals it;
// past 20 entries the second entry goes.
void RememberString(std::vector<std::string>& recent, const std::string& text);

struct TestFormContext {
  link::AdapterAccess& Access;
  link::CommandSet& Commands;
  calib::CellTable& Cell;       // DriveScale and DriveOffset
  const engine::RunState& Run;  // the EUT fault flag of the "EUT Status" lamp
  std::function<void()> SaveSettings;
  std::function<void()> LoadSalvoSettings;
  std::function<void()> UpdateLamps;
  std::function<void()> Repaint;
};

// The engineering test window: raw output lines, I2C strings and reads, the PLL counter
// packet, timed reads and the engineer's adapter search. While it is open the main
// program's reply reads are suppressed, so the window reads the replies itself. Its
// state is Screen().test_form; every handler does nothing while the window is closed.
class TestForm {
 public:
  explicit TestForm(TestFormContext context);

  void Open();
  void Close();  // the window's close box
  void Back();   // stores the probe boxes, saves the settings and closes

  // "Range 0", "Range 1", "Modulation 1KHz", "PLL Switch", "EUT Prompt" by line number;
  // other lines do nothing.
  void ToggleLine(int line);
  void SetFrequency();
  void SetAmplitude();
  void Reset();
  void Calculate();
  void TransmitPacket();
  void SendString();
  void Read();
  void ReadRepeatedly();
  void ForceRead();
  void ChooseDevice(int index);
  void Enumerate();

  int32_t TestHandle() const { return test_handle_; }

 private:
  screen::TestForm& Form() { return context_.Access.Screen().test_form; }
  platform::Operator& Op() { return context_.Access.Operator(); }
  // What a read on the test handle returned; no call is made on handle 0.
  int32_t ReadOnce(platform::I2cTransfer& transfer);
  // Writes on the test handle; true when all of it was written (handle 0 writes nothing
  // and is not a fault).
  bool WriteOnTestHandle(const link::I2cPacket& packet, link::Unit unit);
  void ShowLamps();
  // The boxes "Calculate" and "I2C Transmit Packet" read, with their messages.
  std::optional<double> ReadNumber(const screen::Field& field, const screen::MessageEntry& message);

  TestFormContext context_;
  int32_t test_handle_ = 0;
};

}  // namespace tarvos::station
