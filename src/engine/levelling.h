#pragma once

#include <cstdint>
#include <functional>

#include "engine/engine_context.h"

namespace tarvos::engine {

// Whether the auto-increase ramp may send the level: it is not above the end level less
// one step.
bool RampGoesOn(const setup::TestSetup& setup, float level);

// Brings the field to the target of the current step and measures what was reached,
// and supervises every status byte the synthesiser reports.
class Levelling {
 public:
  // end_run: the end-of-run routine, for the operator's Yes to the cannot-reach question.
  Levelling(EngineContext& context, std::function<void(EndReason)> end_run)
      : context_(context), end_run_(std::move(end_run)) {}

  // The target and set point of the current step and the level command; the frequency
  // first when asked. Single frequency with auto increase past the ramp's end sends
  // nothing and ends the run.
  void IssueLevelCommand(bool with_frequency);
  // Asks for and reads the probe and DAC values.
  void ReadLevel();
  // One read-back pass: reads, stores the level and frequency at next index; true when
  // the step may be recorded (a DAC value came, or the settle timer ran out).
  bool ReadBack();
  // The level of the entry at next index from a probe value.
  double LevelFromProbe(uint16_t probe) const;

  // The set point of a level at a frequency, from the cell (refreshes the probe scale).
  uint16_t Drive(uint32_t frequency_hz, double level);

  void HandleStatusByte(uint8_t status);
  void CannotReachSetPoint();

 private:
  // The target level and set point of a scan step at the current frequency; a target
  // outside (0, 100) keeps the previous ones.
  void ScanTarget();
  bool RangeOk(uint8_t status) const;

  EngineContext& context_;
  std::function<void(EndReason)> end_run_;
};

}  // namespace tarvos::engine
