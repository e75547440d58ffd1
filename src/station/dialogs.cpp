#include "station/dialogs.h"

#include "platform/text_file.h"
#include "screen/messages.h"
#include "setup/number_forms.h"

namespace tarvos::station {
namespace {

constexpr double kGridRangeLimit = 400.0;

// Colour values of the "Default" button.
constexpr uint32_t kWhite = 0x00FFFFFF;
constexpr uint32_t kTeal = 0x00808000;  // RGB 0, 128, 128
constexpr uint32_t kBlack = 0x00000000;
constexpr uint32_t kLime = 0x0000FF00;   // RGB 0, 255, 0
constexpr uint32_t kRed = 0x000000FF;    // RGB 255, 0, 0
constexpr uint32_t kBlue = 0x00FF0000;   // RGB 0, 0, 255
constexpr uint32_t kGreen = 0x00008000;  // RGB 0, 128, 0

uint32_t SwapRedAndBlue(uint32_t colour) {
  return ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
}

}  // namespace

uint32_t RgbFromColourValue(uint32_t colour_value) { return SwapRedAndBlue(colour_value); }
uint32_t ColourValueFromRgb(uint32_t rgb) { return SwapRedAndBlue(rgb); }

uint32_t& ColourOf(calib::Settings& config, ScreenColour which) {
  switch (which) {
    case ScreenColour::Grid:
      return config.GridColour;
    case ScreenColour::Border:
      return config.BorderColour;
    case ScreenColour::EutOk:
      return config.EutOkColour;
    case ScreenColour::EutFail:
      return config.EutFailColour;
    case ScreenColour::SetPoint:
      return config.SetPointColour;
    case ScreenColour::Achieved:
      return config.AchievedColour;
    case ScreenColour::PreScan:
      break;
  }
  return config.PreScanColour;
}

bool ChooseScreenColour(calib::Settings& config, platform::Operator& op, ScreenColour which) {
  uint32_t& colour = ColourOf(config, which);
  const auto chosen = op.ChooseColour(RgbFromColourValue(colour));
  if (!chosen) return false;
  colour = ColourValueFromRgb(*chosen);
  return true;
}

bool RevertToDefaultColours(calib::Settings& config, platform::Operator& op) {
  if (!screen::Ask(op, screen::msg::kRevertColoursQuestion)) return false;
  config.BackgroundColour = kWhite;
  config.BorderColour = kTeal;
  config.GridColour = kBlack;
  config.EutOkColour = kLime;
  config.EutFailColour = kRed;
  config.AchievedColour = kBlue;
  config.PreScanColour = kGreen;
  return true;
}

std::string GridRangeText(float max_field) {
  return setup::FormatFixed(static_cast<double>(max_field), 5, 1);
}

bool AcceptGridRange(std::string_view text, float& max_field) {
  const auto value = setup::ParseDecimal(text);
  if (!value || !(*value > 0.0) || !(*value < kGridRangeLimit)) return false;
  const auto held = static_cast<float>(*value);
  // A value too small for single precision would make a grid of zero height.
  if (!(held > 0.0F)) return false;
  max_field = held;
  return true;
}

std::string NotesText(const std::array<std::string, records::kNoteLines>& lines) {
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += '\n';
    text += lines[i];
  }
  return text;
}

void StoreNotes(std::string_view text, std::array<std::string, records::kNoteLines>& lines) {
  for (std::string& line : lines) {
    if (text.empty()) {
      line.clear();
      continue;
    }
    const std::size_t end = text.find('\n');
    std::string_view taken = text.substr(0, end);
    if (!taken.empty() && taken.back() == '\r') taken.remove_suffix(1);
    line.assign(taken);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
  }
}

std::string LimitNotesEdit(const std::string& previous, std::string edited) {
  if (edited.size() > screen::kNotesMaxChars && edited.size() > previous.size()) return previous;
  return edited;
}

void WriteDiagnosticsList(const std::string& path, const std::deque<std::string>& messages) {
  platform::TextWriter writer(path);
  for (const std::string& message : messages) writer.WriteLine(message);
  writer.Commit();
}

}  // namespace tarvos::station
