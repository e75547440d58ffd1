#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "platform/operator.h"
#include "platform/operator_texts.h"

namespace tarvos::screen {

// How a text reaches the operator.
enum class TextShown {
  Box,          // a message box with OK
  Question,     // Yes and No
  Input,        // an input box: "title|prompt"
  FileDialog,   // the title of an open or save dialog
  FolderDialog  // the title of a folder dialog
};

// One text the program shows: how it is shown, its fixed parts with a {name} for each
// part that is filled in when it is shown (a path, a count, the model name), and what the
// operator's guide says about it.
struct MessageEntry {
  TextShown Shown = TextShown::Box;
  platform::MessageKind Kind = platform::MessageKind::Plain;
  std::string_view Text;
  std::string_view When;     // when it appears
  std::string_view Meaning;  // what it means
  std::string_view Action;   // what to do
};

// The entry's text with its {name} parts filled in by the values, in order.
std::string Fill(const MessageEntry& entry, std::initializer_list<std::string_view> values = {});

// The two texts of an input box's entry ("title|prompt").
struct InputTexts {
  std::string_view Title;
  std::string_view Prompt;
};
InputTexts InputTextsOf(const MessageEntry& entry);

// An input box of the entry ("title|prompt"), its {name} parts filled in by the values in
// order; nullopt on Cancel.
std::optional<std::string> AskInput(platform::Operator& op, const MessageEntry& entry,
                                    std::string_view initial,
                                    std::initializer_list<std::string_view> values = {});

// A box of the entry's own kind, with OK.
void Tell(platform::Operator& op, const MessageEntry& entry,
          std::initializer_list<std::string_view> values = {});
// A question of the entry's own kind; true for Yes.
bool Ask(platform::Operator& op, const MessageEntry& entry,
         std::initializer_list<std::string_view> values = {});

// Every text that goes through the operator's boxes, questions, input boxes and dialogs.
// Code shows these entries and no other text; the catalogue (message_catalogue.h) lists
// them all, in this order, for the checks and the operator's guide.
namespace msg {

using platform::MessageKind;
inline constexpr TextShown kBox = TextShown::Box;
inline constexpr TextShown kQuestion = TextShown::Question;
inline constexpr TextShown kInput = TextShown::Input;
inline constexpr TextShown kFile = TextShown::FileDialog;
inline constexpr TextShown kFolder = TextShown::FolderDialog;
inline constexpr MessageKind kPlain = MessageKind::Plain;
inline constexpr MessageKind kInformation = MessageKind::Information;
inline constexpr MessageKind kWarning = MessageKind::Warning;
inline constexpr MessageKind kConfirmation = MessageKind::Confirmation;
inline constexpr MessageKind kError = MessageKind::Error;

// The file errors of both systems are shown wherever a file is read or written.
inline constexpr std::string_view kFileWhen = "Opening, saving or installing a file.";

// starting up
inline constexpr MessageEntry kDefaultsLoaded{
    kBox,
    kConfirmation,
    "INI File Missing or Corrupt. Defaults Loaded",
    "At start-up, when Tarvos.INI is not in the program folder or cannot be read.",
    "The first start, or the settings file was lost: the default settings are in force.",
    "Answer the cell serial number question that follows; the settings are saved when the "
    "program closes."};
inline constexpr MessageEntry kCellSerialAtStart{
    kInput,
    kPlain,
    "Cell Serial Number|Enter Current Cell Serial Number",
    "At start-up, after the defaults were loaded.",
    "The serial number of the TEM cell in use: it names the cell's calibration file "
    "(cellNNNN.csv in the program folder).",
    "Type the number on the cell's plate (\"10\" for the simulated cell) and press OK."};
inline constexpr MessageEntry kUsbTextMissing{
    kBox,
    kPlain,
    "USB Text file Missing",
    "At start-up, when BrevantUSB.TXT is not in the program folder.",
    "The adapters' description file is missing or damaged. Nothing else depends on it: "
    "the adapters are found as before.",
    "Copy BrevantUSB.TXT from the installation into the program folder."};
inline constexpr MessageEntry kSalvoIniMissing{
    kBox,
    kWarning,
    "Salvo.INI File not Found or Corrupt. Please Re Load",
    "At start-up, when a Salvo unit is found but Salvo.INI is missing or unreadable.",
    "The amplifier changeover frequency (line 4 of the file) is unknown; the one in force "
    "stays (1000 MHz at start-up).",
    "Copy Salvo.INI from the installation into the program folder and start again."};
inline constexpr MessageEntry kRecoveredRun{
    kBox,
    kInformation,
    "Results of an unfinished run were saved as {name}\nTo finish the run, "
    "open it (File > Open > Results + Setup) and choose Records > Resume Run.",
    "At start-up, when the program found the results file that a run in progress keeps "
    "(recovery.RF) left behind.",
    "The program or the computer stopped during a run. The results recorded up to then are "
    "in the file named.",
    "Open the file and choose Records > Resume Run to finish the scan, or keep it as it is."};
inline constexpr MessageEntry kRecoveryNotRenamed{
    kBox,
    kError,
    "Results of an unfinished run are in recovery.RF, which could not be "
    "renamed: {reason}",
    "At start-up, when recovery.RF was found but could not be renamed.",
    "The results are still in recovery.RF, and the next run will replace them.",
    "Copy recovery.RF elsewhere before starting a run, and check the folder's permissions."};
inline constexpr MessageEntry kRecoveredRunBatch{
    kBox,
    kInformation,
    "Results of an unfinished run were saved as {path}\nTo finish the run: {program} "
    "--resume \"{path}\" --results OUT.RF",
    "At the start of a run without the window (--batch, --resume), when the program found "
    "the results file that a run in progress keeps (recovery.RF) left behind.",
    "The program or the computer stopped during a run. The results recorded up to then are "
    "in the file named.",
    "Run the command shown, with the results file to write in place of OUT.RF, to finish "
    "the scan; or open the file in the window and choose Records > Resume Run."};
inline constexpr MessageEntry kRecoveredSingle{
    kBox,
    kInformation,
    "Results of an unfinished single-frequency test were saved as {name}\nA "
    "single-frequency test is not resumed: open the file to see its results, or run the "
    "test again.",
    "At start-up, when the results file that a single-frequency test in progress keeps "
    "(recovery.RF) was left behind.",
    "The program or the computer stopped during a single-frequency test. Its results up to "
    "then are in the file named (its full path in a run without the window).",
    "Open the file (File > Open > Results + Setup) to look at them or print them; run the "
    "test again to go on."};
inline constexpr MessageEntry kRecoveredPreScan{
    kBox,
    kInformation,
    "A pre-scan was interrupted; what it had measured was saved as {name}\nA pre-scan "
    "cannot be resumed: to use one, run it again (PRE-SCAN).",
    "At start-up, when the program found the file that a pre-scan in progress keeps "
    "(recovery-prescan.RF) left behind.",
    "The program or the computer stopped during a pre-scan. Its drive levels are kept only "
    "when it ends, so the pre-scanned runs cannot use it.",
    "Press PRE-SCAN to run the pre-scan again; the file named can be opened to look at."};
inline constexpr MessageEntry kPreScanRecoveryNotRenamed{
    kBox,
    kError,
    "What an interrupted pre-scan had measured is in recovery-prescan.RF, which could not "
    "be renamed: {reason}",
    "At start-up, when recovery-prescan.RF was found but could not be renamed.",
    "The file stays, and the next pre-scan will replace it.",
    "Copy recovery-prescan.RF elsewhere to keep it, and check the folder's permissions."};
inline constexpr MessageEntry kCellFileMissing{
    kQuestion,
    kWarning,
    "Cell File is Missing or Corrupt! Do You Want to Load Cell File ?",
    "At start-up and when a run starts, when the cell's calibration file cannot be read.",
    "There is no calibration for the cell serial number in force: no run can level.",
    "Answer Yes to install the cell file from a folder, or No and check the serial number."};
inline constexpr MessageEntry kInvalidRange{
    kBox,
    kWarning,
    "Invalid Range. 0-10 V/m Displayed. Check Calibration File",
    "When the cell file is read and its field range is not one the graph knows.",
    "The cell file's header names an unknown range; the graph shows 0 to 10 V/m.",
    "Check the cell file's first lines against the supplier's file."};
inline constexpr MessageEntry kSoftwareError1{
    kBox,
    kPlain,
    "Tarvos Software Error 1",
    "Drawing the graph, when the cell file names a field range the graph does not know.",
    "The graph cannot scale its levels; they are drawn at its foot.",
    "Check the cell file's header against the supplier's file."};
inline constexpr MessageEntry kCellFileError{
    kBox,
    kWarning,
    "Cell Characteristic File Error",
    "When a set point is looked up and the cell file has no usable row for the frequency.",
    "The calibration does not cover the frequency or level asked for.",
    "Check the cell file, or choose frequencies and levels inside the cell's range."};

// installing a cell file
inline constexpr MessageEntry kInstallCellSerial{
    kInput,
    kPlain,
    "Cell Data|Enter Cell Serial Number : ",
    "Configure > Install Cell File...",
    "The serial number of the cell whose file is installed.",
    "Type the cell's serial number and press OK."};
inline constexpr MessageEntry kLoadCellCalibration{
    kFolder,
    kPlain,
    "Load Cell Calibration",
    "Configure > Install Cell File..., after the serial number.",
    "Where the supplier's cell file (cellNNNN.csv) is.",
    "Choose the folder that holds it."};
inline constexpr MessageEntry kCellCopyFailed{
    kBox,
    kWarning,
    "Error Reading/Writing Cell data File",
    "Installing a cell file, when it cannot be read from the folder or written into the "
    "program folder.",
    "The file is not there under its name, or the program folder cannot be written.",
    "Check the folder chosen and the serial number."};
inline constexpr MessageEntry kNoCellInstalled{
    kBox,
    kWarning,
    "No Cell Data has been Installed",
    "After the box above.",
    "Nothing changed; the cell file in force is the one before.",
    "Try again with the right folder."};
inline constexpr MessageEntry kCellInstalled{kBox,
                                             kInformation,
                                             "Cell {serial} Data Successfully Installed",
                                             "Installing a cell file, when it was copied.",
                                             "The cell's calibration is in the program folder.",
                                             "Nothing."};

// the setup
inline constexpr MessageEntry kInvalidString{kBox,
                                             kWarning,
                                             "Invalid String : \"{text}\"",
                                             "Leaving a setup field whose text is not a number.",
                                             "The field's text cannot be read as a number.",
                                             "Type a number (a point for decimals)."};
inline constexpr MessageEntry kInvalidDwell{
    kBox,
    kWarning,
    "Invalid Dwell Time",
    "Checking the setup, when the dwell is not 1 s or more.",
    "The dwell time is refused.",
    "Type a whole number of seconds."};
inline constexpr MessageEntry kInvalidStep{kBox,
                                           kWarning,
                                           "Invalid Step Size ",
                                           "Checking a scan, when the step is not above 0 %.",
                                           "The step is refused and the setup is not valid.",
                                           "Type a step in percent, such as 1."};
inline constexpr MessageEntry kInvalidField{
    kBox,
    kWarning,
    "Invalid Field Strength",
    "Checking a scan, when the field is outside what the cell can give; in single frequency, "
    "a level step that would pass the cell's range.",
    "The field strength is refused, or the level is not changed.",
    "Type or step to a level within the cell's range."};
inline constexpr MessageEntry kInvalidStart{kBox,
                                            kWarning,
                                            "Invalid Start Frequency",
                                            "Checking a scan.",
                                            "The start frequency is outside the cell's range.",
                                            "Type a frequency the cell covers, in MHz."};
inline constexpr MessageEntry kInvalidEnd{kBox,
                                          kWarning,
                                          "Invalid End Frequency",
                                          "Checking a scan.",
                                          "The finish frequency is outside the cell's range.",
                                          "Type a frequency the cell covers, in MHz."};
inline constexpr MessageEntry kEndBelowStart{kBox,
                                             kWarning,
                                             "End Frequency Less than Start Frequency !",
                                             "Checking a scan.",
                                             "The finish lies below the start (or equals it).",
                                             "Type a finish above the start."};
inline constexpr MessageEntry kInvalidSingleFrequency{kBox,
                                                      kWarning,
                                                      "Invalid Single Frequency",
                                                      "Checking a single-frequency setup.",
                                                      "The frequency is outside the cell's range.",
                                                      "Type a frequency the cell covers."};
inline constexpr MessageEntry kInvalidStartLevel{kBox,
                                                 kWarning,
                                                 "Invalid Start Level",
                                                 "Checking a single-frequency ramp.",
                                                 "The ramp's start level is refused.",
                                                 "Type a level within the cell's range."};
inline constexpr MessageEntry kInvalidEndLevel{kBox,
                                               kWarning,
                                               "Invalid End Level",
                                               "Checking a single-frequency ramp.",
                                               "The ramp's end level is refused.",
                                               "Type a level above the start level, within range."};
inline constexpr MessageEntry kInvalidLevelStep{kBox,
                                                kWarning,
                                                "Invalid Step Size",
                                                "Checking a single-frequency ramp.",
                                                "The ramp's level step is refused.",
                                                "Type a step above 0 V/m."};
inline constexpr MessageEntry kInvalidSingleDwell{kBox,
                                                  kWarning,
                                                  "Invalid Single Dwell Time ",
                                                  "Checking a single-frequency ramp.",
                                                  "The ramp's dwell is refused.",
                                                  "Type a whole number of seconds."};
inline constexpr MessageEntry kNotCalibratedAtLevel{
    kBox,
    kWarning,
    "Tarvos Not Calibrated at this Level",
    "Checking a single-frequency level above the cell's calibrated levels.",
    "The level can be asked for, but the calibration does not reach it.",
    "Use a lower level, or expect the levelling to stop short."};
inline constexpr MessageEntry kInvalidLevel{kBox,
                                            kWarning,
                                            "Invalid Level",
                                            "Checking a single-frequency level.",
                                            "The level is refused.",
                                            "Type a level within the cell's range."};
inline constexpr MessageEntry kInvalidData{
    kBox,
    kWarning,
    "Invalid Data. Please Correct",
    "Checking the custom grid, when a row's frequency or level is refused or the rows are "
    "not in rising frequency.",
    "The grid holds a row that cannot be used.",
    "Correct the rows shown."};
inline constexpr MessageEntry kTestTypeQuestion{
    kQuestion,
    kConfirmation,
    "Changing Test Type will Disable Pre Scan Settings. Continue with Changes ?",
    "Changing the mode, the setup or opening a pre-scan while a pre-scan is loaded.",
    "A pre-scanned run only fits the setup of its pre-scan; the change drops the pre-scan.",
    "Yes drops it; No keeps the pre-scan and its setup."};
inline constexpr MessageEntry kInvalidDelimiter{
    kBox,
    kPlain,
    "Invalid delimitor",
    "Configure > System..., accepting a blank delimiter field.",
    "The field delimiter of the files must be one character.",
    "Type one character, such as ;."};

// running
inline constexpr MessageEntry kOverwritePreScan{kQuestion,
                                                kConfirmation,
                                                "Overwrite Existing Pre-Scan Data ?",
                                                "PRE-SCAN while a pre-scan is loaded.",
                                                "A new pre-scan replaces the one in force.",
                                                "Yes to pre-scan again, No to keep it."};
inline constexpr MessageEntry kCannotReachSetPoint{
    kQuestion,
    kConfirmation,
    "Tarvos Cannot Reach Set Point. Abandon Test ?",
    "During levelling, when the synthesiser reports that it cannot reach the level.",
    "The amplifier and cell cannot give the field asked for at this frequency.",
    "Yes ends the run; No goes on to the next step, leaving this one short."};
inline constexpr MessageEntry kFrequencyTooHigh{
    kBox,
    kPlain,
    "Frequency too High",
    "Sending a frequency above the synthesiser's range.",
    "The frequency was not sent.",
    "Keep to the cell's and synthesiser's range."};
inline constexpr MessageEntry kFrequencyTooLow{kBox,
                                               kPlain,
                                               "Frequency too Low",
                                               "Sending a frequency below 10 MHz.",
                                               "The frequency was not sent.",
                                               "Keep to the cell's and synthesiser's range."};
inline constexpr MessageEntry kDisconnectAmplifiers{
    kBox,
    kWarning,
    "Disconnect Power Amplifiers",
    "At the end of a run, when there is no Salvo unit.",
    "The amplifiers are changed by hand.",
    "Disconnect the amplifiers from the cell."};
inline constexpr MessageEntry kConnectAmplifier1{
    kBox,
    kWarning,
    "Connect Power Amplifier 1",
    "When a run needs amplifier 1 and there is no Salvo unit.",
    "The amplifiers are changed by hand.",
    "Connect amplifier 1 and press OK."};
inline constexpr MessageEntry kConnectAmplifier2{
    kBox,
    kWarning,
    "Connect Power Amplifier 2",
    "When a run needs amplifier 2 and there is no Salvo unit.",
    "The amplifiers are changed by hand.",
    "Connect amplifier 2 and press OK."};
inline constexpr MessageEntry kSwitchSalvoToAuto{
    kBox,
    kWarning,
    "Stop Test and switch Salvo to Auto",
    "When the Salvo unit reports that it is in manual mode.",
    "The program cannot choose the amplifier.",
    "Stop the test, switch the Salvo unit to Auto."};
inline constexpr MessageEntry kRunEnded{kBox,
                                        kInformation,
                                        "The Run has Ended. ",
                                        "A run reached its last step.",
                                        "The results are complete.",
                                        "Save them (File > Save As > Results + Setup)."};
inline constexpr MessageEntry kRunStoppedByUser{
    kBox,
    kInformation,
    "The Run has been Stopped by User. ",
    "After STOP, or closing the window in a run.",
    "The results recorded so far are kept.",
    "Save them, or resume the scan (Records > Resume Run)."};
inline constexpr MessageEntry kPaStatusError{
    kBox,
    kWarning,
    "PA STATUS ERROR. Run Stopped. ",
    "When the amplifier reports a fault twice in a row.",
    "The field was switched off and the run ended.",
    "Check the amplifier; once it is well, resume the scan."};
inline constexpr MessageEntry kHardwareFault{
    kBox,
    kWarning,
    "HARDWARE FAULT. Run Stopped. ",
    "When the synthesiser was lost for good (its third fault) during a run.",
    "The run cannot go on without the synthesiser.",
    "Check the adapter's cable and power, then start the program again and resume."};
inline constexpr MessageEntry kEutFailure{
    kBox,
    kWarning,
    "Unfortunately, the Run has Ended on EUT Failure.",
    "When the EUT reports a fault with EUT Status \"Halt\" or \"Stop on EUT Fault\" checked.",
    "The EUT failed; the run stopped at once.",
    "Note the frequency (Records > EUT Effects...), then resume or start again."};
inline constexpr MessageEntry kRangeChangeError{
    kBox,
    kWarning,
    "RANGE CHANGE ERROR. Run Stopped",
    "When the synthesiser's range does not follow the frequency.",
    "The range relays did not change over.",
    "Check the synthesiser, then resume."};
inline constexpr MessageEntry kPreScanEnded{
    kBox,
    kInformation,
    "The Pre-Scan has Ended. ",
    "A pre-scan reached its last step.",
    "The pre-scan is kept (tempprescan.psc) and the next RUN replays it.",
    "Save it (File > Save As > Pre-Scans...) if it is to be used again."};
inline constexpr MessageEntry kMaximumResults{kBox,
                                              kWarning,
                                              "The Run has Ended. (Maximum Results Allowed).",
                                              "When a run recorded 1995 results.",
                                              "The store is full.",
                                              "Use a larger step or a narrower range."};
inline constexpr MessageEntry kInvalidConditions{
    kBox,
    kWarning,
    "The Run has Ended. (Invalid Conditions).",
    "RUN with a setup that did not pass its checks.",
    "The run did not start.",
    "Correct the setup (the boxes before this one said what) and press RUN again."};
inline constexpr MessageEntry kCloseQuestion{kQuestion,
                                             kConfirmation,
                                             "Close {model} ?",
                                             "Closing the window.",
                                             "In a run, closing stops it first.",
                                             "Yes closes, No stays."};

// faults of the adapters and units
inline constexpr MessageEntry kSynthSerialNotFound{
    kBox,
    kWarning,
    "Tarvos Fault : Serial Number Not Found. #{count}",
    "When the synthesiser's adapter does not answer with its serial number.",
    "The adapter is not answering.",
    "Check the USB cable; after the third fault the program "
    "stops using the synthesiser."};
inline constexpr MessageEntry kSynthWriteError{
    kBox,
    kWarning,
    "Tarvos Fault : Write Error. #{count}",
    "When a command to the synthesiser could not be written.",
    "The adapter did not take the command.",
    "Check the USB cable; after the third fault the program stops using the synthesiser."};
inline constexpr MessageEntry kSynthI2cWriteError{
    kBox,
    kWarning,
    "Tarvos Fault : I2C Write Error. #{count}",
    "When the synthesiser did not accept a command on its bus.",
    "The synthesiser did not take the command.",
    "Check the synthesiser's power; after the third fault the program stops using it."};
inline constexpr MessageEntry kSalvoSerialNotFound{
    kBox,
    kWarning,
    "Salvo Fault : Serial Number Not Found.",
    "When the Salvo unit's adapter does not answer with its serial number.",
    "The adapter is not answering.",
    "Check the Salvo unit's USB cable."};
inline constexpr MessageEntry kSalvoWriteError{
    kBox,
    kWarning,
    "Salvo Fault : Write Error.",
    "When a command to the Salvo unit could not be written.",
    "The adapter did not take the command.",
    "Check the Salvo unit's USB cable."};
inline constexpr MessageEntry kSalvoI2cWriteError{kBox,
                                                  kWarning,
                                                  "Salvo Fault : I2C Write Error.",
                                                  "When the Salvo unit did not accept a command.",
                                                  "The unit did not take the command.",
                                                  "Check the Salvo unit's power."};
inline constexpr MessageEntry kSalvoRangeError{
    kBox,
    kWarning,
    "Salvo Fault : Salvo Range Error.",
    "When the Salvo unit reports an amplifier choice it cannot make.",
    "The amplifier asked for is not fitted.",
    "Check the amplifier configuration (Configure)."};
inline constexpr MessageEntry kSalvoManualMode{kBox,
                                               kWarning,
                                               "Salvo Fault : Salvo Set to Manual Mode.",
                                               "When the Salvo unit is switched to manual.",
                                               "The program cannot choose the amplifier.",
                                               "Switch the Salvo unit to Auto."};
inline constexpr MessageEntry kAdapterProcessExited{
    kBox,
    kWarning,
    platform::kAdapterProcessExitedText,
    "With --adapter-process, when the helper holding the adapter library ended.",
    "The vendor's library failed; the adapters are lost and a run ends as if both were "
    "unplugged.",
    "Choose Enumerate all USB Devices in the Test Form, or start the program again."};
inline constexpr MessageEntry kAdapterProcessSignalled{
    kBox,
    kWarning,
    platform::kAdapterProcessSignalledText,
    "With --adapter-process, when the helper was killed.",
    "As above.",
    "As above."};
inline constexpr MessageEntry kAdapterProcessNoAnswer{
    kBox,
    kWarning,
    platform::kAdapterProcessNoAnswerText,
    "With --adapter-process, when the library did not return from a call in time.",
    "The library hung; the helper was ended.",
    "As above."};
inline constexpr MessageEntry kAdapterProcessNotStarted{
    kBox,
    kWarning,
    platform::kAdapterProcessNotStartedText,
    "With --adapter-process, when tarvos-adapters is missing beside the program.",
    "No adapters can be reached.",
    "Reinstall the program."};
inline constexpr MessageEntry kAdapterProcessVersion{
    kBox,
    kWarning,
    platform::kAdapterProcessVersionText,
    "With --adapter-process, when tarvos-adapters belongs to another release.",
    "The helper and the program do not match.",
    "Reinstall the program."};
inline constexpr MessageEntry kAdapterProcessBadReply{
    kBox,
    kWarning,
    platform::kAdapterProcessBadReplyText,
    "With --adapter-process, when the helper's answer is damaged.",
    "The helper was ended; the adapters are lost.",
    "Start the program again."};
inline constexpr MessageEntry kAdapterProcessStuck{
    kBox,
    kWarning,
    platform::kAdapterProcessStuckText,
    "With --adapter-process, after one of the warnings above, when the ended helper has not "
    "gone within 2 s: it is inside a call of the adapters' driver.",
    "The helper may still hold the adapters; the program goes on without them.",
    "Close the program, unplug the adapters and plug them in again before the next start."};
inline constexpr MessageEntry kAdapterLibraryNotLoaded{
    kBox,
    kError,
    platform::kAdapterLibraryNotLoadedText,
    "Starting with --adapters PATH, when the library cannot be loaded (with "
    "--adapter-process the helper says so, in a warning).",
    "The program cannot start without its adapters.",
    "Check the path, and that the library has this program's bitness (64-bit), or use "
    "--adapter-process."};
inline constexpr MessageEntry kAdapterLibraryExports{
    kBox,
    kError,
    platform::kAdapterLibraryExportsText,
    "Starting with --adapters PATH, when the library lacks calls the program needs.",
    "It is not the adapter library this program works with.",
    "Name the vendor's library."};
inline constexpr MessageEntry kProgramFolderUnusable{
    kBox,
    kError,
    "the program folder {path} cannot be used",
    "Starting, when the program folder cannot be made or written.",
    "Settings, cell files and results cannot be kept.",
    "Choose a folder you can write (--program-folder, or TARVOS_HOME)."};
inline constexpr MessageEntry kProgramFolderInUse{
    kBox,
    kError,
    "Tarvos is already running with the program folder {folder}.",
    "Starting, when another copy of the program (window or batch) is using the same "
    "program folder.",
    "Two copies on one folder would overwrite each other's settings, pre-scan and the "
    "results file of a run in progress; this copy ends and changes nothing.",
    "Use the copy that is running, wait for its run to end, or start this one with a "
    "program folder of its own (--program-folder, or TARVOS_HOME)."};

// files
inline constexpr MessageEntry kOpenResultsTitle{kFile,
                                                kPlain,
                                                "Open Existing Results Files",
                                                "File > Open > Results + Setup...",
                                                "Choose a results file (.RF).",
                                                "Its results, setup, title and notes come back."};
inline constexpr MessageEntry kLoadSetupTitle{kFile,
                                              kPlain,
                                              "Load Setup Procedure",
                                              "File > Open > Setup Only...",
                                              "Choose a setup file (.STP).",
                                              "Its setup comes into force."};
inline constexpr MessageEntry kUsePreScanTitle{kFile,
                                               kPlain,
                                               "Use Pre-Scan Values",
                                               "File > Open > Pre-Scans...",
                                               "Choose a pre-scan file (.PSC).",
                                               "The next RUN replays it, with its own setup."};
inline constexpr MessageEntry kSaveResultsTitle{kFile,
                                                kPlain,
                                                "Save Results + Setup",
                                                "File > Save As > Results + Setup...",
                                                "Where to save the results with their setup.",
                                                "Choose a name; an existing file is asked about."};
inline constexpr MessageEntry kSaveSetupTitle{kFile,
                                              kPlain,
                                              "Save Setup Only",
                                              "File > Save As > Setup Only...",
                                              "Where to save the setup.",
                                              "Choose a name."};
inline constexpr MessageEntry kSavePreScanTitle{kFile,
                                                kPlain,
                                                "Save Pre-Scan Values",
                                                "File > Save As > Pre-Scans...",
                                                "Where to save the pre-scan.",
                                                "Choose a name."};
inline constexpr MessageEntry kOverwriteFile{
    kQuestion,
    kWarning,
    "Overwrite {path}?",
    "File > Save Results...",
    "The results are saved again under the name of the last Save As.",
    "Yes replaces the file; No leaves it."};
inline constexpr MessageEntry kNotAffected{kBox,
                                           kInformation,
                                           "{path}    Not Affected",
                                           "After No to the question above.",
                                           "The file was left as it was.",
                                           "Nothing."};
inline constexpr MessageEntry kSaveDiagnosticsTitle{
    kFile,
    kPlain,
    "",
    "Help > Diagnostics, Save List.",
    "Where to save the diagnostics list (a text file).",
    "Choose a name."};
inline constexpr MessageEntry kRecoveryNotWritten{
    kBox,
    kError,
    "The results of this run could not be saved to recovery.RF: {reason}",
    "During a run, when the results file kept for a crash cannot be written (said once a run).",
    "The run goes on, but a crash now would lose its results.",
    "Free disk space or fix the folder's permissions; save the results when the run ends."};
inline constexpr MessageEntry kFileNotFound{kBox,
                                            kError,
                                            platform::kFileNotFoundText,
                                            kFileWhen,
                                            "The file named is not there.",
                                            "Check the name and folder."};
inline constexpr MessageEntry kPathNotFound{kBox,
                                            kError,
                                            platform::kPathNotFoundText,
                                            kFileWhen,
                                            "A folder on the way to the file is missing.",
                                            "Check the folder."};
inline constexpr MessageEntry kAccessDenied{kBox,
                                            kError,
                                            platform::kAccessDeniedText,
                                            kFileWhen,
                                            "The file or folder may not be read or written.",
                                            "Check the permissions, or choose another folder."};
inline constexpr MessageEntry kFileInUse{
    kBox,
    kError,
    platform::kFileInUseText,
    kFileWhen,
    "Another program (an editor, a spreadsheet) holds the file open.",
    "Close it there and try again."};
inline constexpr MessageEntry kDiskFull{kBox,
                                        kError,
                                        platform::kDiskFullText,
                                        kFileWhen,
                                        "There is no room for the file.",
                                        "Free some space."};
inline constexpr MessageEntry kTooManyOpenFiles{kBox,
                                                kError,
                                                platform::kTooManyOpenFilesText,
                                                kFileWhen,
                                                "The system ran out of file handles.",
                                                "Close other programs and try again."};
inline constexpr MessageEntry kNameTooLong{kBox,
                                           kError,
                                           platform::kNameTooLongText,
                                           kFileWhen,
                                           "The path is longer than the system allows.",
                                           "Choose a shorter name or folder."};
inline constexpr MessageEntry kDiskError{kBox,
                                         kError,
                                         platform::kDiskErrorText,
                                         kFileWhen,
                                         "The disk failed to read or write.",
                                         "Check the disk; save elsewhere."};
inline constexpr MessageEntry kInvalidNumericInput{kBox,
                                                   kError,
                                                   platform::kInvalidNumericInputText,
                                                   "Opening a results, setup or pre-scan file.",
                                                   "A number in the file cannot be read, or "
                                                   "does not fit the value it is for (a "
                                                   "frequency above 4294967295 Hz, a negative "
                                                   "dwell): it is never cut to fit.",
                                                   "The file is damaged or is not one of this "
                                                   "program's files; correct the number or "
                                                   "open another."};

// the run log, the EUT's effects and resuming
inline constexpr MessageEntry kRunLogNotWritten{
    kBox,
    kWarning,
    "The run log could not be written: {reason}",
    "When a run starts or goes on and its log file cannot be written (said once a run).",
    "The run goes on; its log is kept in memory only (Records > Run Log... can save it).",
    "Check the logs folder in the program folder."};
inline constexpr MessageEntry kOpenRunLogTitle{kFile,
                                               kPlain,
                                               "Open Run Log",
                                               "Records > Run Log..., Open...",
                                               "Choose a log (logs/run-*.csv).",
                                               "It is shown in the window."};
inline constexpr MessageEntry kNotARunLog{kBox,
                                          kWarning,
                                          "Not a run log: {name}",
                                          "Opening a file that is not a run log.",
                                          "The file does not start with the run log's heading.",
                                          "Choose a file from logs/."};
inline constexpr MessageEntry kSaveRunLogTitle{kFile,
                                               kPlain,
                                               "Save Run Log As",
                                               "Records > Run Log..., Save As...",
                                               "Where to save the log shown.",
                                               "Choose a name."};
inline constexpr MessageEntry kSaveEutEffectsTitle{kFile,
                                                   kPlain,
                                                   "Save EUT Effects As",
                                                   "Records > EUT Effects..., Save As...",
                                                   "Where to save the EUT's fault episodes (CSV).",
                                                   "Choose a name."};
inline constexpr MessageEntry kResumeOnlyScans{
    kBox,
    kWarning,
    "Only a standard or custom scan can be resumed.",
    "Records > Resume Run.",
    "The results are a single-frequency test's or a pre-scan's.",
    "Start the test again instead."};
inline constexpr MessageEntry kResumeNoResults{
    kBox,
    kWarning,
    "There are no results to resume.",
    "Records > Resume Run.",
    "The store holds no results (a fresh start, Clear, or a pre-scan opened).",
    "Open the results to resume (File > Open > Results + Setup)."};
inline constexpr MessageEntry kResumeAtFinish{
    kBox,
    kWarning,
    "This scan has already reached its finish.",
    "Records > Resume Run.",
    "The scan is complete; there is nothing to go on with.",
    "Nothing."};
inline constexpr MessageEntry kResumeOffSteps{
    kBox,
    kWarning,
    "These results do not follow the steps of their setup; they cannot be "
    "resumed.",
    "Records > Resume Run.",
    "The results' frequencies are not the steps their setup makes (the file was edited, or "
    "the step was changed during the run).",
    "Start the test again."};
inline constexpr MessageEntry kResumeNeedsPreScan{
    kBox,
    kWarning,
    "A pre-scanned run can only be resumed with its pre-scan loaded.",
    "Records > Resume Run on a pre-scanned run's results.",
    "The pre-scan replayed by the run is not loaded.",
    "Open the pre-scan (File > Open > Pre-Scans...), then the results, then resume."};
inline constexpr MessageEntry kResumeQuestion{
    kQuestion,
    kConfirmation,
    "Resume the run at {frequency} MHz (result {n}) ?",
    "Records > Resume Run.",
    "The scan goes on at its last result, which is measured again; the results before it stay.",
    "Yes starts at once, as RUN does; No changes nothing."};

// the window's other commands
inline constexpr MessageEntry kClearAllQuestion{kQuestion,
                                                kConfirmation,
                                                "Clear all Results ?",
                                                "Display > Clear.",
                                                "The results in the store go (not the files).",
                                                "Yes clears them."};
inline constexpr MessageEntry kRevertColoursQuestion{kQuestion,
                                                     kConfirmation,
                                                     "Revert to Default Colours ?",
                                                     "Display > Settings..., Default.",
                                                     "The graph's colours go back to the defaults.",
                                                     "Yes reverts them."};
inline constexpr MessageEntry kTitleInput{
    kInput,
    kPlain,
    "{model} Test Title|Enter Display Title : ",
    "File > Title...",
    "The title shown on the graph and printed on the reports.",
    "Type it and press OK."};

// the Test Form (engineers)
inline constexpr MessageEntry kSillyFrequency{kBox,
                                              kPlain,
                                              "Silly Frequency Error",
                                              "Test Form, Calculate or I2C Transmit Packet.",
                                              "The PLL frequency or N counter is not a number.",
                                              "Type a number."};
inline constexpr MessageEntry kSillyRCounter{kBox,
                                             kPlain,
                                             "Silly R Counter Error",
                                             "Test Form, Calculate or I2C Transmit Packet.",
                                             "The R counter is not a number in range.",
                                             "Type a whole number."};
inline constexpr MessageEntry kNotHexByte{
    kBox,
    kPlain,
    "\"{text}\" is not a hexadecimal byte (character {n})",
    "Test Form, Send I2C String.",
    "The string holds something other than hexadecimal bytes.",
    "Type bytes such as 03,20,00,04."};
inline constexpr MessageEntry kTooManyBytes{
    kBox,
    kPlain,
    "More than {n} bytes: the command does not fit in one packet",
    "Test Form, Send I2C String.",
    "The string is too long for one packet.",
    "Send fewer bytes."};

}  // namespace msg

}  // namespace tarvos::screen
