#include "app/batch_lines.h"

#include <array>

#include "platform/operator_texts.h"

namespace tarvos::app {
namespace {

using namespace batch_line;

constexpr std::array kLines = {
    &kNotAnOption,    &kUnknownOption,     &kGivenTwice,         &kTakesNoValue,
    &kNeedsValue,     &kUnknownBench,      &kBadSeed,            &kBadAnswer,
    &kBadStopAfter,   &kBatchOnly,         &kBatchAndResume,     &kPreScanResumed,
    &kPreScanFileAndPreScan, &kBatchMissing, &kResultsMissing,   &kProcessNeedsLibrary,
    &kSimulatorOnly,  &kUsageHint,         &kBatchUsageHint,     &kNoPrinting,
    &kNoDisplay,      &kAdapterLibrary,    &kAdapterWarning,     &kSamplesNotListed,
    &kSampleNotRead,  &kSampleNotCopied,   &kNoSynthesiser,      &kInterrupted,  &kNamedFile,
    &kNamedFileInProgramFolder, &kRunNotStarted, &kLogNotWritten, &kReportsNotPrinted,
    &kUnexpected};

// A table cell: a "|" would end it.
std::string Cell(std::string_view text) {
  std::string cell;
  for (const char c : text) {
    if (c == '|') cell += '\\';
    cell += c;
  }
  return cell;
}

std::string KindPrefix(const BatchLine& line) {
  return line.Kind.empty() ? std::string() : std::string(line.Kind) + ": ";
}

}  // namespace

std::span<const BatchLine* const> BatchLines() { return kLines; }

std::string Said(const BatchLine& line, std::initializer_list<std::string_view> values) {
  return KindPrefix(line) + platform::FillText(line.Text, values);
}

std::string BatchLinesTable() {
  std::string table = "| line | when | what it means and what to do |\n|---|---|---|\n";
  for (const BatchLine* line : kLines) {
    table += "| `" + Cell(KindPrefix(*line) + std::string(line->Text)) + "` | " + Cell(line->When) + " | " + Cell(line->Meaning) +
             " |\n";
  }
  return table;
}

}  // namespace tarvos::app
