#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tarvos::engine {

// Entries 0 to 2000; results occupy 1 to next index - 1. Entry 0 is the graph's anchor.
inline constexpr std::size_t kEntries = 2001;
inline constexpr uint32_t kMaxResults = 1995;

// EUT status of an entry.
inline constexpr uint16_t kEutNothing = 0;
inline constexpr uint16_t kEutOk = 1;
inline constexpr uint16_t kEutFault = 2;

struct ResultPoint {
  uint32_t Frequency = 0;  // Hz
  double Level = 0.0;      // V/m achieved
  uint16_t EutStatus = kEutNothing;
};

struct ResultStore {
  std::array<ResultPoint, kEntries> Entries{};
  uint32_t NextIndex = 0;
  // Probe units per V/m of the entry being measured; written by CellDrive.
  std::array<double, kEntries> ProbeScale = [] {
    std::array<double, kEntries> ones{};
    ones.fill(1.0);
    return ones;
  }();
  bool ResultsFromFile = false;
};

struct PreScanEntry {
  uint32_t Frequency = 0;  // Hz
  uint16_t DacValue = 0;
};

struct PreScanTable {
  std::array<PreScanEntry, kEntries> Entries{};
  bool Available = false;
};

// The index clamped into the tables, for writers that take next index as it stands.
inline std::size_t EntryIndex(uint32_t index) {
  return index < kEntries ? index : kEntries - 1;
}

}  // namespace tarvos::engine
