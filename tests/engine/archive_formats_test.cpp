// The archiver descriptors: every module's row names its own entry points and table block, every
// format's row its own modules, and a call reaches the module its kind names (entry points and
// progress report alike).
#include "support/EngineFixture.h"

#include "archivers/include/archiver_results.h"
#include "engine/ArchiveFormats.h"
#include "engine/ArchiverCall.h"
#include "engine/Archivers.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace qb::engine;
using namespace qbtest;

namespace {

class ArchiverDescriptorTest : public EngineTest { };

}  // namespace

TEST(ArchiverDescriptors, EveryModuleRowNamesItsOwnEntryPointsAndBlock)
{
    std::set<std::string> files;
    for (ArchiverKind kind : {ArchiverKind::Lzh, ArchiverKind::Zip, ArchiverKind::UnZip}) {
        const ArchiverModule& m = Module(kind);
        EXPECT_EQ(m.kind, kind);
        const std::string command = m.command;
        // The modules name their queries after their command entry.
        EXPECT_EQ(m.getRunning, command + "GetRunning");
        EXPECT_EQ(m.getVersion, command + "GetVersion");
        EXPECT_EQ(m.setProgressCallback, command + "SetProgressCallback");
        files.insert(m.fileName);
    }
    EXPECT_EQ(files, (std::set<std::string>{"UNLHA32.DLL", "ZIP32J.DLL", "UNZIP32.DLL"}));
    ArchiverTable table;
    EXPECT_EQ(&(table.*Module(ArchiverKind::Lzh).entries), &table.Unlha);
    EXPECT_EQ(&(table.*Module(ArchiverKind::Zip).entries), &table.Zip);
    EXPECT_EQ(&(table.*Module(ArchiverKind::UnZip).entries), &table.UnZip);
    EXPECT_STREQ(Module(ArchiverKind::Lzh).command, "Unlha");
    EXPECT_STREQ(Module(ArchiverKind::Zip).command, "Zip");
    EXPECT_STREQ(Module(ArchiverKind::UnZip).command, "UnZip");
}

TEST(ArchiverDescriptors, EveryFormatRowNamesItsOwnModulesAndSuffix)
{
    const ArchiveFormatInfo& lzh = FormatInfo(ArchiveFormat::Lzh);
    const ArchiveFormatInfo& zip = FormatInfo(ArchiveFormat::Zip);
    EXPECT_EQ(lzh.format, ArchiveFormat::Lzh);
    EXPECT_EQ(zip.format, ArchiveFormat::Zip);
    EXPECT_STREQ(lzh.suffix, ".LZH");
    EXPECT_STREQ(zip.suffix, ".ZIP");
    EXPECT_EQ(lzh.packer, ArchiverKind::Lzh);
    EXPECT_EQ(lzh.extractor, ArchiverKind::Lzh);
    EXPECT_EQ(zip.packer, ArchiverKind::Zip);
    EXPECT_EQ(zip.extractor, ArchiverKind::UnZip);

    InstallArchivers(ArchiverTable{}, true, false);
    EXPECT_TRUE(FormatAvailable(lzh));
    EXPECT_FALSE(FormatAvailable(zip));
    InstallArchivers(ArchiverTable{}, false, true);
    EXPECT_FALSE(FormatAvailable(lzh));
    EXPECT_TRUE(FormatAvailable(zip));
}

TEST_F(ArchiverDescriptorTest, ACallReachesTheModuleItsKindNames)
{
    struct Case {
        ArchiverKind kind;
        Lib lib;
    };
    RecordingHost host;
    host.progressAnswer = [] { return false; };  // cancel at the first report
    Fake().reportProgress = true;
    for (const Case c : {Case{ArchiverKind::Lzh, Lib::Unlha}, Case{ArchiverKind::Zip, Lib::Zip},
                         Case{ArchiverKind::UnZip, Lib::UnZip}}) {
        const CallResult r = CallArchiver(c.kind, "command", host);
        ASSERT_FALSE(Fake().calls.empty());
        EXPECT_EQ(Fake().calls.back().lib, c.lib);
        // The cancel came through the progress report the call registered with that module.
        EXPECT_EQ(r.code, ARC_ERROR_USER_CANCEL);
    }
    EXPECT_EQ(Fake().calls.size(), 3u);

    InstallFake(true, false);
    EXPECT_TRUE(CallArchiver(ArchiverKind::UnZip, "command", host).missing);
    EXPECT_FALSE(CallArchiver(ArchiverKind::Lzh, "command", host).missing);
}
