#include "engine/Options.h"

#include "common/basQuill.h"
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
    Step([&] { tempFolder = basQuill::GetTempFolder(); });
    LoadText(app, "TmpDir", tempFolder, o.TmpDir);
    LoadText(app, "Lzh_Option", "u -+", o.Lzh_Option);
    LoadBool(app, "SubDir", true, o.SubDir);
    LoadBool(app, "Hiddn", false, o.Hiddn);
    LoadBool(app, "Jibun", false, o.Jibun);
    LoadBool(app, "UCase", true, o.UCase);
    LoadBool(app, "Double", false, o.Double);
    LoadBool(app, "Auto", false, o.Auto);
    // Out-of-range modes, patterns and formats are kept as stored: the run gives them the
    // meaning they always had (ZIP for both stages, ZIP, no run), and a later save writes them
    // back unchanged.
    LoadInt(app, "AutoExe", 0, -32768, 32767, o.AutoExe);
    LoadBool(app, "AutoLog", true, o.AutoLog);
    LoadBool(app, "Resize", true, o.Resize);
    LoadBool(app, "Tip", true, o.Tip);
    LoadInt(app, "Pattern", 0, -32768, 32767, o.Pattern);
    LoadInt(app, "AshukuExe", 0, -32768, 32767, o.AshukuExe);
    LoadBool(app, "Habuku", true, o.Habuku);
    LoadText(app, "Font_Name", "ＭＳ 明朝", o.Font_Name);
    LoadInt(app, "Font_Size", 10, 1, 32767, o.Font_Size);
    LoadBool(app, "Font_Bold", false, o.Font_Bold);
    LoadBool(app, "Font_Italic", false, o.Font_Italic);
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
        Save("TmpDir", o.TmpDir);
        Save("Lzh_Option", o.Lzh_Option);
        Save("SubDir", BoolToText(o.SubDir));
        Save("Hiddn", BoolToText(o.Hiddn));
        Save("Jibun", BoolToText(o.Jibun));
        Save("UCase", BoolToText(o.UCase));
        Save("Double", BoolToText(o.Double));
        Save("Auto", BoolToText(o.Auto));
        Save("AutoExe", std::to_string(o.AutoExe));
        Save("AutoLog", BoolToText(o.AutoLog));
        Save("Resize", BoolToText(o.Resize));
        Save("Tip", BoolToText(o.Tip));
        Save("Pattern", std::to_string(o.Pattern));
        Save("AshukuExe", std::to_string(o.AshukuExe));
        Save("Habuku", BoolToText(o.Habuku));
        Save("Font_Name", o.Font_Name);
        Save("Font_Size", std::to_string(o.Font_Size));
        Save("Font_Bold", BoolToText(o.Font_Bold));
        Save("Font_Italic", BoolToText(o.Font_Italic));
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

std::string FormSettingsApp(std::string_view probeKey)
{
    try {
        const std::string probe = GetSetting(kOldSettingsApp, kSettingsSection, probeKey, "-9999");
        const auto value = TextToNumber(probe);
        if (!value || *value != -9999)
            return std::string(kOldSettingsApp);
    } catch (...) { }
    return std::string(kSettingsApp);
}

std::string ReadFormSetting(std::string_view probeKey, std::string_view key,
                            std::string_view defaultValue)
{
    try {
        return GetSetting(FormSettingsApp(probeKey), kSettingsSection, key, defaultValue);
    } catch (...) {
        return std::string(defaultValue);
    }
}

bool WriteFormSetting(std::string_view key, std::string_view value)
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
