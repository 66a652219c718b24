// The real program with the real modules: what a silent run tells about what it could not do —
// job-file folders that are not there, a settings file it could not use.
#include "Sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace e2e;
namespace fs = std::filesystem;

namespace {

class RunReportsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!Sandbox::ModulesBuilt())
            GTEST_SKIP() << "the archiver modules are not built into " << QB_SYSTEM_DIR_OF_BUILD;
        MakeSourceTree(box.C("SRC/A"), 1);
        MakeSourceTree(box.C("SRC/B"), 2);
    }

    Sandbox box;
};

}  // namespace

TEST_F(RunReportsTest, JobFileFoldersThatAreNotThereAreNamedAndGiveStatusOne)
{
    WriteBytes(box.C("SRC/FILE.TXT"), "a file, not a folder\n");
    WriteBytes(box.C("JOB.QBJ"),
               "Quillbox2 QBJ FILE\r\nINDIR=C:\\SRC\r\nOUTDIR=C:\\OUT\r\n"
               "C:\\SRC\\A\r\nC:\\SRC\\GONE\r\nC:\\SRC\\FILE.TXT\r\n\r\nC:\\SRC\\B\r\n");
    box.WriteSettings({{"Auto", "True"}});
    const RunResult r = box.Run({box.C("JOB.QBJ")});
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(r.err.find("no such folder, left out: C:\\SRC\\GONE\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("left out: C:\\SRC\\FILE.TXT\n"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("left out: \n"), std::string::npos)
        << "an empty line is no folder: " << r.err;
    EXPECT_TRUE(fs::exists(box.C("OUT/A.LZH")));
    EXPECT_TRUE(fs::exists(box.C("OUT/B.LZH")));

    // The older format (output folder first) is read the same way; all there means status 0.
    WriteBytes(box.C("OLD.QBJ"), "C:\\OUT\r\nC:\\SRC\\A\r\n");
    const RunResult ok = box.Run({box.C("OLD.QBJ")});
    EXPECT_EQ(ok.status, 0) << ok.out << ok.err;
    EXPECT_EQ(ok.err.find("left out"), std::string::npos) << ok.err;
    WriteBytes(box.C("OLD.QBJ"), "C:\\OUT\r\nC:\\SRC\\A\r\nC:\\SRC\\NOPE\r\n");
    const RunResult missing = box.Run({box.C("OLD.QBJ")});
    EXPECT_EQ(missing.status, 1) << missing.out << missing.err;
    EXPECT_NE(missing.err.find("left out: C:\\SRC\\NOPE"), std::string::npos) << missing.err;
}

TEST_F(RunReportsTest, ASettingsFileThatCannotBeUsedIsNamedOnStandardError)
{
    struct Case {
        const char* what;
        std::string bytes;
        const char* said;
    };
    const Case cases[] = {
        {"no section", "Auto=True\nDir_Out=C:\\OUT\n", "has no [Quillbox2] section"},
        {"zeroed by a crash", std::string(4096, '\0'),
         "holds NUL bytes and no [Quillbox2] section"},
        {"too large", "[Quillbox2]\nAuto=True\n" + std::string(17u << 20, 'x'),
         "is larger than 16 MiB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(box.SettingsFile(), c.bytes);
        // Auto is off by default, so nothing is packed: the window start follows, and without a
        // display it ends; the word about the settings file comes first.
        const RunResult r = box.Run({"C:\\SRC\\A"}, {{"QT_QPA_PLATFORM", ""}}, 30);
        ASSERT_FALSE(r.timedOut);
        EXPECT_NE(
            r.err.find("the settings file " + box.SettingsFile() + " was not used: it " + c.said),
            std::string::npos)
            << r.err;
        EXPECT_FALSE(fs::exists(box.C("OUT/A.LZH")));
    }

    // A usable file (and no file at all) gives no such word.
    box.WriteSettings({{"Auto", "True"}, {"Dir_Out", "C:\\OUT"}});
    RunResult r = box.Run({"C:\\SRC\\A"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("settings file"), std::string::npos) << r.err;
    fs::remove(box.SettingsFile());
    r = box.Run({"C:\\SRC\\A"}, {{"QT_QPA_PLATFORM", ""}}, 30);
    EXPECT_EQ(r.err.find("settings file"), std::string::npos) << r.err;
}
