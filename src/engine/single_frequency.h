#pragma once

#include <cstdint>

#include "engine/engine_context.h"

namespace tarvos::engine {

inline constexpr uint32_t kStripChartWindow = 600;
inline constexpr uint32_t kStripChartKept = 450;

// The single-frequency panel's controls and the strip chart.
class SingleFrequency {
 public:
  explicit SingleFrequency(EngineContext& context) : context_(context) {}

  void FrequencyUp() { StepFrequency(true); }
  void FrequencyDown() { StepFrequency(false); }
  void LevelUp();
  void LevelDown();
  // Leaving the Frequency or Level field, or Enter in it: restart from Start.
  void FrequencyEdited();
  void LevelEdited();

  // The modulation delay timer: the strip chart starts.
  void ModulationDelayTick();
  // One sample of the strip chart.
  void StripChartTick();

 private:
  void StepFrequency(bool up);

  EngineContext& context_;
  bool next_is_status_ = true;  // the strip chart's requests alternate
};

}  // namespace tarvos::engine
