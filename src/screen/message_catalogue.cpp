#include "screen/message_catalogue.h"

#include <array>

namespace tarvos::screen {
namespace {

using platform::MessageKind;

constexpr std::array kEntries{
    msg::kDefaultsLoaded,
    msg::kCellSerialAtStart,
    msg::kUsbTextMissing,
    msg::kSalvoIniMissing,
    msg::kRecoveredRun,
    msg::kRecoveryNotRenamed,
    msg::kRecoveredRunBatch,
    msg::kRecoveredSingle,
    msg::kRecoveredPreScan,
    msg::kPreScanRecoveryNotRenamed,
    msg::kCellFileMissing,
    msg::kInvalidRange,
    msg::kSoftwareError1,
    msg::kCellFileError,
    msg::kInstallCellSerial,
    msg::kLoadCellCalibration,
    msg::kCellCopyFailed,
    msg::kNoCellInstalled,
    msg::kCellInstalled,
    msg::kInvalidString,
    msg::kInvalidDwell,
    msg::kInvalidStep,
    msg::kInvalidField,
    msg::kInvalidStart,
    msg::kInvalidEnd,
    msg::kEndBelowStart,
    msg::kInvalidSingleFrequency,
    msg::kInvalidStartLevel,
    msg::kInvalidEndLevel,
    msg::kInvalidLevelStep,
    msg::kInvalidSingleDwell,
    msg::kNotCalibratedAtLevel,
    msg::kInvalidLevel,
    msg::kInvalidData,
    msg::kTestTypeQuestion,
    msg::kInvalidDelimiter,
    msg::kOverwritePreScan,
    msg::kCannotReachSetPoint,
    msg::kFrequencyTooHigh,
    msg::kFrequencyTooLow,
    msg::kDisconnectAmplifiers,
    msg::kConnectAmplifier1,
    msg::kConnectAmplifier2,
    msg::kSwitchSalvoToAuto,
    msg::kRunEnded,
    msg::kRunStoppedByUser,
    msg::kPaStatusError,
    msg::kHardwareFault,
    msg::kEutFailure,
    msg::kRangeChangeError,
    msg::kPreScanEnded,
    msg::kMaximumResults,
    msg::kInvalidConditions,
    msg::kCloseQuestion,
    msg::kSynthSerialNotFound,
    msg::kSynthWriteError,
    msg::kSynthI2cWriteError,
    msg::kSalvoSerialNotFound,
    msg::kSalvoWriteError,
    msg::kSalvoI2cWriteError,
    msg::kSalvoRangeError,
    msg::kSalvoManualMode,
    msg::kAdapterProcessExited,
    msg::kAdapterProcessSignalled,
    msg::kAdapterProcessNoAnswer,
    msg::kAdapterProcessNotStarted,
    msg::kAdapterProcessVersion,
    msg::kAdapterProcessBadReply,
    msg::kAdapterProcessStuck,
    msg::kAdapterLibraryNotLoaded,
    msg::kAdapterLibraryExports,
    msg::kProgramFolderUnusable,
    msg::kProgramFolderInUse,
    msg::kOpenResultsTitle,
    msg::kLoadSetupTitle,
    msg::kUsePreScanTitle,
    msg::kSaveResultsTitle,
    msg::kSaveSetupTitle,
    msg::kSavePreScanTitle,
    msg::kOverwriteFile,
    msg::kNotAffected,
    msg::kSaveDiagnosticsTitle,
    msg::kRecoveryNotWritten,
    msg::kFileNotFound,
    msg::kPathNotFound,
    msg::kAccessDenied,
    msg::kFileInUse,
    msg::kDiskFull,
    msg::kTooManyOpenFiles,
    msg::kNameTooLong,
    msg::kDiskError,
    msg::kInvalidNumericInput,
    msg::kRunLogNotWritten,
    msg::kOpenRunLogTitle,
    msg::kNotARunLog,
    msg::kSaveRunLogTitle,
    msg::kSaveEutEffectsTitle,
    msg::kResumeOnlyScans,
    msg::kResumeNoResults,
    msg::kResumeAtFinish,
    msg::kResumeOffSteps,
    msg::kResumeNeedsPreScan,
    msg::kResumeQuestion,
    msg::kClearAllQuestion,
    msg::kRevertColoursQuestion,
    msg::kTitleInput,
    msg::kSillyFrequency,
    msg::kSillyRCounter,
    msg::kNotHexByte,
    msg::kTooManyBytes,
};

}  // namespace

std::span<const MessageEntry> MessageCatalogue() { return kEntries; }

bool MatchesPattern(std::string_view pattern, std::string_view text) {
  const std::size_t open = pattern.find('{');
  if (open == std::string_view::npos) return pattern == text;
  const std::size_t close = pattern.find('}', open);
  if (close == std::string_view::npos) return pattern == text;
  if (!text.starts_with(pattern.substr(0, open))) return false;
  const std::string_view rest = pattern.substr(close + 1);
  // The placeholder takes as much as the rest of the pattern lets it, trying each length.
  for (std::size_t taken = open; taken <= text.size(); ++taken) {
    if (MatchesPattern(rest, text.substr(taken))) return true;
  }
  return false;
}

const MessageEntry* FindMessage(TextShown shown, platform::MessageKind kind,
                                std::string_view text) {
  for (const MessageEntry& entry : kEntries) {
    if (entry.Shown != shown) continue;
    const bool kind_counts = shown == TextShown::Box || shown == TextShown::Question;
    if (kind_counts && entry.Kind != kind) continue;
    if (MatchesPattern(entry.Text, text)) return &entry;
  }
  return nullptr;
}

namespace {

std::string_view ShownName(const MessageEntry& entry) {
  switch (entry.Shown) {
    case TextShown::Box:
      if (entry.Kind == MessageKind::Information) return "information box";
      if (entry.Kind == MessageKind::Warning) return "warning box";
      if (entry.Kind == MessageKind::Error) return "error box";
      return "box";
    case TextShown::Question:
      return "question (Yes, No)";
    case TextShown::Input:
      return "input box (title, prompt)";
    case TextShown::FileDialog:
      return "file dialog (title)";
    case TextShown::FolderDialog:
      return "folder dialog (title)";
  }
  return "box";
}

// A cell of a Markdown table: no line breaks, and a bar is not a column.
std::string Cell(std::string_view text) {
  std::string cell;
  for (const char c : text) {
    if (c == '\n') {
      cell += "<br>";
    } else if (c == '|') {
      cell += "\\|";
    } else {
      cell += c;
    }
  }
  return cell;
}

}  // namespace

std::string MessageTable() {
  std::string table = "| text | shown as | when | what it means | what to do |\n";
  table += "|---|---|---|---|---|\n";
  for (const MessageEntry& entry : kEntries) {
    std::string text =
        entry.Text.empty() ? std::string("(no title)") : "\"" + Cell(entry.Text) + "\"";
    if (entry.Shown == TextShown::Input) {
      const auto [title, prompt] = InputTextsOf(entry);
      text = "\"" + Cell(title) + "\" / \"" + Cell(prompt) + "\"";
    }
    table += "| " + text + " | " + std::string(ShownName(entry)) + " | " + Cell(entry.When) +
             " | " + Cell(entry.Meaning) + " | " + Cell(entry.Action) + " |\n";
  }
  return table;
}

}  // namespace tarvos::screen
