#pragma once

namespace tarvos::sim {

// Faults of one adapter and the unit behind it. Counters give the number of calls still
// to be hit (each hit counts one down); -1 hits every call from now on; 0 is off.
struct UnitFaults {
  int ShortWrites = 0;        // an I2C write reports, and delivers, one byte fewer
  int ShortReads = 0;         // an I2C read returns one byte fewer than asked (15 of 16)
  int FailingPortWrites = 0;  // WriteIoPorts fails and leaves the output lines alone
  bool Unplugged = false;     // every call on the adapter fails, opening it too
  bool SerialFails = false;
  bool ConfigFails = false;
};

struct SynthFaults : UnitFaults {
  bool AmplifierFault = false;       // status bit 1, and bit 17 of the adapter's input port
  bool RangeMismatch = false;        // the status reports the other range bit
  bool UnreachableSetPoint = false;  // the loop saturates whatever the set point
};

struct SalvoFaults : UnitFaults {
  bool ManualMode = false;      // reports manual mode and ignores selections
  bool WrongAmplifier = false;  // connects, and reports, another selection than the one sent
};

// The faults in force on a simulated test set; tests change them at any moment.
// The synthesiser and Salvo parts apply to every adapter of that kind on the bench.
struct FaultPlan {
  SynthFaults Synth;
  SalvoFaults Salvo;
  UnitFaults Other;  // adapters that are neither
};

// Counts one hit off a fault counter; true when the call is to fail.
bool ConsumeFault(int& counter);

}  // namespace tarvos::sim
