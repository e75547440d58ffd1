#include "station/message_catalogue.h"

#include <array>

namespace tarvos::station {
namespace {

using platform::MessageKind;
constexpr MessageKind kPlain = MessageKind::Plain;
constexpr MessageKind kInformation = MessageKind::Information;
constexpr MessageKind kWarning = MessageKind::Warning;
constexpr MessageKind kConfirmation = MessageKind::Confirmation;
constexpr MessageKind kError = MessageKind::Error;
constexpr TextShown kBox = TextShown::Box;
constexpr TextShown kQuestion = TextShown::Question;
constexpr TextShown kInput = TextShown::Input;
constexpr TextShown kFile = TextShown::FileDialog;
constexpr TextShown kFolder = TextShown::FolderDialog;

// The file errors of both systems, one entry per text, shown wherever a file is read or
// written.
constexpr std::string_view kFileWhen = "Opening, saving or installing a file.";

constexpr std::array kEntries = std::to_array<MessageEntry>({
    // --- starting up
    {kBox, kConfirmation, "INI File Missing or Corrupt. Defaults Loaded",
     "At start-up, when Tarvos.INI is not in the program folder or cannot be read.",
     "The first start, or the settings file was lost: the default settings are in force.",
     "Answer the cell serial number question that follows; the settings are saved when the "
     "program closes."},
    {kInput, kPlain, "Cell Serial Number|Enter Current Cell Serial Number",
     "At start-up, after the defaults were loaded.",
     "The serial number of the TEM cell in use: it names the cell's calibration file "
     "(cellNNNN.csv in the program folder).",
     "Type the number on the cell's plate (\"10\" for the simulated cell) and press OK."},
    {kBox, kPlain, "USB Text file Missing",
     "At start-up, when BrevantUSB.TXT is not in the program folder.",
     "The adapters' description file is missing or damaged. Nothing else depends on it: "
     "the adapters are found as before.",
     "Copy BrevantUSB.TXT from the installation into the program folder."},
    {kBox, kWarning, "Salvo.INI File not Found or Corrupt. Please Re Load",
     "At start-up, when a Salvo unit is found but Salvo.INI is missing or unreadable.",
     "The amplifier changeover frequency (line 4 of the file) is unknown; the one in force "
     "stays (1000 MHz at start-up).",
     "Copy Salvo.INI from the installation into the program folder and start again."},
    {kBox, kInformation, "Results of an unfinished run were saved as {name}\nTo finish the run, "
                         "open it (File > Open > Results + Setup) and choose Records > Resume Run.",
     "At start-up, when the program found the results file that a run in progress keeps "
     "(recovery.RF) left behind.",
     "The program or the computer stopped during a run. The results recorded up to then are "
     "in the file named.",
     "Open the file and choose Records > Resume Run to finish the scan, or keep it as it is."},
    {kBox, kError, "Results of an unfinished run are in recovery.RF, which could not be "
                   "renamed: {reason}",
     "At start-up, when recovery.RF was found but could not be renamed.",
     "The results are still in recovery.RF, and the next run will replace them.",
     "Copy recovery.RF elsewhere before starting a run, and check the folder's permissions."},
    {kQuestion, kWarning, "Cell File is Missing or Corrupt! Do You Want to Load Cell File ?",
     "At start-up and when a run starts, when the cell's calibration file cannot be read.",
     "There is no calibration for the cell serial number in force: no run can level.",
     "Answer Yes to install the cell file from a folder, or No and check the serial number."},
    {kBox, kWarning, "Invalid Range. 0-10 V/m Displayed. Check Calibration File",
     "When the cell file is read and its field range is not one the graph knows.",
     "The cell file's header names an unknown range; the graph shows 0 to 10 V/m.",
     "Check the cell file's first lines against the supplier's file."},
    {kBox, kPlain, "Tarvos Software Error 1",
     "Drawing the graph, when the cell file names a field range the graph does not know.",
     "The graph cannot scale its levels; they are drawn at its foot.",
     "Check the cell file's header against the supplier's file."},
    {kBox, kWarning, "Cell Characteristic File Error",
     "When a set point is looked up and the cell file has no usable row for the frequency.",
     "The calibration does not cover the frequency or level asked for.",
     "Check the cell file, or choose frequencies and levels inside the cell's range."},
    // --- installing a cell file
    {kInput, kPlain, "Cell Data|Enter Cell Serial Number : ",
     "Configure > Install Cell File...", "The serial number of the cell whose file is installed.",
     "Type the cell's serial number and press OK."},
    {kFolder, kPlain, "Load Cell Calibration", "Configure > Install Cell File..., after the serial number.",
     "Where the supplier's cell file (cellNNNN.csv) is.", "Choose the folder that holds it."},
    {kBox, kWarning, "Error Reading/Writing Cell data File",
     "Installing a cell file, when it cannot be read from the folder or written into the "
     "program folder.",
     "The file is not there under its name, or the program folder cannot be written.",
     "Check the folder chosen and the serial number."},
    {kBox, kWarning, "No Cell Data has been Installed", "After the box above.",
     "Nothing changed; the cell file in force is the one before.", "Try again with the right folder."},
    {kBox, kInformation, "Cell {serial} Data Successfully Installed",
     "Installing a cell file, when it was copied.", "The cell's calibration is in the program folder.",
     "Nothing."},
    // --- the setup
    {kBox, kWarning, "Invalid String : \"{text}\"",
     "Leaving a setup field whose text is not a number.", "The field's text cannot be read as a number.",
     "Type a number (a point for decimals)."},
    {kBox, kWarning, "Invalid Dwell Time", "Checking the setup, when the dwell is not 1 s or more.",
     "The dwell time is refused.", "Type a whole number of seconds."},
    {kBox, kWarning, "Invalid Step Size ", "Checking a scan, when the step is not above 0 %.",
     "The step is refused and the setup is not valid.", "Type a step in percent, such as 1."},
    {kBox, kWarning, "Invalid Field Strength",
     "Checking a scan, when the field is outside what the cell can give; in single frequency, "
     "a level step that would pass the cell's range.",
     "The field strength is refused, or the level is not changed.",
     "Type or step to a level within the cell's range."},
    {kBox, kWarning, "Invalid Start Frequency", "Checking a scan.",
     "The start frequency is outside the cell's range.", "Type a frequency the cell covers, in MHz."},
    {kBox, kWarning, "Invalid End Frequency", "Checking a scan.",
     "The finish frequency is outside the cell's range.", "Type a frequency the cell covers, in MHz."},
    {kBox, kWarning, "End Frequency Less than Start Frequency !", "Checking a scan.",
     "The finish lies below the start (or equals it).", "Type a finish above the start."},
    {kBox, kWarning, "Invalid Single Frequency", "Checking a single-frequency setup.",
     "The frequency is outside the cell's range.", "Type a frequency the cell covers."},
    {kBox, kWarning, "Invalid Start Level", "Checking a single-frequency ramp.",
     "The ramp's start level is refused.", "Type a level within the cell's range."},
    {kBox, kWarning, "Invalid End Level", "Checking a single-frequency ramp.",
     "The ramp's end level is refused.", "Type a level above the start level, within range."},
    {kBox, kWarning, "Invalid Step Size", "Checking a single-frequency ramp.",
     "The ramp's level step is refused.", "Type a step above 0 V/m."},
    {kBox, kWarning, "Invalid Single Dwell Time ", "Checking a single-frequency ramp.",
     "The ramp's dwell is refused.", "Type a whole number of seconds."},
    {kBox, kWarning, "Tarvos Not Calibrated at this Level",
     "Checking a single-frequency level above the cell's calibrated levels.",
     "The level can be asked for, but the calibration does not reach it.",
     "Use a lower level, or expect the levelling to stop short."},
    {kBox, kWarning, "Invalid Level", "Checking a single-frequency level.",
     "The level is refused.", "Type a level within the cell's range."},
    {kBox, kWarning, "Invalid Data. Please Correct",
     "Checking the custom grid, when a row's frequency or level is refused or the rows are "
     "not in rising frequency.",
     "The grid holds a row that cannot be used.", "Correct the rows shown."},
    {kQuestion, kConfirmation,
     "Changing Test Type will Disable Pre Scan Settings. Continue with Changes ?",
     "Changing the mode, the setup or opening a pre-scan while a pre-scan is loaded.",
     "A pre-scanned run only fits the setup of its pre-scan; the change drops the pre-scan.",
     "Yes drops it; No keeps the pre-scan and its setup."},
    {kBox, kPlain, "Invalid delimitor", "Configure > System..., accepting a blank delimiter field.",
     "The field delimiter of the files must be one character.", "Type one character, such as ;."},
    // --- running
    {kQuestion, kConfirmation, "Overwrite Existing Pre-Scan Data ?",
     "PRE-SCAN while a pre-scan is loaded.", "A new pre-scan replaces the one in force.",
     "Yes to pre-scan again, No to keep it."},
    {kQuestion, kConfirmation, "Tarvos Cannot Reach Set Point. Abandon Test ?",
     "During levelling, when the synthesiser reports that it cannot reach the level.",
     "The amplifier and cell cannot give the field asked for at this frequency.",
     "Yes ends the run; No goes on to the next step, leaving this one short."},
    {kBox, kPlain, "Frequency too High", "Sending a frequency above the synthesiser's range.",
     "The frequency was not sent.", "Keep to the cell's and synthesiser's range."},
    {kBox, kPlain, "Frequency too Low", "Sending a frequency below 10 MHz.",
     "The frequency was not sent.", "Keep to the cell's and synthesiser's range."},
    {kBox, kWarning, "Disconnect Power Amplifiers",
     "At the end of a run, when there is no Salvo unit.", "The amplifiers are changed by hand.",
     "Disconnect the amplifiers from the cell."},
    {kBox, kWarning, "Connect Power Amplifier 1",
     "When a run needs amplifier 1 and there is no Salvo unit.", "The amplifiers are changed by hand.",
     "Connect amplifier 1 and press OK."},
    {kBox, kWarning, "Connect Power Amplifier 2",
     "When a run needs amplifier 2 and there is no Salvo unit.", "The amplifiers are changed by hand.",
     "Connect amplifier 2 and press OK."},
    {kBox, kWarning, "Stop Test and switch Salvo to Auto",
     "When the Salvo unit reports that it is in manual mode.",
     "The program cannot choose the amplifier.", "Stop the test, switch the Salvo unit to Auto."},
    {kBox, kInformation, "The Run has Ended. ", "A run reached its last step.",
     "The results are complete.", "Save them (File > Save As > Results + Setup)."},
    {kBox, kInformation, "The Run has been Stopped by User. ", "After STOP, or closing the window in a run.",
     "The results recorded so far are kept.", "Save them, or resume the scan (Records > Resume Run)."},
    {kBox, kWarning, "PA STATUS ERROR. Run Stopped. ",
     "When the amplifier reports a fault twice in a row.",
     "The field was switched off and the run ended.",
     "Check the amplifier; once it is well, resume the scan."},
    {kBox, kWarning, "HARDWARE FAULT. Run Stopped. ",
     "When the synthesiser was lost for good (its third fault) during a run.",
     "The run cannot go on without the synthesiser.",
     "Check the adapter's cable and power, then start the program again and resume."},
    {kBox, kWarning, "Unfortunately, the Run has Ended on EUT Failure.",
     "When the EUT reports a fault with EUT Status \"Halt\" or \"Stop on EUT Fault\" checked.",
     "The EUT failed; the run stopped at once.",
     "Note the frequency (Records > EUT Effects...), then resume or start again."},
    {kBox, kWarning, "RANGE CHANGE ERROR. Run Stopped",
     "When the synthesiser's range does not follow the frequency.",
     "The range relays did not change over.", "Check the synthesiser, then resume."},
    {kBox, kInformation, "The Pre-Scan has Ended. ", "A pre-scan reached its last step.",
     "The pre-scan is kept (tempprescan.psc) and the next RUN replays it.",
     "Save it (File > Save As > Pre-Scans...) if it is to be used again."},
    {kBox, kWarning, "The Run has Ended. (Maximum Results Allowed).",
     "When a run recorded 1995 results.", "The store is full.",
     "Use a larger step or a narrower range."},
    {kBox, kWarning, "The Run has Ended. (Invalid Conditions).",
     "RUN with a setup that did not pass its checks.", "The run did not start.",
     "Correct the setup (the boxes before this one said what) and press RUN again."},
    {kQuestion, kConfirmation, "Close {model} ?", "Closing the window.",
     "In a run, closing stops it first.", "Yes closes, No stays."},
    // --- faults of the adapters and units
    {kBox, kWarning, "Tarvos Fault : Serial Number Not Found. #{count}",
     "When the synthesiser's adapter does not answer with its serial number.",
     "The adapter is not answering.", "Check the USB cable; after the third fault the program "
     "stops using the synthesiser."},
    {kBox, kWarning, "Tarvos Fault : Write Error. #{count}",
     "When a command to the synthesiser could not be written.",
     "The adapter did not take the command.",
     "Check the USB cable; after the third fault the program stops using the synthesiser."},
    {kBox, kWarning, "Tarvos Fault : I2C Write Error. #{count}",
     "When the synthesiser did not accept a command on its bus.",
     "The synthesiser did not take the command.",
     "Check the synthesiser's power; after the third fault the program stops using it."},
    {kBox, kWarning, "Salvo Fault : Serial Number Not Found.",
     "When the Salvo unit's adapter does not answer with its serial number.",
     "The adapter is not answering.", "Check the Salvo unit's USB cable."},
    {kBox, kWarning, "Salvo Fault : Write Error.", "When a command to the Salvo unit could not be written.",
     "The adapter did not take the command.", "Check the Salvo unit's USB cable."},
    {kBox, kWarning, "Salvo Fault : I2C Write Error.",
     "When the Salvo unit did not accept a command.", "The unit did not take the command.",
     "Check the Salvo unit's power."},
    {kBox, kWarning, "Salvo Fault : Salvo Range Error.",
     "When the Salvo unit reports an amplifier choice it cannot make.",
     "The amplifier asked for is not fitted.", "Check the amplifier configuration (Configure)."},
    {kBox, kWarning, "Salvo Fault : Salvo Set to Manual Mode.",
     "When the Salvo unit is switched to manual.", "The program cannot choose the amplifier.",
     "Switch the Salvo unit to Auto."},
    {kBox, kWarning, "The adapter process has ended (exit code {code}).",
     "With --adapter-process, when the helper holding the adapter library ended.",
     "The vendor's library failed; the adapters are lost and a run ends as if both were "
     "unplugged.",
     "Choose Enumerate all USB Devices in the Test Form, or start the program again."},
    {kBox, kWarning, "The adapter process has ended (signal {number}).",
     "With --adapter-process, when the helper was killed.", "As above.", "As above."},
    {kBox, kWarning, "The adapter process has ended (no answer in {seconds} s).",
     "With --adapter-process, when the library did not return from a call in time.",
     "The library hung; the helper was ended.", "As above."},
    {kBox, kWarning, "The adapter process could not be started ({path}).",
     "With --adapter-process, when tarvos-adapters is missing beside the program.",
     "No adapters can be reached.", "Reinstall the program."},
    {kBox, kWarning, "The adapter process speaks another version ({version}).",
     "With --adapter-process, when tarvos-adapters belongs to another release.",
     "The helper and the program do not match.", "Reinstall the program."},
    {kBox, kWarning, "The adapter process sent a reply that does not fit its call.",
     "With --adapter-process, when the helper's answer is damaged.",
     "The helper was ended; the adapters are lost.", "Start the program again."},
    {kBox, kError, "Cannot load adapter library {path}: {reason}",
     "Starting with --adapters PATH, when the library cannot be loaded.",
     "The program cannot start without its adapters.",
     "Check the path, and that the library has this program's bitness (64-bit), or use "
     "--adapter-process."},
    {kBox, kError, "Adapter library {path} does not export {names}",
     "Starting with --adapters PATH, when the library lacks calls the program needs.",
     "It is not the adapter library this program works with.", "Name the vendor's library."},
    {kBox, kError, "the program folder {path} cannot be used",
     "Starting, when the program folder cannot be made or written.",
     "Settings, cell files and results cannot be kept.",
     "Choose a folder you can write (--program-folder, or TARVOS_HOME)."},
    // --- files
    {kFile, kPlain, "Open Existing Results Files", "File > Open > Results + Setup...",
     "Choose a results file (.RF).", "Its results, setup, title and notes come back."},
    {kFile, kPlain, "Load Setup Procedure", "File > Open > Setup Only...",
     "Choose a setup file (.STP).", "Its setup comes into force."},
    {kFile, kPlain, "Use Pre-Scan Values", "File > Open > Pre-Scans...",
     "Choose a pre-scan file (.PSC).", "The next RUN replays it, with its own setup."},
    {kFile, kPlain, "Save Results + Setup", "File > Save As > Results + Setup...",
     "Where to save the results with their setup.", "Choose a name; an existing file is asked about."},
    {kFile, kPlain, "Save Setup Only", "File > Save As > Setup Only...",
     "Where to save the setup.", "Choose a name."},
    {kFile, kPlain, "Save Pre-Scan Values", "File > Save As > Pre-Scans...",
     "Where to save the pre-scan.", "Choose a name."},
    {kQuestion, kWarning, "Overwrite {path}?", "File > Save Results...",
     "The results are saved again under the name of the last Save As.",
     "Yes replaces the file; No leaves it."},
    {kBox, kInformation, "{path}    Not Affected", "After No to the question above.",
     "The file was left as it was.", "Nothing."},
    {kFile, kPlain, "", "Help > Diagnostics, Save List.",
     "Where to save the diagnostics list (a text file).", "Choose a name."},
    {kBox, kError, "The results of this run could not be saved to recovery.RF: {reason}",
     "During a run, when the results file kept for a crash cannot be written (said once a run).",
     "The run goes on, but a crash now would lose its results.",
     "Free disk space or fix the folder's permissions; save the results when the run ends."},
    {kBox, kError, "File not found", kFileWhen, "The file named is not there.",
     "Check the name and folder."},
    {kBox, kError, "Path not found", kFileWhen, "A folder on the way to the file is missing.",
     "Check the folder."},
    {kBox, kError, "File access denied", kFileWhen, "The file or folder may not be read or written.",
     "Check the permissions, or choose another folder."},
    {kBox, kError, "File access denied: {path} is in use by another program", kFileWhen,
     "Another program (an editor, a spreadsheet) holds the file open.", "Close it there and try again."},
    {kBox, kError, "Disk full", kFileWhen, "There is no room for the file.", "Free some space."},
    {kBox, kError, "Too many open files", kFileWhen, "The system ran out of file handles.",
     "Close other programs and try again."},
    {kBox, kError, "File name too long", kFileWhen, "The path is longer than the system allows.",
     "Choose a shorter name or folder."},
    {kBox, kError, "Disk read/write error", kFileWhen, "The disk failed to read or write.",
     "Check the disk; save elsewhere."},
    {kBox, kError, "Invalid numeric input", "Opening a results, setup or pre-scan file.",
     "A number in the file cannot be read.", "The file is damaged or is not one of this "
     "program's files; open another."},
    // --- the run log, the EUT's effects and resuming
    {kBox, kWarning, "The run log could not be written: {reason}",
     "When a run starts or goes on and its log file cannot be written (said once a run).",
     "The run goes on; its log is kept in memory only (Records > Run Log... can save it).",
     "Check the logs folder in the program folder."},
    {kFile, kPlain, "Open Run Log", "Records > Run Log..., Open...", "Choose a log (logs/run-*.csv).",
     "It is shown in the window."},
    {kBox, kWarning, "Not a run log: {name}", "Opening a file that is not a run log.",
     "The file does not start with the run log's heading.", "Choose a file from logs/."},
    {kFile, kPlain, "Save Run Log As", "Records > Run Log..., Save As...",
     "Where to save the log shown.", "Choose a name."},
    {kFile, kPlain, "Save EUT Effects As", "Records > EUT Effects..., Save As...",
     "Where to save the EUT's fault episodes (CSV).", "Choose a name."},
    {kBox, kWarning, "Only a standard or custom scan can be resumed.", "Records > Resume Run.",
     "The results are a single-frequency test's or a pre-scan's.", "Start the test again instead."},
    {kBox, kWarning, "There are no results to resume.", "Records > Resume Run.",
     "The store holds no results (a fresh start, Clear, or a pre-scan opened).",
     "Open the results to resume (File > Open > Results + Setup)."},
    {kBox, kWarning, "This scan has already reached its finish.", "Records > Resume Run.",
     "The scan is complete; there is nothing to go on with.", "Nothing."},
    {kBox, kWarning, "These results do not follow the steps of their setup; they cannot be "
                     "resumed.",
     "Records > Resume Run.",
     "The results' frequencies are not the steps their setup makes (the file was edited, or "
     "the step was changed during the run).",
     "Start the test again."},
    {kBox, kWarning, "A pre-scanned run can only be resumed with its pre-scan loaded.",
     "Records > Resume Run on a pre-scanned run's results.",
     "The pre-scan replayed by the run is not loaded.",
     "Open the pre-scan (File > Open > Pre-Scans...), then the results, then resume."},
    {kQuestion, kConfirmation, "Resume the run at {frequency} MHz (result {n}) ?",
     "Records > Resume Run.",
     "The scan goes on at its last result, which is measured again; the results before it stay.",
     "Yes starts at once, as RUN does; No changes nothing."},
    // --- the window's other commands
    {kQuestion, kConfirmation, "Clear all Results ?", "Display > Clear.",
     "The results in the store go (not the files).", "Yes clears them."},
    {kQuestion, kConfirmation, "Revert to Default Colours ?", "Display > Settings..., Default.",
     "The graph's colours go back to the defaults.", "Yes reverts them."},
    {kInput, kPlain, "{model} Test Title|Enter Display Title : ", "File > Title...",
     "The title shown on the graph and printed on the reports.", "Type it and press OK."},
    // --- the Test Form (engineers)
    {kBox, kPlain, "Silly Frequency Error", "Test Form, Calculate or I2C Transmit Packet.",
     "The PLL frequency or N counter is not a number.", "Type a number."},
    {kBox, kPlain, "Silly R Counter Error", "Test Form, Calculate or I2C Transmit Packet.",
     "The R counter is not a number in range.", "Type a whole number."},
    {kBox, kPlain, "\"{text}\" is not a hexadecimal byte (character {n})",
     "Test Form, Send I2C String.", "The string holds something other than hexadecimal bytes.",
     "Type bytes such as 03,20,00,04."},
    {kBox, kPlain, "More than {n} bytes: the command does not fit in one packet",
     "Test Form, Send I2C String.", "The string is too long for one packet.", "Send fewer bytes."},
});

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
    std::string text = entry.Text.empty() ? std::string("(no title)") : "\"" + Cell(entry.Text) + "\"";
    if (entry.Shown == TextShown::Input) {
      // "title|prompt": the two texts of the box.
      const std::size_t bar = entry.Text.find('|');
      text = "\"" + Cell(entry.Text.substr(0, bar)) + "\" / \"" + Cell(entry.Text.substr(bar + 1)) +
             "\"";
    }
    table += "| " + text + " | " + std::string(ShownName(entry)) + " | " + Cell(entry.When) +
             " | " + Cell(entry.Meaning) + " | " + Cell(entry.Action) + " |\n";
  }
  return table;
}

}  // namespace tarvos::station
