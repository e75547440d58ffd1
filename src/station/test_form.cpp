#include "station/test_form.h"

#include <cmath>
#include <utility>

#include "link/i2c_command.h"
#include "link/start_up.h"
#include "screen/messages.h"
#include "setup/number_forms.h"

namespace tarvos::station {
namespace {

constexpr double kNPerMhz = 3.125;
constexpr double kLowestN = 3.0;
constexpr double kHighestN = 16384.0;
constexpr int64_t kLargestBox = 65535;
constexpr std::size_t kDataBoxBytes = 32;
constexpr std::size_t kPaStatusLine = 17;
constexpr uint8_t kPllCounterCommand = 0x30;

// A box read as a whole number 0 to 65535.
std::optional<uint16_t> ReadWord(const screen::Field& field) {
  const auto value = setup::ParseInteger(field.text);
  if (!value || *value < 0 || *value > kLargestBox) return std::nullopt;
  return static_cast<uint16_t>(*value);
}

// Rounded ties to even; nullopt outside 0..limit.
std::optional<uint32_t> RoundedWithin(double value, double limit) {
  const double rounded = std::nearbyint(value);
  if (!(rounded >= 0.0) || rounded > limit) return std::nullopt;
  return static_cast<uint32_t>(rounded);
}

screen::LampColour LitWhen(bool on, screen::LampColour colour) {
  return on ? colour : screen::LampColour::Off;
}

bool IsTestFormLine(int line) {
  return line == link::kRange0 || line == link::kRange1 || line == link::kModulation1k ||
         line == link::kPllSwitch || line == link::kEutPrompt;
}

}  // namespace

uint32_t TestFormNCounter(double mhz) {
  double n = mhz * kNPerMhz;
  if (!(n >= kLowestN)) n = kLowestN;
  if (n > kHighestN) n = kHighestN;
  return static_cast<uint32_t>(std::nearbyint(n));
}

std::string PllCounterPacket(uint16_t n, uint16_t r) {
  const uint8_t bytes[] = {0x06,
                           kPllCounterCommand,
                           static_cast<uint8_t>(n >> 8),
                           static_cast<uint8_t>(n & 0xFF),
                           static_cast<uint8_t>(r >> 8),
                           static_cast<uint8_t>(r & 0xFF),
                           0x04};
  return link::FormatI2cCommand(bytes);
}

std::string HexBytesText(const uint8_t* bytes, std::size_t count) {
  std::string text;
  text.reserve(count * 3);
  for (std::size_t i = 0; i < count; ++i) text += link::Hex2(bytes[i]) + ",";
  return text;
}

void RememberString(std::vector<std::string>& recent, const std::string& text) {
  for (const std::string& entry : recent) {
    if (entry == text) return;
  }
  recent.push_back(text);
  if (recent.size() > screen::TestForm::kRecentStrings) recent.erase(recent.begin() + 1);
}

TestForm::TestForm(TestFormContext context) : context_(std::move(context)) {}

void TestForm::Open() {
  link::AdapterLink& link = context_.Access.Link();
  screen::TestForm& form = Form();
  link.ReadsSuppressed = true;
  form.visible = true;
  form.slave_address = "I2C Slave Address = " + std::to_string(link::kSlaveAddress);
  form.probe_range.text = std::to_string(context_.Cell.DriveScale);
  form.probe_offset.text = std::to_string(context_.Cell.DriveOffset);
  test_handle_ = link.SynthHandle;
  form.device.index = 0;
  ShowLamps();
}

void TestForm::Close() {
  context_.Access.Link().ReadsSuppressed = false;
  Form().visible = false;
}

void TestForm::Back() {
  if (!Form().visible) return;
  const auto scale = ReadWord(Form().probe_range);
  const auto offset = ReadWord(Form().probe_offset);
  if (!scale || !offset) return;
  context_.Cell.DriveScale = *scale;
  context_.Cell.DriveOffset = *offset;
  if (context_.SaveSettings) context_.SaveSettings();
  Close();
}

void TestForm::ToggleLine(int line) {
  if (!Form().visible || !IsTestFormLine(line)) return;
  link::AdapterAccess& access = context_.Access;
  if (access.Link().OutputLineState[static_cast<std::size_t>(line)]) {
    access.ClearOutputBit(line);
  } else {
    access.SetOutputBit(line);
  }
  ShowLamps();
}

void TestForm::SetFrequency() {
  if (!Form().visible) return;
  const auto mhz = setup::ParseDecimal(Form().frequency.text);
  if (!mhz) return;
  // A typed MHz value is taken in single precision, then to the nearest hertz.
  const double hz = std::nearbyint(static_cast<double>(static_cast<float>(*mhz)) * 1'000'000.0);
  context_.Commands.SetFrequency(static_cast<float>(hz));
  ShowLamps();
}

void TestForm::SetAmplitude() {
  if (!Form().visible) return;
  const auto set_point = ReadWord(Form().amplitude);
  if (set_point) context_.Commands.SetLevel(link::kModeLevel, 0, *set_point);
}

void TestForm::Reset() {
  if (Form().visible) context_.Access.SendSynth("03,31,00,04");
}

std::optional<double> TestForm::ReadNumber(const screen::Field& field,
                                           const screen::MessageEntry& message) {
  auto value = setup::ParseDecimal(field.text);
  if (!value) screen::Tell(Op(), message);
  return value;
}

void TestForm::Calculate() {
  if (!Form().visible) return;
  link::AdapterLink& link = context_.Access.Link();
  const auto mhz = ReadNumber(Form().pll_frequency, screen::msg::kSillyFrequency);
  if (!mhz) return;
  link.PllN = TestFormNCounter(*mhz);
  Form().n_counter.text = std::to_string(link.PllN);

  const auto r = ReadNumber(Form().r_counter, screen::msg::kSillyRCounter);
  if (!r) return;
  const auto r_counter = RoundedWithin(*r, 4294967295.0);
  if (!r_counter) {
    screen::Tell(Op(), screen::msg::kSillyRCounter);
    return;
  }
  link.RCounter = *r_counter;
}

void TestForm::TransmitPacket() {
  if (!Form().visible) return;
  const auto n = ReadNumber(Form().n_counter, screen::msg::kSillyFrequency);
  if (!n) return;
  const auto r = ReadNumber(Form().r_counter, screen::msg::kSillyRCounter);
  if (!r) return;
  const auto n_counter = RoundedWithin(*n, static_cast<double>(kLargestBox));
  const auto r_counter = RoundedWithin(*r, static_cast<double>(kLargestBox));
  if (!n_counter || !r_counter) return;
  const auto parsed = link::ParseI2cCommand(
      PllCounterPacket(static_cast<uint16_t>(*n_counter), static_cast<uint16_t>(*r_counter)));
  // The counters always belong to the synthesiser, whichever device is chosen.
  WriteOnTestHandle(*parsed.Packet, link::Unit::Synthesiser);
}

void TestForm::SendString() {
  if (!Form().visible) return;
  screen::TestForm& form = Form();
  form.response = "Response : ";
  const std::string text = form.i2c_string.text;
  const auto parsed = link::ParseI2cCommand(text);
  if (!parsed.Packet) {
    // The parser's text is one of its catalogue entries filled in (screen::msg::kNotHexByte,
    // kTooManyBytes).
    Op().Show(screen::msg::kNotHexByte.Kind, parsed.Error);
    return;
  }
  if (parsed.Packet->Count == 0) return;
  WriteOnTestHandle(*parsed.Packet,
                    form.device.index == 1 ? link::Unit::Salvo : link::Unit::Synthesiser);
  RememberString(form.recent_strings, text);
}

int32_t TestForm::ReadOnce(platform::I2cTransfer& transfer) {
  if (test_handle_ == 0) return 0;
  return context_.Access.Library().ReadI2c(test_handle_, transfer);
}

bool TestForm::WriteOnTestHandle(const link::I2cPacket& packet, link::Unit unit) {
  if (test_handle_ == 0) return false;
  auto transfer = link::MakeWriteTransfer(packet);
  const int32_t written = context_.Access.Library().WriteI2c(test_handle_, transfer);
  if (written < 0 || static_cast<std::size_t>(written) != packet.Count) {
    context_.Access.ReportFault(link::FaultCode::I2cWriteError, unit);
    return false;
  }
  return true;
}

void TestForm::Read() {
  if (!Form().visible) return;
  screen::TestForm& form = Form();
  form.handle_label = "USBHandle " + std::to_string(test_handle_);
  auto transfer = link::MakeReadTransfer(kTestReadBytes);
  const int32_t count = ReadOnce(transfer);
  form.bytes_read = std::to_string(count) + " Bytes Read";
  form.data_low = HexBytesText(transfer.Data, kDataBoxBytes);
  form.data_high = HexBytesText(transfer.Data + kDataBoxBytes, kDataBoxBytes);
}

void TestForm::ReadRepeatedly() {
  if (!Form().visible) return;
  platform::EventLoop& loop = context_.Access.Loop();
  const uint64_t start_ms = loop.ClockMs();
  int64_t total = 0;
  for (int i = 0; i < kTestReadRepeats; ++i) {
    auto transfer = link::MakeReadTransfer(kTestReadBytes);
    total += ReadOnce(transfer);
  }
  const double seconds = static_cast<double>(loop.ClockMs() - start_ms) / 1000.0;
  Form().read_time = setup::FormatFixed(seconds, 8, 2) + "Secs";
  Form().bytes_read = std::to_string(total) + " Bytes Read";
}

void TestForm::ForceRead() {
  if (!Form().visible) return;
  uint32_t value = 0;
  if (test_handle_ != 0) context_.Access.Library().ReadIoPorts(test_handle_, value);
  auto& lines = Form().input_lines;
  for (std::size_t i = 0; i < lines.size(); ++i) lines[i] = ((value >> i) & 1U) != 0;
  context_.Commands.RequestStatus();
  ShowLamps();
  if (context_.Repaint) context_.Repaint();
}

void TestForm::ChooseDevice(int index) {
  if (!Form().visible || index < 0 || index > 1) return;
  const link::AdapterLink& link = context_.Access.Link();
  Form().device.index = index;
  test_handle_ = index == 0 ? link.SynthHandle : link.SalvoHandle;
}

void TestForm::Enumerate() {
  if (!Form().visible) return;
  const auto delay_ticks = ReadWord(Form().delay_ticks);
  if (!delay_ticks) return;
  link::EnumerateAdapters(context_.Access, context_.Commands,
                          link::IdentifyHooks{context_.LoadSalvoSettings, context_.UpdateLamps},
                          *delay_ticks,
                          [this](uint8_t instance) { Form().counter = std::to_string(instance); });
  ShowLamps();
  if (context_.Repaint) context_.Repaint();
}

void TestForm::ShowLamps() {
  const auto& state = context_.Access.Link().OutputLineState;
  screen::TestForm& form = Form();
  using screen::LampColour;
  form.range0 = LitWhen(state[link::kRange0], LampColour::Red);
  form.range1 = LitWhen(state[link::kRange1], LampColour::Red);
  form.modulation_1k = LitWhen(state[link::kModulation1k], LampColour::Red);
  form.eut_prompt = LitWhen(state[link::kEutPrompt], LampColour::Red);
  form.pll_switch = LitWhen(state[link::kPllSwitch], LampColour::Red);
  form.eut_status = LitWhen(context_.Run.EutFaultLatched, LampColour::Lime);
  form.pa_status = LitWhen(form.input_lines[kPaStatusLine], LampColour::Lime);
}

}  // namespace tarvos::station
