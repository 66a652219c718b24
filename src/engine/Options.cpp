#include "engine/Options.h"

#include "common/PathHelpers.h"
#include "platform/SettingsStore.h"
#include "platform/Utf8.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <functional>

namespace qb::engine {

namespace {

using qb::platform::GetSetting;
using qb::platform::SaveSetting;
using qb::platform::TrimBlanks;

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// Runs one step of a load or save on its own: whatever goes wrong in it, the next step runs.
void Step(const std::function<void()>& step)
{
    try {
        step();
    } catch (...) { }
}

void LoadBool(const std::string& app, const char* key, bool defaultValue, bool& target)
{
    Step([&] {
        const std::string text = GetSetting(app, kSettingsSection, key, BoolToText(defaultValue));
        if (const auto value = TextToBool(text))
            target = *value;
    });
}

void LoadInt(const std::string& app, const char* key, int defaultValue, int low, int high,
             int& target)
{
    Step([&] {
        const std::string text =
            GetSetting(app, kSettingsSection, key, std::to_string(defaultValue));
        // A value outside what the program can use is treated like one that does not convert:
        // an index beyond the option buttons would otherwise break the windows.
        if (const auto value = TextToInt16(text); value && *value >= low && *value <= high)
            target = *value;
    });
}

void LoadText(const std::string& app, const char* key, const std::string& defaultValue,
              std::string& target)
{
    Step([&] { target = GetSetting(app, kSettingsSection, key, defaultValue); });
}

void Save(const char* key, const std::string& value)
{
    Step([&] { SaveSetting(kSettingsApp, kSettingsSection, key, value); });
}

}  // namespace

void LoadSettings(Options& o)
{
    std::string app(kSettingsApp);
    Step([&] {
        if (GetSetting(kOldSettingsApp, kSettingsSection, "Version", "0.00") != "0.00")
            app = std::string(kOldSettingsApp);
    });
    std::string tempFolder;
    Step([&] { tempFolder = PathHelpers::GetTempFolder(); });
    LoadText(app, "TmpDir", tempFolder, o.TempFolder);
    LoadText(app, "Lzh_Option", "u -+", o.LzhCommandPrefix);
    LoadBool(app, "SubDir", true, o.IncludeSubfolders);
    LoadBool(app, "Hiddn", false, o.IncludeHidden);
    LoadBool(app, "Jibun", false, o.StoreFolderPath);
    LoadBool(app, "UCase", true, o.UpperCaseNames);
    LoadBool(app, "Double", false, o.UpdateDoubleArchives);
    LoadBool(app, "Auto", false, o.AutoRun);
    // Out-of-range modes, patterns and formats are kept as stored: the run gives them the
    // meaning they always had (ZIP for both stages, ZIP, no run), and a later save writes them
    // back unchanged.
    LoadInt(app, "AutoExe", 0, -32768, 32767, o.AutoRunMode);
    LoadBool(app, "AutoLog", true, o.CopyHistoryAfterAutoRun);
    LoadBool(app, "Resize", true, o.PanesFollowWindow);
    LoadBool(app, "Tip", true, o.ShowTooltips);
    LoadInt(app, "Pattern", 0, -32768, 32767, o.DoublePattern);
    LoadInt(app, "AshukuExe", 0, -32768, 32767, o.ArchiveFormat);
    LoadBool(app, "Habuku", true, o.OmitDrive);
    LoadText(app, "Font_Name", "ＭＳ 明朝", o.FontName);
    LoadInt(app, "Font_Size", 10, 1, 32767, o.FontSize);
    LoadBool(app, "Font_Bold", false, o.FontBold);
    LoadBool(app, "Font_Italic", false, o.FontItalic);
    LoadBool(app, "TestArchive", false, o.TestArchive);
    LoadBool(app, "SyncArchive", false, o.SyncArchive);
    // Codes of names beyond 0 and 1 are kept as stored too: they give the default, as 0 does.
    LoadInt(app, "LzhNameCode", 0, -32768, 32767, o.LzhNameCode);
    LoadInt(app, "ZipNameCode", 0, -32768, 32767, o.ZipNameCode);
}

void SaveSettings(const Options& o)
{
    bool written = false;
    Step([&] {
        qb::platform::SettingsBatch batch;
        Save("Version", std::string(kSettingsVersion));
        Save("TmpDir", o.TempFolder);
        Save("Lzh_Option", o.LzhCommandPrefix);
        Save("SubDir", BoolToText(o.IncludeSubfolders));
        Save("Hiddn", BoolToText(o.IncludeHidden));
        Save("Jibun", BoolToText(o.StoreFolderPath));
        Save("UCase", BoolToText(o.UpperCaseNames));
        Save("Double", BoolToText(o.UpdateDoubleArchives));
        Save("Auto", BoolToText(o.AutoRun));
        Save("AutoExe", std::to_string(o.AutoRunMode));
        Save("AutoLog", BoolToText(o.CopyHistoryAfterAutoRun));
        Save("Resize", BoolToText(o.PanesFollowWindow));
        Save("Tip", BoolToText(o.ShowTooltips));
        Save("Pattern", std::to_string(o.DoublePattern));
        Save("AshukuExe", std::to_string(o.ArchiveFormat));
        Save("Habuku", BoolToText(o.OmitDrive));
        Save("Font_Name", o.FontName);
        Save("Font_Size", std::to_string(o.FontSize));
        Save("Font_Bold", BoolToText(o.FontBold));
        Save("Font_Italic", BoolToText(o.FontItalic));
        Save("TestArchive", BoolToText(o.TestArchive));
        Save("SyncArchive", BoolToText(o.SyncArchive));
        Save("LzhNameCode", std::to_string(o.LzhNameCode));
        Save("ZipNameCode", std::to_string(o.ZipNameCode));
        written = batch.Commit();
    });
    // The old location is dropped only once its values are safely stored in the new one;
    // deleting it after a failed save would lose them.
    if (written)
        Step([] { qb::platform::DeleteApplication(kOldSettingsApp); });
}

std::string WindowSettingsApp(std::string_view probeKey)
{
    try {
        const std::string probe = GetSetting(kOldSettingsApp, kSettingsSection, probeKey, "-9999");
        const auto value = TextToNumber(probe);
        if (!value || *value != -9999)
            return std::string(kOldSettingsApp);
    } catch (...) { }
    return std::string(kSettingsApp);
}

std::string ReadWindowSetting(std::string_view probeKey, std::string_view key,
                            std::string_view defaultValue)
{
    try {
        return GetSetting(WindowSettingsApp(probeKey), kSettingsSection, key, defaultValue);
    } catch (...) {
        return std::string(defaultValue);
    }
}

bool WriteWindowSetting(std::string_view key, std::string_view value)
{
    try {
        return SaveSetting(kSettingsApp, kSettingsSection, key, value);
    } catch (...) {
        return false;
    }
}

std::optional<double> TextToNumber(std::string_view text)
{
    std::string_view t = TrimBlanks(text);
    if (!t.empty() && t[0] == '+')
        t.remove_prefix(1);
    if (t.empty())
        return std::nullopt;
    // Plain decimal notation only: no hexadecimal, no inf or nan.
    for (const char c : t)
        if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
            return std::nullopt;
    double value = 0;
    const auto result = std::from_chars(t.data(), t.data() + t.size(), value);
    if (result.ec != std::errc() || result.ptr != t.data() + t.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<bool> TextToBool(std::string_view text)
{
    const std::string_view t = TrimBlanks(text);
    if (EqualsNoCase(t, "true"))
        return true;
    if (EqualsNoCase(t, "false"))
        return false;
    if (const auto number = TextToNumber(t))
        return *number != 0;
    return std::nullopt;
}

std::optional<int> TextToInt16(std::string_view text)
{
    const auto number = TextToNumber(text);
    if (!number)
        return std::nullopt;
    const double rounded = std::nearbyint(*number);  // half to even, as the platform rounds
    if (rounded < -32768 || rounded > 32767)
        return std::nullopt;
    return static_cast<int>(rounded);
}

std::string BoolToText(bool value)
{
    return value ? "True" : "False";
}

std::string NumberToText(double value)
{
    const float single = static_cast<float>(value);
    if (single == 0)
        return "0";
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.7g", static_cast<double>(single));
    std::string out = buffer;
    if (const auto e = out.find('e'); e != std::string::npos)
        out[e] = 'E';
    return out;
}

}  // namespace qb::engine
