#include "setup/level_profile.h"

#include <cmath>

#include "setup/number_forms.h"

namespace tarvos::setup {

double LevelAt(const LevelProfile& profile, uint32_t frequency_hz) {
  std::size_t i = kProfilePointsUsed - 1;
  for (std::size_t n = 0; n < kProfilePointsUsed; ++n) {
    if (frequency_hz <= profile.Points[n].Frequency) {
      i = n;
      break;
    }
  }
  const ProfilePoint& upper = profile.Points[i];
  if (i == 0) return upper.Level;
  const ProfilePoint& lower = profile.Points[i - 1];
  if (upper.Frequency == 0 || lower.Frequency == 0 || frequency_hz == 0) return 0.0;
  // Two points at one frequency: the step up or down happens there.
  if (upper.Frequency == lower.Frequency) return upper.Level;
  const double f = frequency_hz;
  const double f1 = lower.Frequency;
  const double f2 = upper.Frequency;
  const double l1 = lower.Level;
  const double l2 = upper.Level;
  return l1 + (l2 - l1) * std::log(f / f1) / std::log(f2 / f1);
}

double TargetLevelAt(const LevelProfile& profile, uint32_t frequency_hz, screen::Screen& screen) {
  const double level = LevelAt(profile, frequency_hz);
  screen.monitor.target = FormatFixed(level, 0, 2);
  return level;
}

}  // namespace tarvos::setup
