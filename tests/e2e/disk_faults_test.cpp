// The real program with the real modules when the disk fails them: a full disk, a file system
// that turned read-only, a source file that cannot be read. The faults are real failed system
// calls, made by a preloaded shim; the run must say why, keep the old archive and leave nothing.
#include "Sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace e2e;
namespace fs = std::filesystem;

namespace {

struct Format {
    const char* name;
    std::vector<std::string> switches;
    const char* archive;
    const char* packing;  // the history line of the packing
};

void PrintTo(const Format& f, std::ostream* os)
{
    *os << f.name;
}

class DiskFaultsTest : public ::testing::TestWithParam<Format> {
protected:
    void SetUp() override
    {
        if (!Sandbox::ModulesBuilt())
            GTEST_SKIP() << "the archiver modules are not built into " << QB_SYSTEM_DIR_OF_BUILD;
        MakeSourceTree(box.C("SRC/A"), 1);
        MakeSourceTree(box.C("SRC/B"), 2);
        box.WriteSettings({{"Dir_Out", "C:\\OUT"}, {"TmpDir", "C:\\TMP\\"}});
        // Both archives exist and A has changed since.
        ASSERT_EQ(Run({}).status, 0);
        m_old = ReadBytes(Archive());
        m_oldB = ReadBytes(Archive("B"));
        WriteBytes(box.C("SRC/A/new.txt"), "not yet in the archive\n");
    }

    std::string Archive(const char* folder = "A") const
    {
        return box.C(std::string("OUT/") + folder + (GetParam().archive + 1));
    }

    RunResult Run(std::map<std::string, std::string> faults)
    {
        if (!faults.empty())
            faults["LD_PRELOAD"] = QB_DISK_FAULTS;
        auto args = GetParam().switches;
        args.insert(args.end(), {"--silent", "C:\\SRC\\A", "C:\\SRC\\B"});
        return box.Run(args, faults);
    }

    // The old archives as they were, and nothing of the failed writing anywhere.
    void ExpectOldArchivesAndNoLeftovers()
    {
        EXPECT_EQ(ReadBytes(Archive()), m_old);
        EXPECT_EQ(ReadBytes(Archive("B")), m_oldB);
        for (const auto& entry : fs::recursive_directory_iterator(box.C("")))
            EXPECT_FALSE(entry.path().extension() == ".qbtmp" ||
                         entry.path().filename().string().rfind("quillbox2-run.", 0) == 0)
                << entry.path();
    }

    Sandbox box;
    std::string m_old, m_oldB;
};

}  // namespace

// A full disk and a file system that turned read-only stop the run at the first folder.
TEST_P(DiskFaultsTest, AFullOrReadOnlyDiskStopsTheRunAndSaysWhy)
{
    struct Case {
        const char* error;
        const char* line;
        const char* reason;
    };
    for (const Case& c :
         {Case{"ENOSPC", "　解凍ファイルを格納する空きが足りません", "ディスクの空きが足りません"},
          Case{"EROFS", "　解凍ファイル格納先はリードオンリーです",
               "書き込み先が読み取り専用か、書き込みが許可されていません"}}) {
        SCOPED_TRACE(c.error);
        const RunResult r =
            Run({{"QB_CORRUPT_ARCHIVES", GetParam().archive}, {"QB_WRITE_ERROR", c.error}});
        EXPECT_EQ(r.status, 2) << r.out << r.err;
        EXPECT_EQ(r.out, "[ C:\\SRC\\A ]\n" + std::string(GetParam().packing) + "\n" + c.line +
                             "\n　圧縮できませんでした\n　理由：" + c.reason +
                             "\n中断しました\n全 2 フォルダ中 0 フォルダを圧縮しました\n");
        ExpectOldArchivesAndNoLeftovers();
    }
}

// A source file the disk cannot give back fails its folder by name; the run goes on.
TEST_P(DiskFaultsTest, AFileThatCannotBeReadIsNamedAndTheRunGoesOn)
{
    const RunResult r = Run({{"QB_READ_ERROR_FILE", "random.bin"}});
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    const std::string failed = std::string(GetParam().packing) +
                               "\n　圧縮できませんでした\n"
                               "　理由：ファイル data/random.bin を読み込めませんでした\n";
    EXPECT_EQ(r.out, "[ C:\\SRC\\A ]\n" + failed + "[ C:\\SRC\\B ]\n" + failed +
                         "全て終了しました\n全 2 フォルダ中 0 フォルダを圧縮しました\n");
    ExpectOldArchivesAndNoLeftovers();
}

INSTANTIATE_TEST_SUITE_P(
    LzhAndZip, DiskFaultsTest,
    ::testing::Values(Format{"Lzh", {}, "A.LZH", "　ＬＺＨ圧縮中です"},
                      Format{"Zip", {"--format", "zip"}, "A.ZIP", "　ＺＩＰ圧縮中です"}),
    [](const auto& info) { return std::string(info.param.name); });
