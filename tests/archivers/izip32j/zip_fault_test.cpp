// What goes wrong: a full disk, a read-only destination, a cancel, an unreadable source, a busy
// module, bad command lines. In every case the old archive stays as it was and no temporary
// file is left behind.
#include "Sandbox.h"
#include "ZipCheck.h"
#include "ZipModules.h"
#include "archiver_results.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>

namespace fs = std::filesystem;
using namespace qb::ziptest;
using qb::arctest::FolderNames;
using qb::arctest::ReadFile;
using qb::arctest::RunShell;

namespace {

// Random bytes of that many different values: 256 do not compress at all (and are stored).
std::string RandomBytes(size_t size, unsigned values = 256)
{
    std::mt19937 rng(7);
    std::string s(size, '\0');
    for (char& c : s)
        c = static_cast<char>(rng() % values);
    return s;
}

// A small file system of its own (tmpfs), so that "full" and "read-only" are real conditions.
// Needs root; the tests that need it are skipped without.
class TmpfsMount {
public:
    TmpfsMount(const std::string& folder, const char* options) : folder_(folder)
    {
        fs::create_directories(folder);
        mounted_ = RunShell("mount -t tmpfs -o " + std::string(options) + " tmpfs '" + folder +
                            "' 2>/dev/null") == 0;
    }
    ~TmpfsMount()
    {
        if (mounted_)
            RunShell("umount '" + folder_ + "'");
    }
    bool Mounted() const { return mounted_; }
    bool MakeReadOnly() { return RunShell("mount -o remount,ro '" + folder_ + "'") == 0; }

private:
    std::string folder_;
    bool mounted_ = false;
};

class ZipFault : public ::testing::Test {
protected:
    void SetUp() override
    {
        Modules();
        source =
            DriveC() + "/FAULT/" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::create_directories(source);
        std::ofstream(source + "/small.txt") << "small\n";
    }
    void TearDown() override
    {
        Modules().zipProgress(nullptr, nullptr);
        fs::remove_all(source);
    }
    std::string source;
};

}  // namespace

TEST_F(ZipFault, FullDiskGivesNoSpaceAndKeepsTheOldArchive)
{
    TmpfsMount full(DriveD() + "/FULL", "size=2m");
    if (!full.Mounted())
        GTEST_SKIP() << "no tmpfs mount (not root)";
    ASSERT_EQ(Modules().Zip(source, R"( -r  -9 "D:\FULL\X.ZIP" "*.*")"), 0) << Modules().output;
    std::string before = ReadFile(DriveD() + "/FULL/X.ZIP");
    std::ofstream(source + "/noise.bin", std::ios::binary) << RandomBytes(5 << 20);
    EXPECT_EQ(Modules().Zip(source, R"( -r  -9 "D:\FULL\X.ZIP" "*.*")"), ARC_ERROR_DISK_FULL)
        << Modules().output;
    EXPECT_EQ(ReadFile(DriveD() + "/FULL/X.ZIP"), before);
    EXPECT_EQ(FolderNames(DriveD() + "/FULL"), std::vector<std::string>{"X.ZIP"});
    // Stored, too (the file is copied by libzip rather than by the workers).
    EXPECT_EQ(Modules().Zip(source, R"( -r  -0 "D:\FULL\X.ZIP" "*.*")"), ARC_ERROR_DISK_FULL)
        << Modules().output;
    EXPECT_EQ(ReadFile(DriveD() + "/FULL/X.ZIP"), before);
    EXPECT_EQ(FolderNames(DriveD() + "/FULL"), std::vector<std::string>{"X.ZIP"});
}

TEST_F(ZipFault, ReadOnlyDestinationGivesReadOnly)
{
    TmpfsMount ro(DriveD() + "/RO", "size=4m");
    if (!ro.Mounted())
        GTEST_SKIP() << "no tmpfs mount (not root)";
    ASSERT_EQ(Modules().Zip(source, R"( -r  -9 "D:\RO\X.ZIP" "*.*")"), 0) << Modules().output;
    std::string before = ReadFile(DriveD() + "/RO/X.ZIP");
    ASSERT_TRUE(ro.MakeReadOnly());
    std::ofstream(source + "/more.txt") << "more\n";
    EXPECT_EQ(Modules().Zip(source, R"( -r  -9 "D:\RO\X.ZIP" "*.*")"), ARC_ERROR_READ_ONLY)
        << Modules().output;
    EXPECT_EQ(Modules().Zip(source, R"( -r  -9 "D:\RO\NEW.ZIP" "*.*")"), ARC_ERROR_READ_ONLY)
        << Modules().output;
    EXPECT_EQ(ReadFile(DriveD() + "/RO/X.ZIP"), before);
    EXPECT_EQ(FolderNames(DriveD() + "/RO"), std::vector<std::string>{"X.ZIP"});
    // Extracting into a read-only folder is refused the same way.
    EXPECT_EQ(Modules().UnZip(source, R"(-x "D:\RO\X.ZIP" "D:\RO\" "small.txt")"),
              ARC_ERROR_READ_ONLY)
        << Modules().output;
}

TEST_F(ZipFault, CancelFromTheProgressProcedureChangesNothing)
{
    fs::create_directories(DriveD() + "/CANCEL");
    std::string archive = DriveD() + "/CANCEL/X.ZIP";
    fs::remove(archive);
    ASSERT_EQ(Modules().Zip(source, R"( -r  -9 "D:\CANCEL\X.ZIP" "*.*")"), 0) << Modules().output;
    std::string before = ReadFile(archive);
    std::ofstream(source + "/big.bin", std::ios::binary) << RandomBytes(6 << 20);
    std::ofstream(source + "/small.txt") << "changed\n";

    struct Probe {
        int calls = 0;
        int cancelAt = 0;
        int runningSeen = 0;
    };
    for (int cancelAt : {1, 3}) {  // before the first member, and in the middle of the big one
        Probe probe;
        probe.cancelAt = cancelAt;
        Modules().zipProgress(
            [](const char*, unsigned long long, unsigned long long, void* user) {
                auto* p = static_cast<Probe*>(user);
                p->runningSeen = Modules().zipRunning();
                return ++p->calls >= p->cancelAt ? 0 : 1;
            },
            &probe);
        for (const char* level : {"-9", "-0"}) {
            probe.calls = 0;
            std::string command = std::string(" -r  ") + level + R"( "D:\CANCEL\X.ZIP" "*.*")";
            EXPECT_EQ(Modules().Zip(source, command), ARC_ERROR_USER_CANCEL) << Modules().output;
            EXPECT_EQ(probe.calls, cancelAt);
            EXPECT_NE(probe.runningSeen, 0);
            EXPECT_EQ(ReadFile(archive), before);
            EXPECT_EQ(FolderNames(DriveD() + "/CANCEL"), std::vector<std::string>{"X.ZIP"});
        }
    }
    EXPECT_EQ(Modules().zipRunning(), 0);
}

TEST_F(ZipFault, CancelledExtractionLeavesNoPartOfAFile)
{
    // a.bin is inflated in one piece, big.bin (larger than that) streamed: a cancel in either
    // leaves its file as it was, and the files extracted before it complete.
    std::string a = RandomBytes(3 << 20, 16), big = RandomBytes(10 << 20, 16);
    std::ofstream(source + "/a.bin", std::ios::binary) << a;
    std::ofstream(source + "/big.bin", std::ios::binary) << big;
    fs::create_directories(DriveD() + "/XCANCEL");
    ASSERT_EQ(Modules().Zip(source, R"( -r  -9 "D:\XCANCEL\X.ZIP" "*.*")"), 0) << Modules().output;

    struct Probe {
        int calls = 0;
        int cancelAt = 0;
    };
    Probe probe;
    Modules().unzipProgress(
        [](const char*, unsigned long long, unsigned long long, void* user) {
            auto* p = static_cast<Probe*>(user);
            return ++p->calls >= p->cancelAt ? 0 : 1;
        },
        &probe);
    // Reports: before a.bin, after it; before big.bin, after each of its pieces. With several
    // threads a.bin is written by a worker, which must not put it in place after a cancel.
    for (int run = 0; run < 8; ++run) {
        const char* threads = run < 4 ? "1" : "3";
        int cancelAt = std::vector<int>{1, 2, 4, 6}[run % 4];
        setenv("QUILLBOX2_THREADS", threads, 1);
        std::string into = DriveD() + "/XCANCEL/to" + std::to_string(cancelAt) + "-" + threads;
        fs::create_directories(into);
        std::ofstream(into + "/big.bin") << "old\n";
        probe = Probe{0, cancelAt};
        EXPECT_EQ(Modules().UnZip(source, "-x \"D:\\XCANCEL\\X.ZIP\" \"" + into + "\""),
                  ARC_ERROR_USER_CANCEL)
            << cancelAt << Modules().output;
        EXPECT_EQ(probe.calls, cancelAt);
        std::vector<std::string> expected = {"big.bin"};
        if (cancelAt > 2)
            expected = {"a.bin", "big.bin"};
        EXPECT_EQ(FolderNames(into), expected) << cancelAt;
        EXPECT_EQ(ReadFile(into + "/big.bin"), "old\n") << cancelAt;
        if (cancelAt > 2) {
            EXPECT_EQ(ReadFile(into + "/a.bin"), a);
        }
    }
    unsetenv("QUILLBOX2_THREADS");
    Modules().unzipProgress(nullptr, nullptr);
    EXPECT_EQ(Modules().unzipRunning(), 0);
}

TEST_F(ZipFault, UnreadableSourcesAreNamedOrFailTheCall)
{
    // Root reads every ordinary file; this kernel file refuses reading even to root. It is
    // left out and named, and the archive holds the rest.
    const char* unreadable = "/proc/sys/vm/compact_memory";
    int fd = open(unreadable, O_RDONLY);
    if (fd >= 0 || errno != EACCES) {
        if (fd >= 0)
            close(fd);
        GTEST_SKIP() << "no file that refuses reading here";
    }
    fs::create_directories(DriveD() + "/UNREAD");
    std::string archive = DriveD() + "/UNREAD/X.ZIP";
    fs::remove(archive);
    // The links lead outside the folder: they are followed only when named.
    fs::create_symlink(unreadable, source + "/locked.txt");
    EXPECT_EQ(Modules().Zip(source, R"( -r  -9 "D:\UNREAD\X.ZIP" small.txt locked.txt)"),
              ARC_ERROR_INCOMPLETE);
    EXPECT_NE(Modules().output.find("skipped unreadable locked.txt\n"), std::string::npos)
        << Modules().output;
    EXPECT_EQ(ArchiveMembers(archive), std::vector<std::string>{"small.txt"});
    fs::remove(archive);

    // A file whose reads fail once packing has begun fails the call: no archive, or the old one
    // as it was.
    fs::remove(source + "/locked.txt");
    fs::create_symlink("/proc/self/mem", source + "/locked.txt");
    int result = Modules().Zip(source, R"( -r  -9 "D:\UNREAD\X.ZIP" "*.*" locked.txt)");
    EXPECT_EQ(result, ARC_ERROR_READ_SOURCE) << Modules().output;
    EXPECT_TRUE(FolderNames(DriveD() + "/UNREAD").empty());
    fs::remove(source + "/locked.txt");
    ASSERT_EQ(Modules().Zip(source, R"( -r  -9 "D:\UNREAD\X.ZIP" "*.*")"), 0);
    std::string before = ReadFile(archive);
    fs::create_symlink("/proc/self/mem", source + "/locked.txt");
    EXPECT_EQ(Modules().Zip(source, R"( -r  -0 "D:\UNREAD\X.ZIP" "*.*" locked.txt)"),
              ARC_ERROR_READ_SOURCE);
    EXPECT_EQ(ReadFile(archive), before);
    EXPECT_EQ(FolderNames(DriveD() + "/UNREAD"), std::vector<std::string>{"X.ZIP"});
}

TEST_F(ZipFault, ASecondCallWhileRunningIsRefusedAsBusy)
{
    fs::create_directories(DriveD() + "/BUSY");
    struct Probe {
        int nested = -1;
        std::string cwd;
    } probe;
    Modules().zipProgress(
        [](const char*, unsigned long long, unsigned long long, void* user) {
            auto* p = static_cast<Probe*>(user);
            if (p->nested == -1) {
                char out[64];
                p->nested = Modules().zip(nullptr, R"( -r "D:\BUSY\Y.ZIP" "*.*")", out, sizeof out);
            }
            return 1;
        },
        &probe);
    EXPECT_EQ(Modules().Zip(source, R"( -r  -9 "D:\BUSY\X.ZIP" "*.*")"), 0) << Modules().output;
    EXPECT_EQ(probe.nested, ARC_ERROR_BUSY);
    EXPECT_EQ(FolderNames(DriveD() + "/BUSY"), std::vector<std::string>{"X.ZIP"});
}

TEST_F(ZipFault, CorruptArchiveIsNeitherUpdatedNorReplaced)
{
    fs::create_directories(DriveD() + "/CORRUPT");
    std::string archive = DriveD() + "/CORRUPT/X.ZIP";
    std::ofstream(archive, std::ios::binary) << "PK\x03\x04 this is not really an archive";
    std::string before = ReadFile(archive);
    EXPECT_EQ(Modules().Zip(source, R"( -r  -9 "D:\CORRUPT\X.ZIP" "*.*")"), ARC_ERROR_BAD_ARCHIVE);
    EXPECT_EQ(ReadFile(archive), before);
    EXPECT_EQ(FolderNames(DriveD() + "/CORRUPT"), std::vector<std::string>{"X.ZIP"});

    // A real archive with a damaged member header: the update refuses it as well.
    fs::remove(archive);
    ASSERT_EQ(Modules().Zip(source, R"( -r  -9 "D:\CORRUPT\X.ZIP" "*.*")"), 0);
    std::string bytes = ReadFile(archive);
    bytes[1] = 'X';  // the first local header's signature
    std::ofstream(archive, std::ios::binary | std::ios::trunc) << bytes;
    std::ofstream(source + "/new.txt") << "new\n";
    EXPECT_EQ(Modules().Zip(source, R"( -r  -9 "D:\CORRUPT\X.ZIP" "*.*")"), ARC_ERROR_BAD_ARCHIVE);
    EXPECT_EQ(ReadFile(archive), bytes);
    EXPECT_EQ(FolderNames(DriveD() + "/CORRUPT"), std::vector<std::string>{"X.ZIP"});
}

TEST_F(ZipFault, BadCommandLinesAreRefused)
{
    EXPECT_EQ(Modules().Zip(source, R"( -r -q "D:\OUT\X.ZIP" "*.*")"), ARC_ERROR_COMMAND_LINE);
    EXPECT_EQ(Modules().Zip(source, " -r -9 "), ARC_ERROR_COMMAND_LINE);
    EXPECT_EQ(Modules().Zip(source, R"( -r "D:\OUT\X.ZIP")"), ARC_ERROR_NOTHING_TO_DO);
    EXPECT_EQ(Modules().Zip(source, R"( -r "D:\OUT\X.ZIP" "*.none")"), ARC_ERROR_NOTHING_TO_DO);
    EXPECT_EQ(Modules().Zip(source, R"( -r "D:\NO\SUCH\X.ZIP" "*.*")"), ARC_ERROR_FOLDER_MISSING);
    char small[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(Modules().zip(nullptr, nullptr, small, sizeof small), ARC_ERROR_COMMAND_LINE);
    EXPECT_EQ(small[3], '\0');  // a short buffer still ends in NUL
    EXPECT_GE(Modules().zipVersion(), 104);
    EXPECT_GE(Modules().unzipVersion(), 104);
}

TEST(ZipModuleFiles, ZipModulesDoNotLoadWithoutTheEngine)
{
    // In a fresh process (this one has the engine loaded already): qbarc with a system folder
    // that lacks IZIP32J.DLL cannot load ZIP32J.DLL; with it, it can.
    qb::arctest::Sandbox box;
    fs::copy_file(SystemFolder() + "/ZIP32J.DLL", box.Path("ZIP32J.DLL"));
    fs::copy_file(SystemFolder() + "/UNZIP32.DLL", box.Path("UNZIP32.DLL"));
    std::string qbarc = std::string(QB_TEST_BIN_DIR) + "/qbarc";
    std::string run = "QUILLBOX2_SYSTEM_DIR='" + box.Root() + "' " + qbarc;
    EXPECT_EQ(RunShell(run + " ZIP32J.DLL '-l x' 2>/dev/null"), 2);
    EXPECT_EQ(RunShell(run + " UNZIP32.DLL '-l x' 2>/dev/null"), 2);
    fs::copy_file(SystemFolder() + "/IZIP32J.DLL", box.Path("IZIP32J.DLL"));
    std::string output;
    EXPECT_EQ(RunShell(run + " UNZIP32.DLL '-l /no/such.zip' 2>/dev/null", &output), 1);
    EXPECT_NE(output.find("result: " + std::to_string(ARC_ERROR_ARCHIVE_MISSING)),
              std::string::npos);
}
