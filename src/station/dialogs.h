#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "calib/settings.h"
#include "platform/operator.h"
#include "records/file_records.h"
#include "screen/screen.h"

namespace tarvos::station {

// The settings hold colours as the window system's values, 0x00BBGGRR; the colour
// dialog takes and returns 0xRRGGBB. Each conversion is the other's inverse on the low
// 24 bits; a high byte is dropped.
uint32_t RgbFromColourValue(uint32_t colour_value);
uint32_t ColourValueFromRgb(uint32_t rgb);

// The seven colour buttons of the screen settings dialog.
enum class ScreenColour { Grid, Border, EutOk, EutFail, SetPoint, Achieved, PreScan };

uint32_t& ColourOf(calib::Settings& config, ScreenColour which);

// Opens the colour dialog preset with the colour; OK stores the choice. Returns whether
// a colour was chosen.
bool ChooseScreenColour(calib::Settings& config, platform::Operator& op, ScreenColour which);

// "Default": asks "Revert to Default Colours ?"; Yes sets the graph colours other than
// the set point's back to their defaults. Returns whether they were set.
bool RevertToDefaultColours(calib::Settings& config, platform::Operator& op);

// The "Grid Range (V/m)" field as the dialog opens: fixed 5.1.
std::string GridRangeText(float max_field);
// "Accept": a number above 0 and below 400 becomes MaxField; anything else changes
// nothing. Returns whether it was taken.
bool AcceptGridRange(std::string_view text, float& max_field);

// The notes text box filled with the eight note lines, one per line.
std::string NotesText(const std::array<std::string, records::kNoteLines>& lines);
// Lines 1 to 8 of the text box into the note lines: a missing line gives an empty note,
// lines after the eighth are dropped. A CR before a line end is not part of the line.
void StoreNotes(std::string_view text, std::array<std::string, records::kNoteLines>& lines);
// The box's limit of screen::kNotesMaxChars: an edit that would leave it holding more
// than that, and more than it held, is refused and the box keeps the previous text, as a
// box refuses a key at its limit. Shortening is always taken. Notes a results file
// brought in longer than the limit are shown and kept whole until they are edited.
std::string LimitNotesEdit(const std::string& previous, std::string edited);

// "Save List": the diagnostics list, newest first, written top to bottom, one line each.
// Throws platform::FileError; a failed save leaves any previous file whole.
void WriteDiagnosticsList(const std::string& path, const std::deque<std::string>& messages);

}  // namespace tarvos::station
