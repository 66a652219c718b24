// Loading and saving the options: defaults, the old location and its removal, values that do
// not convert, and the text forms of Booleans and numbers.
#include "engine/Options.h"
#include "platform/SettingsStore.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <string>

using namespace qb::engine;
using qbtest::Sandbox;

namespace {

std::string Ini(const Sandbox& box, const std::string& app)
{
    return Sandbox::ReadFile(box.Config() + "/" + app + ".ini");
}

class OptionsStore : public testing::Test {
protected:
    Sandbox box;
    qb::engine::Options o;
};

}  // namespace

TEST_F(OptionsStore, CleanFirstStartGivesTheDefaults)
{
    LoadSettings(o);
    EXPECT_EQ(o.TempFolder, "C:\\TEMP\\");
    EXPECT_EQ(o.LzhCommandPrefix, "u -+");
    EXPECT_TRUE(o.IncludeSubfolders);
    EXPECT_FALSE(o.IncludeHidden);
    EXPECT_FALSE(o.StoreFolderPath);
    EXPECT_TRUE(o.UpperCaseNames);
    EXPECT_FALSE(o.UpdateDoubleArchives);
    EXPECT_FALSE(o.AutoRun);
    EXPECT_EQ(o.AutoRunMode, 0);
    EXPECT_TRUE(o.CopyHistoryAfterAutoRun);
    EXPECT_TRUE(o.PanesFollowWindow);
    EXPECT_TRUE(o.ShowTooltips);
    EXPECT_EQ(o.DoublePattern, 0);
    EXPECT_EQ(o.ArchiveFormat, 0);
    EXPECT_TRUE(o.OmitDrive);
    EXPECT_EQ(o.FontName, "ＭＳ 明朝");
    EXPECT_EQ(o.FontSize, 10);
    EXPECT_FALSE(o.FontBold);
    EXPECT_FALSE(o.FontItalic);
    EXPECT_FALSE(Sandbox::Exists(box.Config() + "/Brambleworks.ini"));  // reading writes nothing
}

TEST_F(OptionsStore, SaveWritesEveryKeyInOrder)
{
    LoadSettings(o);
    o.DoublePattern = 3;
    o.IncludeHidden = true;
    SaveSettings(o);
    EXPECT_EQ(Ini(box, "Brambleworks"),
              "[Quillbox2]\nVersion=1.02\nTmpDir=C:\\TEMP\\\nLzh_Option=u -+\nSubDir=True\n"
              "Hiddn=True\nJibun=False\nUCase=True\nDouble=False\nAuto=False\nAutoExe=0\n"
              "AutoLog=True\nResize=True\nTip=True\nPattern=3\nAshukuExe=0\nHabuku=True\n"
              "Font_Name=ＭＳ 明朝\nFont_Size=10\nFont_Bold=False\nFont_Italic=False\n"
              "TestArchive=False\nSyncArchive=False\nLzhNameCode=0\nZipNameCode=0\n");
    o = {};
    LoadSettings(o);
    EXPECT_EQ(o.DoublePattern, 3);
    EXPECT_TRUE(o.IncludeHidden);
}

TEST_F(OptionsStore, OldLocationIsReadOnceThenMoved)
{
    Sandbox::WriteFile(box.Config() + "/Quillbox2.ini",
                       "[Quillbox2]\nVersion=1.01\nSubDir=False\nPattern=2\nFont_Name=IPAGothic\n"
                       "TmpDir=D:\\\nMain_Left=500\n");
    Sandbox::WriteFile(box.Config() + "/Brambleworks.ini", "[Quillbox2]\nPattern=1\n");
    LoadSettings(o);
    EXPECT_FALSE(o.IncludeSubfolders);
    EXPECT_EQ(o.DoublePattern, 2);
    EXPECT_EQ(o.FontName, "IPAGothic");
    EXPECT_EQ(o.TempFolder, "D:\\");
    EXPECT_TRUE(o.UpperCaseNames);  // keys the old store lacks take their defaults
    EXPECT_EQ(ReadWindowSetting("Main_Left", "Main_Left", "1000"), "500");

    SaveSettings(o);
    EXPECT_FALSE(Sandbox::Exists(box.Config() + "/Quillbox2.ini"));
    const std::string moved = Ini(box, "Brambleworks");
    EXPECT_NE(moved.find("Version=1.02\nTmpDir=D:\\\n"), std::string::npos);
    EXPECT_NE(moved.find("SubDir=False\n"), std::string::npos);
    EXPECT_NE(moved.find("Pattern=2\n"), std::string::npos);
    EXPECT_NE(moved.find("Font_Name=IPAGothic\n"), std::string::npos);
    o = {};
    LoadSettings(o);
    EXPECT_EQ(o.DoublePattern, 2);
}

TEST_F(OptionsStore, OldLocationWithTheMarkerVersionIsIgnored)
{
    Sandbox::WriteFile(box.Config() + "/Quillbox2.ini", "[Quillbox2]\nVersion=0.00\nPattern=2\n");
    Sandbox::WriteFile(box.Config() + "/Brambleworks.ini", "[Quillbox2]\nPattern=1\n");
    LoadSettings(o);
    EXPECT_EQ(o.DoublePattern, 1);
}

TEST_F(OptionsStore, ValuesThatDoNotConvertLeaveTheStartState)
{
    Sandbox::WriteFile(box.Config() + "/Brambleworks.ini",
                       "[Quillbox2]\nSubDir=abc\nUCase=\nTip=0\nAutoLog=-1\nResize= true \n"
                       "Pattern=x\nAutoExe=7\nAshukuExe=1.5\nFont_Size=99999\nHabuku=FALSE\n"
                       "Double=2.5\n");
    LoadSettings(o);
    EXPECT_FALSE(o.IncludeSubfolders);  // "abc": not the default True
    EXPECT_FALSE(o.UpperCaseNames);  // empty text
    EXPECT_FALSE(o.ShowTooltips);
    EXPECT_TRUE(o.CopyHistoryAfterAutoRun);
    EXPECT_TRUE(o.PanesFollowWindow);
    EXPECT_FALSE(o.OmitDrive);
    EXPECT_TRUE(o.UpdateDoubleArchives);  // a number other than 0
    EXPECT_EQ(o.DoublePattern, 0);
    EXPECT_EQ(o.AutoRunMode, 7);  // kept: a run with it packs nothing and says so
    EXPECT_EQ(o.ArchiveFormat, 2);  // 1.5 rounds to 2, kept: ZIP
    EXPECT_EQ(o.FontSize, 0);  // beyond 16 bits

    // A later load with bad values keeps what the earlier one set.
    o.DoublePattern = 3;
    o.IncludeSubfolders = true;
    LoadSettings(o);
    EXPECT_EQ(o.DoublePattern, 3);
    EXPECT_TRUE(o.IncludeSubfolders);
}

TEST_F(OptionsStore, ModesPatternsAndFormatsBeyondTheButtonsAreWrittenBackAsStored)
{
    Sandbox::WriteFile(box.Config() + "/Brambleworks.ini",
                       "[Quillbox2]\nPattern=-7\nAshukuExe=2\nAutoExe=7\nTestArchive=True\n"
                       "SyncArchive=1\nLzhNameCode=1\nZipNameCode=9\n");
    LoadSettings(o);
    EXPECT_EQ(o.DoublePattern, -7);
    EXPECT_EQ(o.ArchiveFormat, 2);
    EXPECT_EQ(o.AutoRunMode, 7);
    EXPECT_TRUE(o.TestArchive);
    EXPECT_TRUE(o.SyncArchive);
    EXPECT_EQ(o.LzhNameCode, 1);
    EXPECT_EQ(o.ZipNameCode, 9);  // no such code: it works as 0 and is kept
    SaveSettings(o);
    const std::string saved = Ini(box, "Brambleworks");
    for (const char* line :
         {"\nPattern=-7\n", "\nAshukuExe=2\n", "\nAutoExe=7\n", "\nTestArchive=True\n",
          "\nSyncArchive=True\n", "\nLzhNameCode=1\n", "\nZipNameCode=9\n"})
        EXPECT_NE(saved.find(line), std::string::npos) << line << saved;
}

TEST_F(OptionsStore, FailedSaveKeepsTheOldLocation)
{
    Sandbox::WriteFile(box.Config() + "/Quillbox2.ini", "[Quillbox2]\nVersion=1.01\nPattern=2\n");
    Sandbox::MakeDirs(box.Config() + "/Brambleworks.ini");  // cannot be written
    LoadSettings(o);
    SaveSettings(o);
    EXPECT_EQ(Ini(box, "Quillbox2"), "[Quillbox2]\nVersion=1.01\nPattern=2\n");
}

TEST_F(OptionsStore, UnwritableConfigurationFolderLosesTheSaveSilently)
{
    Sandbox::WriteFile(box.Root() + "/plainfile", "x");
    box.Save("XDG_CONFIG_HOME", box.Root() + "/plainfile/config");
    LoadSettings(o);
    SaveSettings(o);
    EXPECT_EQ(o.DoublePattern, 0);
    EXPECT_EQ(qb::platform::GetSetting("Brambleworks", "Quillbox2", "Version", "none"), "none");
}

TEST_F(OptionsStore, WindowSettingsFollowTheirProbeKey)
{
    Sandbox::WriteFile(box.Config() + "/Quillbox2.ini",
                       "[Quillbox2]\nMain_Left=-9999\nMain_Top=7\nInDir_Left=12.5\nInDir_Top=9\n");
    Sandbox::WriteFile(box.Config() + "/Brambleworks.ini",
                       "[Quillbox2]\nMain_Top=3\nInDir_Top=4\n");
    EXPECT_EQ(WindowSettingsApp("Main_Left"), "Brambleworks");
    EXPECT_EQ(ReadWindowSetting("Main_Left", "Main_Top", "1000"), "3");
    EXPECT_EQ(WindowSettingsApp("InDir_Left"), "Quillbox2");
    EXPECT_EQ(ReadWindowSetting("InDir_Left", "InDir_Top", "1000"), "9");
    EXPECT_EQ(ReadWindowSetting("InDir_Left", "InDir_Width", "4321"), "4321");
    EXPECT_EQ(WindowSettingsApp("About_Left"), "Brambleworks");  // probe key absent
    ASSERT_TRUE(WriteWindowSetting("About_Left", NumberToText(1234.5)));
    EXPECT_NE(Ini(box, "Brambleworks").find("About_Left=1234.5\n"), std::string::npos);
}

TEST(TextForms, Booleans)
{
    EXPECT_EQ(TextToBool("True"), true);
    EXPECT_EQ(TextToBool("tRUE"), true);
    EXPECT_EQ(TextToBool("False"), false);
    EXPECT_EQ(TextToBool(" false "), false);
    EXPECT_EQ(TextToBool("0"), false);
    EXPECT_EQ(TextToBool("-1"), true);
    EXPECT_EQ(TextToBool("0.0"), false);
    EXPECT_EQ(TextToBool("abc"), std::nullopt);
    EXPECT_EQ(TextToBool(""), std::nullopt);
    EXPECT_EQ(TextToBool("Yes"), std::nullopt);
    EXPECT_EQ(BoolToText(true), "True");
    EXPECT_EQ(BoolToText(false), "False");
}

TEST(TextForms, Numbers)
{
    EXPECT_EQ(TextToNumber("1000"), 1000.0);
    EXPECT_EQ(TextToNumber("-15"), -15.0);
    EXPECT_EQ(TextToNumber("+1234.5"), 1234.5);
    EXPECT_EQ(TextToNumber("1.5E3"), 1500.0);
    EXPECT_EQ(TextToNumber(".5"), 0.5);
    EXPECT_EQ(TextToNumber("0x10"), std::nullopt);
    EXPECT_EQ(TextToNumber("inf"), std::nullopt);
    EXPECT_EQ(TextToNumber("1e999"), std::nullopt);
    EXPECT_EQ(TextToNumber("12abc"), std::nullopt);
    EXPECT_EQ(TextToNumber(""), std::nullopt);
    EXPECT_EQ(TextToNumber("-"), std::nullopt);

    EXPECT_EQ(TextToInt16("2.5"), 2);  // half to even
    EXPECT_EQ(TextToInt16("3.5"), 4);
    EXPECT_EQ(TextToInt16("-32768"), -32768);
    EXPECT_EQ(TextToInt16("32767"), 32767);
    EXPECT_EQ(TextToInt16("32768"), std::nullopt);
    EXPECT_EQ(TextToInt16("True"), std::nullopt);

    EXPECT_EQ(NumberToText(1000), "1000");
    EXPECT_EQ(NumberToText(1234.5), "1234.5");
    EXPECT_EQ(NumberToText(-15), "-15");
    EXPECT_EQ(NumberToText(0.1), "0.1");
    EXPECT_EQ(NumberToText(-0.0), "0");
    EXPECT_EQ(NumberToText(1.0 / 3), "0.3333333");
    EXPECT_EQ(TextToNumber(NumberToText(8123.25)), 8123.25);
}
