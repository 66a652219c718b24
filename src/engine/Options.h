// The program's options and font, held for the life of the process, with their load from and
// save to the settings store; and the helpers the windows use for their own keys (positions,
// folders, aliases) and for the text forms of Booleans and numbers in the store.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace basQuillbox {

// Where everything is written: application "Brambleworks", section "Quillbox2". Earlier
// versions used application "Quillbox2" (same section), which is still read once.
inline constexpr std::string_view kSettingsApp = "Brambleworks";
inline constexpr std::string_view kOldSettingsApp = "Quillbox2";
inline constexpr std::string_view kSettingsSection = "Quillbox2";
inline constexpr std::string_view kSettingsVersion = "1.02";

// Options (true = on). Named after their keys in the store.
extern bool SubDir;       // pack subfolders too
extern bool Hiddn;        // pack hidden and system files too
extern bool Jibun;        // stored paths include the packed folder's own path
extern bool Habuku;       // with Jibun: no drive and leading backslash in stored paths
extern bool UCase;        // archive names in upper case
extern bool Double;       // update existing double archives instead of rebuilding them
extern bool Auto;         // automatic run for folders given at start
extern bool AutoLog;      // after the automatic run, copy the history to the clipboard
extern bool Resize;       // panes follow the main window's size
extern bool Tip;          // tooltips shown
extern bool Font_Bold;
extern bool Font_Italic;
extern int AutoExe;       // mode of the automatic run: 0 normal, 1 stored, 2 double
extern int Pattern;       // double compression: 0 .LZH.LZH, 1 .LZH.ZIP, 2 .ZIP.LZH, 3 .ZIP.ZIP
extern int AshukuExe;     // format of normal and stored runs: 0 LZH, 1 ZIP
extern int Font_Size;     // points
extern std::string TmpDir;      // temporary folder for stored and double archives
extern std::string Lzh_Option;  // command prefix of every LZH command line
extern std::string ZipPrefix;   // command prefix of every ZIP command line; never stored
extern std::string Font_Name;

// Puts every option back to its start state before any load: false, 0 and "".
void ClearOptions();

// Reads the options and the font, from the old location when it still holds a Version value
// other than "0.00", else from the current one. A missing key gives its default; a stored
// Boolean or number that does not convert (or is out of range) leaves the value as it was.
void LoadSettings();

// Writes Version "1.02", the options and the font to the current location in one go, then
// deletes the old location.
void SaveSettings();

// The application a window reads its own keys from: the old one when its probe key (its left
// position, e.g. "Main_Left") holds a value there other than -9999, else the current one.
std::string FormSettingsApp(std::string_view probeKey);

// Reads one of a window's keys from the application chosen by its probe key.
std::string ReadFormSetting(std::string_view probeKey, std::string_view key,
                            std::string_view defaultValue);

// Writes one of a window's keys to the current location. False when it could not be stored.
bool WriteFormSetting(std::string_view key, std::string_view value);

// The text forms of the store. Booleans: "True"/"False" in any case, or a number (0 = False);
// surrounding blanks are ignored. Numbers: decimal text such as "1000", "-15", "1234.5",
// "1.5E3". nullopt when the text does not convert.
std::optional<bool> TextToBool(std::string_view text);
std::optional<double> TextToNumber(std::string_view text);
// A 16-bit integer: numbers are rounded half to even; nullopt outside -32768..32767.
std::optional<int> TextToInt16(std::string_view text);

// "True" / "False".
std::string BoolToText(bool value);
// A position as single precision, shortest form: 1000 gives "1000", 1234.5 gives "1234.5".
std::string NumberToText(double value);

}  // namespace basQuillbox
