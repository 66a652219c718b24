// What the stored numbers of the settings do once they are typed choices, at the edges: the
// numbers no button offers behave as they always did, and a run that used them leaves them to
// be written back exactly as they were read.
#include "support/EngineFixture.h"

#include "engine/Options.h"
#include "engine/PackChoices.h"
#include "engine/PackFolder.h"

#include <gtest/gtest.h>

using namespace qb::engine;
using namespace qbtest;

namespace {

class StoredChoicesTest : public EngineTest { };

}  // namespace

TEST(PackChoices, StoredNumbersMapOntoTheChoicesTheyAlwaysMeant)
{
    EXPECT_EQ(ArchiveFormatFromSetting(0), ArchiveFormat::Lzh);
    for (int stored : {1, 2, 5, -1, 32767, -32768})
        EXPECT_EQ(ArchiveFormatFromSetting(stored), ArchiveFormat::Zip) << stored;

    const DoublePattern known[] = {DoublePattern::LzhLzh, DoublePattern::LzhZip,
                                   DoublePattern::ZipLzh, DoublePattern::ZipZip};
    for (int stored = 0; stored < 4; ++stored)
        EXPECT_EQ(DoublePatternFromSetting(stored), known[stored]) << stored;
    for (int stored : {-1, 4, 7, 32767, -32768})
        EXPECT_EQ(DoublePatternFromSetting(stored), DoublePattern::ZipZip) << stored;
    EXPECT_EQ(FirstStageFormat(DoublePattern::LzhZip), ArchiveFormat::Lzh);
    EXPECT_EQ(SecondStageFormat(DoublePattern::LzhZip), ArchiveFormat::Zip);
    EXPECT_EQ(FirstStageFormat(DoublePattern::ZipLzh), ArchiveFormat::Zip);
    EXPECT_EQ(SecondStageFormat(DoublePattern::ZipLzh), ArchiveFormat::Lzh);

    EXPECT_EQ(LzhNamesFromSetting(1), LzhNames::Utf8);
    EXPECT_EQ(ZipNamesFromSetting(1), ZipNames::Cp932WhenAllFit);
    for (int stored : {0, 2, -1, 9}) {
        EXPECT_EQ(LzhNamesFromSetting(stored), LzhNames::Cp932WhenAllFit) << stored;
        EXPECT_EQ(ZipNamesFromSetting(stored), ZipNames::Utf8) << stored;
    }

    // A run mode carries its number, known or not, so that a run can name an unknown one.
    for (int number : {0, 1, 2})
        EXPECT_TRUE(IsKnownRunMode(RunModeFromNumber(number))) << number;
    for (int number : {-1, 3, 7, 32767}) {
        EXPECT_FALSE(IsKnownRunMode(RunModeFromNumber(number))) << number;
        EXPECT_EQ(RunModeNumber(RunModeFromNumber(number)), number);
    }
}

TEST_F(StoredChoicesTest, NumbersBeyondTheButtonsPackAsBeforeAndAreSavedAsRead)
{
    Sandbox::WriteFile(m_sandbox->Config() + "/Brambleworks.ini",
                       "[Quillbox2]\nAshukuExe=5\nPattern=7\nAutoExe=7\nLzhNameCode=4\n"
                       "ZipNameCode=-3\nTmpDir=C:\\TEMP\\\n");
    LoadSettings(m_options);
    RecordingHost host;
    MakeFolder("C:\\SRC\\A");

    // AshukuExe=5 packs ZIP; ZipNameCode=-3 adds no switch.
    EXPECT_EQ(PackFolder("C:\\SRC\\A", "D:\\OUT", RunMode::Normal, m_options, host),
              FolderOutcome::Packed);
    // Pattern=7 makes both stages ZIP.
    EXPECT_EQ(PackFolder("C:\\SRC\\A", "D:\\OUT", RunMode::Double, m_options, host),
              FolderOutcome::Packed);
    ASSERT_EQ(Fake().calls.size(), 3u);
    EXPECT_EQ(Fake().calls[0].lib, Lib::Zip);
    EXPECT_EQ(Fake().calls[0].command, " -r  -9 \"D:\\OUT\\A.ZIP\" \"*.*\"");
    EXPECT_EQ(Fake().calls[1].lib, Lib::Zip);
    EXPECT_EQ(Fake().calls[2].lib, Lib::Zip);
    EXPECT_EQ(host.created, (std::vector<std::string>{"D:\\OUT\\A.ZIP", "D:\\OUT\\A.ZIP.ZIP"}));

    SaveSettings(m_options);
    const std::string saved = Sandbox::ReadFile(m_sandbox->Config() + "/Brambleworks.ini");
    for (const char* line : {"\nAshukuExe=5\n", "\nPattern=7\n", "\nAutoExe=7\n",
                             "\nLzhNameCode=4\n", "\nZipNameCode=-3\n"})
        EXPECT_NE(saved.find(line), std::string::npos) << line << saved;
}
