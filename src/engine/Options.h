// The program's options and font as one value, with its load from and save to the settings
// store; and the helpers the windows use for their own keys (positions, folders, aliases) and
// for the text forms of Booleans and numbers in the store.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qb::engine {

// Where everything is written: application "Brambleworks", section "Quillbox2". Earlier
// versions used application "Quillbox2" (same section), which is still read once.
inline constexpr std::string_view kSettingsApp = "Brambleworks";
inline constexpr std::string_view kOldSettingsApp = "Quillbox2";
inline constexpr std::string_view kSettingsSection = "Quillbox2";
inline constexpr std::string_view kSettingsVersion = "1.02";

// The options, named after their keys in the store. A value made with Options{} holds false, 0
// and "" everywhere: the state before any load, which a stored value that does not convert
// leaves in place. Start-up loads one value and hands it by reference to whoever needs it.
// The choices held as numbers keep the number that was stored, whatever it is, so that it is
// saved back unchanged; PackChoices.h says what each number does.
struct Options {
    bool IncludeSubfolders = false;  // pack subfolders too
    bool IncludeHidden = false;  // pack hidden and system files too
    bool StoreFolderPath = false;  // stored paths include the packed folder's own path
    bool OmitDrive = false;  // with StoreFolderPath: no drive and leading backslash in stored paths
    bool UpperCaseNames = false;  // archive names in upper case
    bool UpdateDoubleArchives = false;  // update existing double archives instead of rebuilding them
    bool AutoRun = false;  // automatic run for folders given at start
    bool CopyHistoryAfterAutoRun = false;  // after the automatic run, copy the history to the clipboard
    bool PanesFollowWindow = false;  // panes follow the main window's size
    bool ShowTooltips = false;  // tooltips shown
    bool FontBold = false;
    bool FontItalic = false;
    int AutoRunMode = 0;  // mode of the automatic run: 0 normal, 1 stored, 2 double
    int DoublePattern = 0;  // double compression: 0 .LZH.LZH, 1 .LZH.ZIP, 2 .ZIP.LZH, 3 .ZIP.ZIP
    int ArchiveFormat = 0;  // format of normal and stored runs: 0 LZH, 1 ZIP
    int FontSize = 0;  // points
    bool TestArchive = false;  // test each new archive before it replaces the old one
    bool SyncArchive = false;  // rebuild archives from their folders instead of updating them
    int LzhNameCode = 0;  // LZH names: 0 CP932 when every name fits, else UTF-8; 1 always UTF-8
    int ZipNameCode = 0;  // ZIP names: 0 UTF-8 with its flag; 1 CP932 without it when all fit
    std::string TempFolder;  // temporary folder for stored and double archives
    std::string LzhCommandPrefix;  // command prefix of every LZH command line
    std::string FontName;
};

// Reads the options and the font into options, from the old location when it still holds a
// Version value other than "0.00", else from the current one. A missing key gives its default;
// a stored Boolean or number that does not convert (or is out of range) leaves the value as it
// was.
void LoadSettings(Options& options);

// Writes Version "1.02", the options and the font to the current location in one go, then
// deletes the old location.
void SaveSettings(const Options& options);

// The application a window reads its own keys from: the old one when its probe key (its left
// position, e.g. "Main_Left") holds a value there other than -9999, else the current one.
std::string WindowSettingsApp(std::string_view probeKey);

// Reads one of a window's keys from the application chosen by its probe key.
std::string ReadWindowSetting(std::string_view probeKey, std::string_view key,
                            std::string_view defaultValue);

// Writes one of a window's keys to the current location. False when it could not be stored.
bool WriteWindowSetting(std::string_view key, std::string_view value);

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

}  // namespace qb::engine
