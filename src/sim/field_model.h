#pragma once

namespace tarvos::sim {

// The amplifier whose output reaches the cell.
enum class Amplifier { kNone, kAmplifier1, kAmplifier2 };

// Relative gain of an amplifier at a frequency: about 1 inside its band (amplifier 1 30 to
// 1000 MHz, amplifier 2 about 800 to 4200 MHz), falling steeply outside it.
double AmplifierResponse(Amplifier amplifier, double frequency_mhz);

// The field in the cell (V/m) with the drive DAC at a fraction (0 to 1) of full scale: it
// rises about linearly at low drive and saturates towards the amplifier's maximum.
double FieldStrength(Amplifier amplifier, double frequency_mhz, double drive);

}  // namespace tarvos::sim
