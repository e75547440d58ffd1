#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "engine/engine_context.h"
#include "engine/levelling.h"
#include "engine/resume.h"
#include "link/link_events.h"

namespace tarvos::engine {

// A run from RUN or PRE-SCAN to its end: the phases, the end-of-run routine, the lamps
// and the enabling of the run controls. The loop runs inside the button's handler;
// handlers that run inside its waits only set flags or end the run.
class Sequencer final : public link::LinkEvents {
 public:
  explicit Sequencer(EngineContext& context);

  // The buttons.
  void PressRun();
  void PressPreScan();
  void PressDwell();
  // A scan interrupted earlier goes on at its point, started as RUN starts a run; its
  // setup is in force and the point has been checked (FindResumePoint).
  void PressResume(const ResumePoint& point);
  // Where the run in progress (or the last run) was resumed; none for a run from RUN.
  const std::optional<ResumePoint>& ResumedAt() const { return resume_; }

  // The loop; returns when the run has ended.
  void RunSequencer();
  void EndRun(EndReason reason);
  void UpdateLamps();
  void UpdateControls();
  // Ends the run in progress as stopped by the operator (closing the window); the loop
  // unwinds at its next pass.
  void AbandonRun();

  // Window timers.
  void StatusPollTick();
  void EutPulseTick();

  // Inside the loop (the RUN or PRE-SCAN handler is on the stack).
  bool InLoop() const { return depth_ > 0; }
  Levelling& Level() { return levelling_; }

  // LinkEvents
  void StatusByte(uint8_t status) override { levelling_.HandleStatusByte(status); }
  void CannotReachSetPoint() override { levelling_.CannotReachSetPoint(); }
  void ControlsChanged() override { UpdateControls(); }
  bool RunPhaseActive() const override { return context_.Run.Phase != RunPhase::Idle; }

 private:
  void Pass();
  void PhaseStart();
  void PhaseNextStep();
  void PhaseLevelling();
  void PhaseConfirm();
  void PhaseReadBack();
  void PhaseRecord();
  void PhaseDwell();
  void PhaseEnd();
  void GoTo(RunPhase phase);
  void EndNow(EndReason reason);
  // A run that cannot level is refused at Start.
  bool CanLevel() const;
  // The amplifier for the first frequency, the latch cleared: the first steps of both starts.
  void PrepareStart(uint32_t first_hz);
  // RUN's start of a run, from its beginning or from the resume point.
  void StartRun();
  void EndOfDwell();
  void SingleControlsByPhase();

  EngineContext& context_;
  Levelling levelling_;
  uint16_t ramp_index_ = 0;
  std::optional<ResumePoint> resume_;
  // The resumed result N as it was: it stands until the repeated step N records its own.
  std::optional<ResultPoint> resume_kept_;
  int depth_ = 0;
  // The end-of-run routine has run for this run (a handler may run it before End).
  bool end_run_done_ = false;
  // A pre-scan's DAC values, committed to the table only when the pre-scan is kept.
  std::array<uint16_t, kEntries> scratch_dac_{};
};

}  // namespace tarvos::engine
