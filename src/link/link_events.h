#pragma once

#include <cstdint>

namespace tarvos::link {

// What the link tells the layer above it (the engine, wired by the station).
class LinkEvents {
 public:
  virtual ~LinkEvents() = default;

  // A synthesiser status byte (status and cannot-reach messages), in arrival order.
  virtual void StatusByte(uint8_t status) = 0;
  // Every cannot-reach message, after its status byte. The listener decides whether
  // to ask the operator (a run is active and no question is pending).
  virtual void CannotReachSetPoint() = 0;
  // After every fault report: the enabled state of the run controls may have changed.
  virtual void ControlsChanged() = 0;
  // A run phase other than 0 is in force.
  virtual bool RunPhaseActive() const = 0;
};

// For callers without an engine (start-up tests, tools): hears nothing, runs nothing.
class NoLinkEvents final : public LinkEvents {
 public:
  void StatusByte(uint8_t /*status*/) override {}
  void CannotReachSetPoint() override {}
  void ControlsChanged() override {}
  bool RunPhaseActive() const override { return false; }
};

}  // namespace tarvos::link
