#pragma once

#include <cstdint>
#include <string_view>

#include "platform/operator.h"
#include "screen/messages.h"

namespace tarvos::engine {

enum class RunPhase : uint8_t {
  Idle = 0,
  Start = 1,
  NextStep = 2,
  Levelling = 3,
  Confirm = 4,
  ReadBack = 5,
  Record = 6,
  Dwell = 7,
  End = 9,
};

enum class EndReason : uint8_t {
  Completed = 0,
  StoppedByUser = 1,
  AmplifierFault = 2,
  HardwareFault = 3,  // the synthesiser was lost during the run
  EutFailure = 4,
  RangeError = 5,
  PreScanCompleted = 6,
  MaximumResults = 7,
  InvalidConditions = 8,
};

// The end-of-run message of a reason (an empty one for a reason out of range), its text
// and the kind of its box.
const screen::MessageEntry& EndReasonEntry(EndReason reason);
std::string_view EndReasonMessage(EndReason reason);
platform::MessageKind EndReasonKind(EndReason reason);

// What steers a run. The sequencer's tick timers live with the sequencer.
struct RunState {
  RunPhase Phase = RunPhase::Idle;
  bool Running = false;
  bool PreScanRunning = false;
  bool StopRequested = false;
  bool LoopDone = false;
  EndReason Reason = EndReason::Completed;
  bool DwellHold = false;
  bool LevellingActive = false;
  bool StatusBusy = false;
  bool StatusLevelReached = false;
  bool EutFaultLatched = false;
  bool AmplifierStrike = false;
  bool RangeStrike = false;
  bool RangeErrorTaken = false;
  bool EutPulsed = false;
  bool RetuneRequest = false;
  float TargetLevel = 0.0F;
  uint16_t LevelSetPoint = 0;
};

}  // namespace tarvos::engine
