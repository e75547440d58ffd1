#pragma once

#include <vector>

namespace tarvos::sim {

// A band in which the equipment under test fails once the field reaches its threshold.
struct EutBand {
  double FromMhz = 0.0;
  double ToMhz = 0.0;
  double ThresholdVm = 0.0;
};

using EutProfile = std::vector<EutBand>;

// Fails from 2.5 V/m in 150 to 160 MHz and from 8 V/m in 430 to 440 MHz.
EutProfile DefaultEutProfile();

// True when the field at the frequency is at or above the threshold of a band that holds
// the frequency (band edges included).
bool EutFails(const EutProfile& profile, double frequency_mhz, double field_vm);

}  // namespace tarvos::sim
