#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "screen/screen.h"

namespace tarvos::setup {

inline constexpr std::size_t kProfilePoints = 2000;
// Only the first points are looked at: as many as the custom grid has rows.
inline constexpr std::size_t kProfilePointsUsed = 30;

struct ProfilePoint {
  uint32_t Frequency = 0;  // Hz
  float Level = 0.0F;      // V/m
};

// The target level against frequency of a scan: two points of the standard scan, or the
// custom rows. Points are numbered from 1: Points[0] is point 1.
struct LevelProfile {
  std::array<ProfilePoint, kProfilePoints> Points{};
};

// The level of the profile at the frequency: the first point's level at or below it,
// interpolated in the logarithm of frequency between neighbours, extrapolated beyond the
// last used point. 0 where a neighbour or the frequency is 0; the upper neighbour's
// level where both neighbours have the same frequency.
double LevelAt(const LevelProfile& profile, uint32_t frequency_hz);

// LevelAt, also shown with two decimals in the monitor's Target field.
double TargetLevelAt(const LevelProfile& profile, uint32_t frequency_hz, screen::Screen& screen);

}  // namespace tarvos::setup
