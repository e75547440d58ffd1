#include "engine/run_state.h"

namespace tarvos::engine {

std::string_view EndReasonMessage(EndReason reason) {
  switch (reason) {
    case EndReason::Completed:
      return "The Run has Ended. ";
    case EndReason::StoppedByUser:
      return "The Run has been Stopped by User. ";
    case EndReason::AmplifierFault:
      return "PA STATUS ERROR. Run Stopped. ";
    case EndReason::HardwareFault:
      return "HARDWARE FAULT. Run Stopped. ";
    case EndReason::EutFailure:
      return "Unfortunately, the Run has Ended on EUT Failure.";
    case EndReason::RangeError:
      return "RANGE CHANGE ERROR. Run Stopped";
    case EndReason::PreScanCompleted:
      return "The Pre-Scan has Ended. ";
    case EndReason::MaximumResults:
      return "The Run has Ended. (Maximum Results Allowed).";
    case EndReason::InvalidConditions:
      return "The Run has Ended. (Invalid Conditions).";
  }
  return {};
}

platform::MessageKind EndReasonKind(EndReason reason) {
  switch (reason) {
    case EndReason::Completed:
    case EndReason::StoppedByUser:
    case EndReason::PreScanCompleted:
      return platform::MessageKind::Information;
    default:
      return platform::MessageKind::Warning;
  }
}

}  // namespace tarvos::engine
