#include "records/run_log.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <system_error>

namespace tarvos::records {
namespace {

std::string Fixed(double value, int decimals) {
  if (!std::isfinite(value)) return {};
  std::array<char, 64> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                    std::chars_format::fixed, decimals);
  if (result.ec != std::errc()) return {};
  std::string text(buffer.data(), result.ptr);
  if (text == "-0" || text.find_first_not_of("-0.") == std::string::npos) {
    if (text.starts_with('-')) text.erase(0, 1);  // no "-0.00"
  }
  return text;
}

std::string Padded(int64_t value, int width) {
  std::string text = std::to_string(value < 0 ? -value : value);
  if (static_cast<int>(text.size()) < width) {
    text.insert(0, static_cast<std::size_t>(width) - text.size(), '0');
  }
  return value < 0 ? "-" + text : text;
}

std::optional<double> ReadDouble(std::string_view text) {
  if (text.empty()) return std::nullopt;
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

std::optional<int64_t> ReadInteger(std::string_view text) {
  if (text.empty()) return std::nullopt;
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::string Optional(const std::optional<double>& value, int decimals) {
  return value ? Fixed(*value, decimals) : std::string();
}

}  // namespace

std::string RunLogNumber(double value, int decimals) { return Fixed(value, decimals); }

namespace {

// The text as it is, or in quotes with its quotes doubled when it holds one of special.
std::string QuotedWhenHolding(std::string_view text, std::string_view special) {
  if (text.find_first_of(special) == std::string_view::npos) return std::string(text);
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

}  // namespace

std::string StartValue(std::string_view value) { return QuotedWhenHolding(value, ";=\""); }

std::string LogTimeText(const LocalDateTime& at) {
  return Padded(at.Year, 4) + "-" + Padded(at.Month, 2) + "-" + Padded(at.Day, 2) + " " +
         Padded(at.Hour, 2) + ":" + Padded(at.Minute, 2) + ":" + Padded(at.Second, 2) + "." +
         Padded(at.Millisecond, 3);
}

std::string RunLogName(const LocalDateTime& start) {
  return "run-" + Padded(start.Year, 4) + Padded(start.Month, 2) + Padded(start.Day, 2) + "-" +
         Padded(start.Hour, 2) + Padded(start.Minute, 2) + Padded(start.Second, 2);
}

std::string CsvField(std::string_view text) { return QuotedWhenHolding(text, ",\"\r\n"); }

std::string RunLogLine(const RunLogRow& row) {
  std::string line = CsvField(row.Time);
  line += ',' + Fixed(row.ElapsedS, 3);
  line += ',' + CsvField(row.Event);
  line += ',' + (row.Step ? std::to_string(*row.Step) : std::string());
  line += ',' + Optional(row.FrequencyMhz, 3);
  line += ',' + Optional(row.TargetVm, 2);
  line += ',' + Optional(row.LevelVm, 2);
  line += ',' + (row.Dac ? std::to_string(*row.Dac) : std::string());
  line += ',' + (row.Eut ? std::to_string(*row.Eut) : std::string());
  line += ',' + CsvField(row.Text);
  return line;
}

std::optional<std::vector<std::string>> ReadCsvRecord(std::string_view content,
                                                      std::size_t& pos) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  while (pos < content.size()) {
    const char c = content[pos];
    if (quoted) {
      if (c == '"') {
        if (pos + 1 < content.size() && content[pos + 1] == '"') {
          fields.back() += '"';
          pos += 2;
          continue;
        }
        quoted = false;
      } else {
        fields.back() += c;
      }
      ++pos;
      continue;
    }
    if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      fields.emplace_back();
    } else if (c == '\r' || c == '\n') {
      ++pos;
      if (c == '\r' && pos < content.size() && content[pos] == '\n') ++pos;
      return fields;
    } else {
      fields.back() += c;
    }
    ++pos;
  }
  if (quoted) return std::nullopt;
  return fields;
}

std::optional<std::vector<RunLogRow>> ReadRunLog(std::string_view content) {
  std::size_t pos = 0;
  const auto header = ReadCsvRecord(content, pos);
  if (!header) return std::nullopt;
  std::string joined;
  for (std::size_t i = 0; i < header->size(); ++i) joined += (i ? "," : "") + (*header)[i];
  if (joined != kRunLogHeader) return std::nullopt;
  constexpr std::size_t kFields = 10;
  std::vector<RunLogRow> rows;
  while (pos < content.size()) {
    const auto fields = ReadCsvRecord(content, pos);
    if (!fields) break;  // a quote left open: the event in progress when it stopped
    if (fields->size() != kFields) continue;
    const auto& f = *fields;
    RunLogRow row;
    row.Time = f[0];
    row.ElapsedS = ReadDouble(f[1]).value_or(0.0);
    row.Event = f[2];
    if (const auto step = ReadInteger(f[3]); step && *step >= 0 && *step <= UINT32_MAX) {
      row.Step = static_cast<uint32_t>(*step);
    }
    row.FrequencyMhz = ReadDouble(f[4]);
    row.TargetVm = ReadDouble(f[5]);
    row.LevelVm = ReadDouble(f[6]);
    row.Dac = ReadInteger(f[7]);
    row.Eut = ReadInteger(f[8]);
    row.Text = f[9];
    rows.push_back(std::move(row));
  }
  return rows;
}

std::vector<EutEpisode> EutEpisodes(const std::vector<RunLogRow>& rows) {
  std::vector<EutEpisode> episodes;
  std::optional<EutEpisode> open;
  double began_s = 0.0;
  double last_s = 0.0;
  const auto take_target = [](EutEpisode& episode, const std::optional<double>& target) {
    if (!target) return;
    episode.LowestTargetVm = std::min(episode.LowestTargetVm.value_or(*target), *target);
    episode.HighestTargetVm = std::max(episode.HighestTargetVm.value_or(*target), *target);
  };
  for (const RunLogRow& row : rows) {
    last_s = std::max(last_s, row.ElapsedS);
    if (row.Event == run_event::kStart || row.Event == run_event::kResume) {
      // A log holds one run; a second start closes what the first left open.
      if (open) {
        open->StillFailing = true;
        open->DurationS = std::max(0.0, last_s - began_s);
        episodes.push_back(*open);
        open.reset();
      }
      continue;
    }
    if (row.Event == run_event::kEutFault) {
      if (open) continue;
      EutEpisode episode;
      episode.FromMhz = row.FrequencyMhz.value_or(0.0);
      episode.ToMhz = episode.FromMhz;
      take_target(episode, row.TargetVm);
      began_s = row.ElapsedS;
      open = episode;
      continue;
    }
    if (!open) continue;
    if (row.Event == run_event::kEutOk) {
      open->DurationS = std::max(0.0, row.ElapsedS - began_s);
      episodes.push_back(*open);
      open.reset();
      continue;
    }
    if (row.Event == run_event::kStep || row.Event == run_event::kSample) {
      if (row.Event == run_event::kStep) ++open->Steps;
      if (row.FrequencyMhz) open->ToMhz = *row.FrequencyMhz;
      take_target(*open, row.TargetVm);
    }
  }
  if (open) {
    open->StillFailing = true;
    open->DurationS = std::max(0.0, last_s - began_s);
    episodes.push_back(*open);
  }
  return episodes;
}

namespace {

// The episodes of entries first to before end, from their EUT statuses.
std::vector<EutEpisode> EpisodesOfEntries(const engine::ResultStore& results, uint32_t end) {
  std::vector<EutEpisode> episodes;
  std::optional<EutEpisode> open;
  const uint32_t last = std::min<uint32_t>(end, engine::kEntries);
  for (uint32_t i = 1; i < last; ++i) {
    const engine::ResultPoint& entry = results.Entries[i];
    const double mhz = entry.Frequency / 1'000'000.0;
    if (entry.EutStatus == engine::kEutFault) {
      if (!open) {
        open = EutEpisode{};
        open->FromMhz = mhz;
      }
      open->ToMhz = mhz;
      ++open->Steps;
    } else if (open) {
      episodes.push_back(*open);
      open.reset();
    }
  }
  if (open) {
    open->StillFailing = true;
    episodes.push_back(*open);
  }
  return episodes;
}

}  // namespace

std::vector<EutEpisode> EutEpisodesOfResults(const engine::ResultStore& results) {
  return EpisodesOfEntries(results, results.NextIndex);
}

std::vector<EutEpisode> EutEpisodesOfRun(const std::vector<RunLogRow>& rows,
                                         const engine::ResultStore& results) {
  std::vector<EutEpisode> logged = EutEpisodes(rows);
  const auto resume = std::find_if(rows.begin(), rows.end(), [](const RunLogRow& row) {
    return row.Event == run_event::kResume && row.Step;
  });
  if (resume == rows.end()) return logged;
  std::vector<EutEpisode> episodes = EpisodesOfEntries(results, *resume->Step + 1);
  if (!episodes.empty() && episodes.back().StillFailing) {
    EutEpisode& kept = episodes.back();
    kept.StillFailing = false;
    // Failing at the last kept result and again from the step that went on: one episode,
    // whose time before the resume is not known.
    if (!logged.empty() && resume->FrequencyMhz &&
        Fixed(logged.front().FromMhz, 3) == Fixed(*resume->FrequencyMhz, 3)) {
      kept.ToMhz = logged.front().ToMhz;
      kept.Steps += logged.front().Steps;
      kept.LowestTargetVm = logged.front().LowestTargetVm;
      kept.HighestTargetVm = logged.front().HighestTargetVm;
      kept.StillFailing = logged.front().StillFailing;
      logged.erase(logged.begin());
    }
  }
  episodes.insert(episodes.end(), logged.begin(), logged.end());
  return episodes;
}

std::string EpisodeLine(const EutEpisode& episode) {
  std::string line = "eut fault: " + Fixed(episode.FromMhz, 3) + " MHz to " +
                     Fixed(episode.ToMhz, 3) + " MHz, " + std::to_string(episode.Steps) +
                     (episode.Steps == 1 ? " step" : " steps");
  if (episode.LowestTargetVm && episode.HighestTargetVm) {
    line += ", " + Fixed(*episode.LowestTargetVm, 2);
    if (Fixed(*episode.HighestTargetVm, 2) != Fixed(*episode.LowestTargetVm, 2)) {
      line += " to " + Fixed(*episode.HighestTargetVm, 2);
    }
    line += " V/m";
  }
  if (episode.DurationS) line += ", " + Fixed(*episode.DurationS, 1) + " s";
  if (episode.StillFailing) line += ", still failing at the end";
  return line;
}

std::vector<std::string> EpisodeLines(const std::vector<EutEpisode>& episodes) {
  if (episodes.empty()) return {"eut fault: none"};
  std::vector<std::string> lines;
  lines.reserve(episodes.size());
  for (const EutEpisode& episode : episodes) lines.push_back(EpisodeLine(episode));
  return lines;
}

std::string EpisodesCsv(const std::vector<EutEpisode>& episodes) {
  std::string content = std::string(kEpisodesHeader) + "\r\n";
  int number = 0;
  for (const EutEpisode& episode : episodes) {
    content += std::to_string(++number) + ',' + Fixed(episode.FromMhz, 3) + ',' +
               Fixed(episode.ToMhz, 3) + ',' + std::to_string(episode.Steps) + ',' +
               Optional(episode.LowestTargetVm, 2) + ',' + Optional(episode.HighestTargetVm, 2) +
               ',' + Optional(episode.DurationS, 1) + ',' + (episode.StillFailing ? "yes" : "no") +
               "\r\n";
  }
  return content;
}

}  // namespace tarvos::records
