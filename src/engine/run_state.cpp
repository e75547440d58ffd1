#include "engine/run_state.h"

namespace tarvos::engine {

const screen::MessageEntry& EndReasonEntry(EndReason reason) {
  switch (reason) {
    case EndReason::Completed:
      return screen::msg::kRunEnded;
    case EndReason::StoppedByUser:
      return screen::msg::kRunStoppedByUser;
    case EndReason::AmplifierFault:
      return screen::msg::kPaStatusError;
    case EndReason::HardwareFault:
      return screen::msg::kHardwareFault;
    case EndReason::EutFailure:
      return screen::msg::kEutFailure;
    case EndReason::RangeError:
      return screen::msg::kRangeChangeError;
    case EndReason::PreScanCompleted:
      return screen::msg::kPreScanEnded;
    case EndReason::MaximumResults:
      return screen::msg::kMaximumResults;
    case EndReason::InvalidConditions:
      return screen::msg::kInvalidConditions;
  }
  static constexpr screen::MessageEntry kNone{};
  return kNone;
}

std::string_view EndReasonMessage(EndReason reason) { return EndReasonEntry(reason).Text; }

platform::MessageKind EndReasonKind(EndReason reason) { return EndReasonEntry(reason).Kind; }

}  // namespace tarvos::engine
