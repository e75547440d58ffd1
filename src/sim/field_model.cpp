#include "sim/field_model.h"

#include <algorithm>
#include <cmath>

namespace tarvos::sim {
namespace {

// A Butterworth-like edge: 1 well inside the band, falling as (f / corner)^order outside.
double LowEdge(double f_mhz, double corner_mhz, double order) {
  return 1.0 / (1.0 + std::pow(corner_mhz / f_mhz, order));
}
double HighEdge(double f_mhz, double corner_mhz, double order) {
  return 1.0 / (1.0 + std::pow(f_mhz / corner_mhz, order));
}

// Geometric interpolation of the saturated field between two band frequencies.
double LogBetween(double f_mhz, double f1, double e1, double f2, double e2) {
  const double t = std::clamp(std::log(f_mhz / f1) / std::log(f2 / f1), 0.0, 1.0);
  return e1 * std::pow(e2 / e1, t);
}

// The saturated field of each amplifier into the cell (V/m): the cell takes less power
// well at the top of amplifier 1's band, which is why 20 V/m at 1 GHz is out of reach.
double SaturatedField(Amplifier amplifier, double f_mhz) {
  if (amplifier == Amplifier::kAmplifier1) return LogBetween(f_mhz, 30.0, 32.0, 1000.0, 18.0);
  return LogBetween(f_mhz, 800.0, 18.5, 4200.0, 15.0);
}

// Small-signal slope (V/m at full drive if nothing saturated), with a gentle ripple.
double SmallSignalGain(double f_mhz) {
  return 38.0 * (1.0 + 0.08 * std::sin(3.0 * std::log(f_mhz)));
}

}  // namespace

double AmplifierResponse(Amplifier amplifier, double frequency_mhz) {
  if (frequency_mhz <= 0.0) return 0.0;
  switch (amplifier) {
    case Amplifier::kAmplifier1:
      return LowEdge(frequency_mhz, 25.0, 20.0) * HighEdge(frequency_mhz, 1040.0, 80.0);
    case Amplifier::kAmplifier2:
      return LowEdge(frequency_mhz, 760.0, 60.0) * HighEdge(frequency_mhz, 4400.0, 40.0);
    case Amplifier::kNone:
      break;
  }
  return 0.0;
}

double FieldStrength(Amplifier amplifier, double frequency_mhz, double drive) {
  const double response = AmplifierResponse(amplifier, frequency_mhz);
  if (response <= 0.0) return 0.0;
  const double saturated = SaturatedField(amplifier, frequency_mhz);
  const double x = std::clamp(drive, 0.0, 1.0);
  return response * saturated * std::tanh(SmallSignalGain(frequency_mhz) * x / saturated);
}

}  // namespace tarvos::sim
