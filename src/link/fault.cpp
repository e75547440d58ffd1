#include "link/fault.h"

namespace tarvos::link {

std::string_view FaultMessage(FaultCode code) {
  switch (code) {
    case FaultCode::SerialNumberNotFound:
      return "Serial Number Not Found.";
    case FaultCode::WriteError:
      return "Write Error.";
    case FaultCode::I2cWriteError:
      return "I2C Write Error.";
    case FaultCode::SalvoRangeError:
      return "Salvo Range Error.";
    case FaultCode::SalvoManualMode:
      return "Salvo Set to Manual Mode.";
  }
  return {};
}

std::string_view FaultPrefix(Unit unit) {
  return unit == Unit::Synthesiser ? "Tarvos Fault : " : "Salvo Fault : ";
}

}  // namespace tarvos::link
