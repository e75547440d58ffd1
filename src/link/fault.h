#pragma once

#include <cstdint>
#include <string_view>

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

// The fault's own message, without the unit's prefix; empty for a value outside the enum.
std::string_view FaultMessage(FaultCode code);

// "Tarvos Fault : " or "Salvo Fault : ".
std::string_view FaultPrefix(Unit unit);

}  // namespace tarvos::link
