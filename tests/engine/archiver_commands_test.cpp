// The archive command lines, byte for byte: the modules and their logs depend on the exact
// texts, double spaces included.
#include "engine/ArchiveFormats.h"
#include "engine/ArchiverCommands.h"

#include <gtest/gtest.h>

using namespace qb::engine;

namespace {

// The options as loaded from an empty settings file, with a temporary folder of our own.
Options Defaults()
{
    Options o;
    o.IncludeSubfolders = true;
    o.OmitDrive = true;
    o.LzhCommandPrefix = "u -+";
    o.TempFolder = "C:\\TEMP\\";
    return o;
}

const std::string kFolder = "C:\\SRC\\NAME";

}  // namespace

TEST(CommandLines, ExampleTableWithDefaultOptions)
{
    const Options o = Defaults();
    EXPECT_EQ(LzhPackCommand(o, RunMode::Normal, "D:\\OUT\\NAME.LZH", kFolder),
              "u -+ -xr  \"-wC:\\TEMP\\\"  -jx386SPART.PAR -jxWIN386.SWP -jxPAGEFILE.SYS "
              "\"D:\\OUT\\NAME.LZH\" \"*.*\"");
    EXPECT_EQ(LzhPackCommand(o, RunMode::Stored, "D:\\OUT\\NAME.LZH", kFolder),
              "u -+ -xr  -z1  \"-wC:\\TEMP\\\"  -jx386SPART.PAR -jxWIN386.SWP -jxPAGEFILE.SYS "
              "\"D:\\OUT\\NAME.LZH\" \"*.*\"");
    EXPECT_EQ(ZipPackCommand(o, RunMode::Normal, "D:\\OUT\\NAME.ZIP", kFolder),
              " -r  -9 \"D:\\OUT\\NAME.ZIP\" \"*.*\"");
    EXPECT_EQ(ZipPackCommand(o, RunMode::Stored, "D:\\OUT\\NAME.ZIP", kFolder),
              " -r  -0 \"D:\\OUT\\NAME.ZIP\" \"*.*\"");

    const DoubleNames p1 = MakeDoubleNames(o, "NAME", "D:\\OUT", DoublePattern::LzhZip);
    EXPECT_EQ(LzhFirstStageCommand(o, p1, kFolder),
              "u -+ -xr  -z1 \"-wC:\\TEMP\\\"  -jx386SPART.PAR -jxWIN386.SWP -jxPAGEFILE.SYS "
              "\"C:\\TEMP\\NAME.LZH\" \"*.*\"");
    EXPECT_EQ(ZipSecondStageCommand(o, p1), "-r -9 \"D:\\OUT\\NAME.LZH.ZIP\" \"NAME.LZH\"");
    EXPECT_EQ(UnZipUpdateExtractCommand(o, p1),
              "-x \"D:\\OUT\\NAME.LZH.ZIP\" \"C:\\TEMP\\\" \"NAME.LZH\"");

    const DoubleNames p2 = MakeDoubleNames(o, "NAME", "D:\\OUT", DoublePattern::ZipLzh);
    EXPECT_EQ(ZipFirstStageCommand(o, p2, kFolder), " -r  -0 \"C:\\TEMP\\NAME.ZIP\" \"*.*\"");
    EXPECT_EQ(LzhSecondStageCommand(o, p2),
              "u -+ \"-wC:\\TEMP\\\" \"D:\\OUT\\NAME.ZIP.LZH\" \"NAME.ZIP\"");
    EXPECT_EQ(LzhUpdateExtractCommand(o, p2),
              "x -+ \"D:\\OUT\\NAME.ZIP.LZH\" \"C:\\TEMP\\\" \"NAME.ZIP\"");
}

TEST(CommandLines, TestSyncAndNameCodeSwitchesOnlyWhenChosen)
{
    Options o = Defaults();
    o.TestArchive = true;
    o.SyncArchive = true;
    o.LzhNameCode = 1;
    o.ZipNameCode = 1;
    EXPECT_EQ(LzhPackCommand(o, RunMode::Normal, "D:\\OUT\\NAME.LZH", kFolder),
              "u -+ -xr  -test -sync -names:utf8 \"-wC:\\TEMP\\\"  -jx386SPART.PAR -jxWIN386.SWP "
              "-jxPAGEFILE.SYS \"D:\\OUT\\NAME.LZH\" \"*.*\"");
    EXPECT_EQ(ZipPackCommand(o, RunMode::Stored, "D:\\OUT\\NAME.ZIP", kFolder),
              " -r  -0 -test -sync -names:cp932 \"D:\\OUT\\NAME.ZIP\" \"*.*\"");
    const DoubleNames p0 = MakeDoubleNames(o, "NAME", "D:\\OUT", DoublePattern::LzhLzh);
    EXPECT_EQ(
        LzhFirstStageCommand(o, p0, kFolder),
        "u -+ -xr  -z1 -test -sync -names:utf8 \"-wC:\\TEMP\\\"  -jx386SPART.PAR -jxWIN386.SWP "
        "-jxPAGEFILE.SYS \"C:\\TEMP\\NAME.LZH\" \"*.*\"");
    EXPECT_EQ(
        LzhSecondStageCommand(o, p0),
        "u -+ -test -sync -names:utf8 \"-wC:\\TEMP\\\" \"D:\\OUT\\NAME.LZH.LZH\" \"NAME.LZH\"");
    const DoubleNames p3 = MakeDoubleNames(o, "NAME", "D:\\OUT", DoublePattern::ZipZip);
    EXPECT_EQ(ZipFirstStageCommand(o, p3, kFolder),
              " -r  -0 -test -sync -names:cp932 \"C:\\TEMP\\NAME.ZIP\" \"*.*\"");
    EXPECT_EQ(ZipSecondStageCommand(o, p3),
              "-r -9 -test -sync -names:cp932 \"D:\\OUT\\NAME.ZIP.ZIP\" \"NAME.ZIP\"");
    // The name codes belong to their own format only; the extraction commands take none.
    o.TestArchive = o.SyncArchive = false;
    o.ZipNameCode = 0;
    EXPECT_EQ(ZipPackCommand(o, RunMode::Normal, "D:\\OUT\\NAME.ZIP", kFolder),
              " -r  -9 \"D:\\OUT\\NAME.ZIP\" \"*.*\"");
    // Codes beyond the two (kept as stored) work as 0: no switch.
    o.LzhNameCode = 9;
    o.ZipNameCode = -1;
    EXPECT_EQ(ZipPackCommand(o, RunMode::Normal, "D:\\OUT\\NAME.ZIP", kFolder),
              " -r  -9 \"D:\\OUT\\NAME.ZIP\" \"*.*\"");
    EXPECT_EQ(LzhSecondStageCommand(o, p0),
              "u -+ \"-wC:\\TEMP\\\" \"D:\\OUT\\NAME.LZH.LZH\" \"NAME.LZH\"");
    EXPECT_EQ(LzhUpdateExtractCommand(o, p0),
              "x -+ \"D:\\OUT\\NAME.LZH.LZH\" \"C:\\TEMP\\\" \"NAME.LZH\"");
}

TEST(CommandLines, SwitchSetsForEveryCombination)
{
    struct Case {
        bool subDir, hidden;
        const char* lzh;
        const char* zip;
    };
    const Case cases[] = {
        {true, true, "u -+ -xra ", " -r -S "},
        {true, false, "u -+ -xr ", " -r "},
        {false, true, "u -+ -xa ", " -D -S "},
        {false, false, "u -+ -x ", " -D "},
    };
    for (const Case& c : cases) {
        Options o = Defaults();
        o.IncludeSubfolders = c.subDir;
        o.IncludeHidden = c.hidden;
        EXPECT_EQ(LzhSwitchSet(o), c.lzh) << c.subDir << c.hidden;
        EXPECT_EQ(ZipSwitchSet(o), c.zip) << c.subDir << c.hidden;
    }
}

TEST(CommandLines, SubDirOffHiddenOnZipKeepsBothSpaces)
{
    Options o = Defaults();
    o.IncludeSubfolders = false;
    o.IncludeHidden = true;
    EXPECT_EQ(ZipPackCommand(o, RunMode::Normal, "D:\\OUT\\NAME.ZIP", kFolder),
              " -D -S  -9 \"D:\\OUT\\NAME.ZIP\" \"*.*\"");
}

TEST(CommandLines, FileSpecificationFollowsTheStoredPathOptions)
{
    Options o = Defaults();
    EXPECT_EQ(FileSpec(o, "C:\\DATA\\PROJ"), "*.*");
    o.StoreFolderPath = true;
    o.OmitDrive = true;
    EXPECT_EQ(FileSpec(o, "C:\\DATA\\PROJ"), "DATA\\PROJ\\*.*");
    EXPECT_EQ(LzhPackCommand(o, RunMode::Normal, "D:\\OUT\\PROJ.LZH", "C:\\DATA\\PROJ"),
              "u -+ -xr  \"-wC:\\TEMP\\\"  -jx386SPART.PAR -jxWIN386.SWP -jxPAGEFILE.SYS "
              "\"D:\\OUT\\PROJ.LZH\" \"DATA\\PROJ\\*.*\"");
    o.OmitDrive = false;
    EXPECT_EQ(FileSpec(o, "C:\\DATA\\PROJ"), "C:\\DATA\\PROJ\\*.*");
    EXPECT_EQ(ZipPackCommand(o, RunMode::Normal, "D:\\OUT\\PROJ.ZIP", "C:\\DATA\\PROJ"),
              " -r  -9 \"D:\\OUT\\PROJ.ZIP\" \"C:\\DATA\\PROJ\\*.*\"");
}

TEST(CommandLines, LzhOptionReplacesPrefixExceptInTheSecondStage)
{
    Options o = Defaults();
    o.LzhCommandPrefix = "";
    EXPECT_EQ(LzhPackCommand(o, RunMode::Normal, "D:\\OUT\\NAME.LZH", kFolder).substr(0, 18),
              " -xr  \"-wC:\\TEMP\\\"");
    EXPECT_EQ(LzhPackCommand(o, RunMode::Stored, "D:\\OUT\\NAME.LZH", kFolder).substr(0, 11),
              " -xr  -z1  ");
    const DoubleNames n = MakeDoubleNames(o, "NAME", "D:\\OUT", DoublePattern::LzhLzh);
    EXPECT_EQ(LzhFirstStageCommand(o, n, kFolder).substr(0, 10), " -xr  -z1 ");
    EXPECT_EQ(LzhSecondStageCommand(o, n),
              "u -+ \"-wC:\\TEMP\\\" \"D:\\OUT\\NAME.LZH.LZH\" \"NAME.LZH\"");
    EXPECT_EQ(LzhUpdateExtractCommand(o, n).substr(0, 5), "x -+ ");
}

TEST(CommandLines, TmpDirWithoutTrailingBackslash)
{
    Options o = Defaults();
    o.TempFolder = "C:\\TEMP";
    EXPECT_EQ(WorkSwitch(o), "-wC:\\TEMP");
    const DoubleNames n = MakeDoubleNames(o, "NAME", "D:\\OUT\\", DoublePattern::LzhLzh);
    EXPECT_EQ(n.T, "C:\\TEMP\\NAME.LZH");
    EXPECT_EQ(n.D, "D:\\OUT\\NAME.LZH.LZH");  // an output folder's own backslash is not doubled
    EXPECT_EQ(LzhUpdateExtractCommand(o, n),
              "x -+ \"D:\\OUT\\NAME.LZH.LZH\" \"C:\\TEMP\\\" \"NAME.LZH\"");
    EXPECT_EQ(LzhSecondStageCommand(o, n),
              "u -+ \"-wC:\\TEMP\" \"D:\\OUT\\NAME.LZH.LZH\" \"NAME.LZH\"");
}

TEST(CommandLines, PatternsAndFormatsOfEachStep)
{
    const Options o = Defaults();
    const char* finals[] = {"NAME.LZH.LZH", "NAME.LZH.ZIP", "NAME.ZIP.LZH", "NAME.ZIP.ZIP"};
    for (int p = 0; p < 4; ++p)
        EXPECT_EQ(MakeDoubleNames(o, "NAME", "D:\\OUT", DoublePatternFromSetting(p)).D,
                  std::string("D:\\OUT\\") + finals[p]);
    // Stored values outside 0..3 give ZIP for both stages.
    for (int p : {-1, 4, 99}) {
        const DoublePattern pattern = DoublePatternFromSetting(p);
        EXPECT_EQ(FirstStageFormat(pattern), ArchiveFormat::Zip);
        EXPECT_EQ(SecondStageFormat(pattern), ArchiveFormat::Zip);
        EXPECT_EQ(MakeDoubleNames(o, "N", "D:\\OUT", pattern).D, "D:\\OUT\\N.ZIP.ZIP");
    }
}
