#include "link/fault.h"

namespace tarvos::link {

const screen::MessageEntry& FaultEntry(FaultCode code, Unit unit) {
  namespace msg = screen::msg;
  static constexpr screen::MessageEntry kNone{};
  if (unit == Unit::Synthesiser) {
    switch (code) {
      case FaultCode::SerialNumberNotFound:
        return msg::kSynthSerialNotFound;
      case FaultCode::WriteError:
        return msg::kSynthWriteError;
      case FaultCode::I2cWriteError:
        return msg::kSynthI2cWriteError;
      default:
        return kNone;
    }
  }
  switch (code) {
    case FaultCode::SerialNumberNotFound:
      return msg::kSalvoSerialNotFound;
    case FaultCode::WriteError:
      return msg::kSalvoWriteError;
    case FaultCode::I2cWriteError:
      return msg::kSalvoI2cWriteError;
    case FaultCode::SalvoRangeError:
      return msg::kSalvoRangeError;
    case FaultCode::SalvoManualMode:
      return msg::kSalvoManualMode;
  }
  return kNone;
}

}  // namespace tarvos::link
