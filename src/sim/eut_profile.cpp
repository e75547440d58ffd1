#include "sim/eut_profile.h"

#include <algorithm>

namespace tarvos::sim {

EutProfile DefaultEutProfile() { return {{150.0, 160.0, 2.5}, {430.0, 440.0, 8.0}}; }

bool EutFails(const EutProfile& profile, double frequency_mhz, double field_vm) {
  return std::any_of(profile.begin(), profile.end(), [&](const EutBand& band) {
    return frequency_mhz >= band.FromMhz && frequency_mhz <= band.ToMhz &&
           field_vm >= band.ThresholdVm;
  });
}

}  // namespace tarvos::sim
