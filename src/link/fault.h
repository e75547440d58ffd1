#pragma once

#include <cstdint>

#include "screen/messages.h"

namespace tarvos::link {

// The hardware faults the link reports; the values are the codes the instrument's
// service staff know them by.
enum class FaultCode : uint8_t {
  SerialNumberNotFound = 1,
  WriteError = 2,
  I2cWriteError = 6,
  SalvoRangeError = 8,
  SalvoManualMode = 9,
};

// The unit a fault belongs to.
enum class Unit : uint8_t { Synthesiser = 0, Salvo = 1 };

// The box of a unit's fault: "Tarvos Fault : Write Error. #{count}", "Salvo Fault :
// Salvo Range Error." and the like. An empty entry for a fault the unit cannot have.
const screen::MessageEntry& FaultEntry(FaultCode code, Unit unit);

}  // namespace tarvos::link
