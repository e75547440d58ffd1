#include "engine/single_frequency.h"

#include <cmath>
#include <limits>
#include <optional>

#include "calib/cell_drive.h"
#include "screen/messages.h"
#include "setup/number_forms.h"

namespace tarvos::engine {
namespace {

constexpr int kRestartTicks = 18;
constexpr float kLowestLevel = 0.1F;
constexpr float kFloorLevel = 0.01F;
constexpr double kHzPerMhz = 1'000'000.0;

std::string Fixed2(double value) { return setup::FormatFixed(value, 0, 2); }
std::string Mhz3(double hz) { return setup::FormatFixed(hz / kHzPerMhz, 0, 3); }

// A typed MHz value in whole Hz: the nearest integer to its single-precision value times
// 10^6. nullopt when that leaves the 32-bit range.
std::optional<int64_t> WholeHz(float mhz) {
  const double hz = std::nearbyint(double{mhz} * kHzPerMhz);
  if (!(hz >= 0.0 && hz <= std::numeric_limits<uint32_t>::max())) return std::nullopt;
  return static_cast<int64_t>(hz);
}

}  // namespace

void SingleFrequency::StepFrequency(bool up) {
  context_.Window.StripChart.SetEnabled(false);
  screen::SinglePanel& panel = context_.Screen.single;
  setup::TestSetup& setup = context_.Setup;
  const auto frequency = WholeHz(context_.Validate.ParseEntry(panel.frequency.text));
  const auto increment = WholeHz(context_.Validate.ParseEntry(panel.frequency_inc.text));
  std::optional<int64_t> stepped;
  if (frequency && increment) stepped = up ? *frequency + *increment : *frequency - *increment;
  if (!stepped || *stepped < 0 || *stepped > std::numeric_limits<uint32_t>::max()) {
    // A step out of the range of frequencies is refused: the frequency stays.
    panel.frequency.text = Mhz3(setup.CurrentFrequency);
    return;
  }
  // Held in single precision on the way, as the typed value is.
  const float single = static_cast<float>(*stepped);
  const double rounded = std::nearbyint(double{single});
  setup.CurrentFrequency = rounded > std::numeric_limits<uint32_t>::max()
                               ? std::numeric_limits<uint32_t>::max()
                               : static_cast<uint32_t>(rounded);
  panel.frequency.text = Mhz3(static_cast<double>(*stepped));
  context_.Run.RetuneRequest = true;
}

void SingleFrequency::LevelUp() {
  context_.Window.StripChart.SetEnabled(false);
  screen::Screen& screen = context_.Screen;
  const float max_field = context_.Cell.MaxField;
  const float level = context_.Validate.ParseEntry(screen.single.level.text);
  if (!(level > 0.0F && level <= max_field)) return;
  const float raised = level + context_.Validate.ParseEntry(screen.single.level_inc.text);
  // At or above the maximum it is shown but not taken; the retune's validation refuses it.
  if (raised < max_field) context_.Setup.SingleLevel = raised;
  screen.single.level.text = Fixed2(raised);
  screen.monitor.target = Fixed2(raised);
  context_.Run.RetuneRequest = true;
}

void SingleFrequency::LevelDown() {
  context_.Window.StripChart.SetEnabled(false);
  screen::Screen& screen = context_.Screen;
  const float level = context_.Validate.ParseEntry(screen.single.level.text);
  if (level <= kLowestLevel) return;
  float lowered = level - context_.Validate.ParseEntry(screen.single.level_inc.text);
  if (!(lowered > 0.0F)) lowered = kFloorLevel;
  context_.Setup.SingleLevel = lowered;
  screen.single.level.text = Fixed2(lowered);
  screen.monitor.target = Fixed2(lowered);
  context_.Run.RetuneRequest = true;
}

void SingleFrequency::FrequencyEdited() {
  // The run restarts from Start: nothing is sampled until the new step is held.
  context_.Window.StripChart.SetEnabled(false);
  screen::SinglePanel& panel = context_.Screen.single;
  setup::TestSetup& setup = context_.Setup;
  if (const auto hz = WholeHz(context_.Validate.ParseEntry(panel.frequency.text))) {
    setup.CurrentFrequency = static_cast<uint32_t>(*hz);
  }
  panel.frequency.text = Mhz3(setup.CurrentFrequency);
  context_.Timers.Dwell.Start(kRestartTicks);
  context_.Run.Phase = RunPhase::Start;
}

void SingleFrequency::LevelEdited() {
  screen::Screen& screen = context_.Screen;
  const float level = context_.Validate.ParseEntry(screen.single.level.text);
  if (level > 0.0F && level < context_.Cell.MaxField) {
    context_.Window.StripChart.SetEnabled(false);
    screen.single.level.text = Fixed2(level);
    screen.monitor.target = Fixed2(level);
    context_.Timers.Dwell.Start(kRestartTicks);
    context_.Run.Phase = RunPhase::Start;
    return;
  }
  screen::Tell(context_.Op, screen::msg::kInvalidField);
  screen.single.level.text = Fixed2(context_.Setup.SingleLevel);
}

void SingleFrequency::ModulationDelayTick() {
  context_.Window.ModulationDelay.SetEnabled(false);
  // A dwell shorter than the delay is over by now: the next step is levelling.
  if (context_.Run.Phase == RunPhase::Dwell) context_.Window.StripChart.SetEnabled(true);
}

void SingleFrequency::StripChartTick() {
  // Only a held field is sampled. A sample taken while a step levels (after a restart,
  // or when the cannot-reach question sent the run on) would move the entry that the
  // step is measuring into.
  if (context_.Run.Phase != RunPhase::Dwell) {
    context_.Window.StripChart.SetEnabled(false);
    return;
  }
  ResultStore& results = context_.Results;
  setup::TestSetup& setup = context_.Setup;
  screen::Screen& screen = context_.Screen;
  const std::size_t index = EntryIndex(results.NextIndex);

  // Not sent: it refreshes the probe scale of this entry.
  calib::CellDrive(context_.Cell, setup.EndFrequency, setup.CurrentFrequency, setup.SingleLevel,
                   results, screen, context_.Op);
  context_.Access.SendSynth(next_is_status_ ? "03,22,00,04" : "03,21,01,04");
  next_is_status_ = !next_is_status_;

  const double scale = results.ProbeScale[index];
  const uint16_t probe = context_.Access.Link().ProbeValue;
  results.Entries[index].Level = scale == 0.0 ? static_cast<double>(probe) : static_cast<double>(probe) / scale;
  results.Entries[index].Frequency = setup.CurrentFrequency;

  auto& marks = screen.graph.time_marks;
  const std::string now = context_.TimeOfDay ? context_.TimeOfDay() : std::string();
  switch (index) {
    case 1:
    case 2:
    case 3:
      marks[0] = now;
      break;
    case 150:
      marks[1] = now;
      break;
    case 300:
      marks[2] = now;
      break;
    case 450:
      marks[3] = now;
      break;
    case kStripChartWindow:
      marks[4] = now;
      break;
    default:
      break;
  }
  std::size_t shown = index;
  if (index >= kStripChartWindow) {
    // The newest 450 samples move to the start of the window (the ramp may have taken
    // the index past 600).
    const std::size_t first = index - kStripChartKept + 1;
    for (std::size_t i = 0; i < kStripChartKept; ++i) {
      results.Entries[1 + i].Level = results.Entries[first + i].Level;
    }
    for (std::size_t slot = 0; slot + 1 < marks.size(); ++slot) marks[slot] = marks[slot + 1];
    marks[5] = now;
    results.NextIndex = kStripChartKept;
    shown = kStripChartKept;
  }

  Call(context_.Redraw);
  screen.monitor.actual = Fixed2(results.Entries[shown].Level);
  if (context_.Sampled) context_.Sampled(static_cast<uint32_t>(shown));
  ++results.NextIndex;
  // A handler inside the send's wait may have ended the run.
  const RunPhase phase = context_.Run.Phase;
  if (phase == RunPhase::Idle || phase == RunPhase::End) {
    context_.Window.StripChart.SetEnabled(false);
  }
}

}  // namespace tarvos::engine
