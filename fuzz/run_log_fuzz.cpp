// Any bytes as a run log: the reader takes only rows of the log's ten fields, every number
// it keeps is finite, and the episodes made from the rows are sound (their durations not
// negative, their lowest target not above their highest) and print.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "link_fuzz_rig.h"
#include "records/run_log.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarvos::records;
  using tarvos::fuzz::Check;
  const std::string_view content(reinterpret_cast<const char*>(data), size);
  // Half the inputs start with the header, so that the rows are reached.
  const std::string text =
      size > 0 && data[0] % 2 == 0 ? std::string(kRunLogHeader) + "\r\n" + std::string(content)
                                   : std::string(content);
  const auto rows = ReadRunLog(text);
  if (!rows) return 0;
  for (const RunLogRow& row : *rows) {
    Check(std::isfinite(row.ElapsedS), "a finite elapsed time");
    for (const auto& value : {row.FrequencyMhz, row.TargetVm, row.LevelVm}) {
      Check(!value || std::isfinite(*value), "finite numbers");
    }
    const std::string line = RunLogLine(row);
    Check(!line.empty(), "a row writes back");
  }
  for (const EutEpisode& episode : EutEpisodes(*rows)) {
    Check(!episode.DurationS || *episode.DurationS >= 0.0, "no negative duration");
    Check(!episode.LowestTargetVm || *episode.LowestTargetVm <= *episode.HighestTargetVm,
          "the lowest target is not above the highest");
    Check(!EpisodeLine(episode).empty(), "an episode prints");
  }
  return 0;
}
