// Failures: full and read-only file systems, cancel from the progress procedure, unreadable
// sources, damaged archives, a call while one runs. Every one must end with its code, leave an
// existing archive exactly as it was and leave no temporary file.
#include "UnlhaHarness.h"

#include "archiver_results.h"

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <random>
#include <thread>

namespace unlhatest {
namespace {

std::string RandomBytes(std::size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (auto& c : s)
        c = static_cast<char>(rng());
    return s;
}

// A tmpfs mounted for the length of a test (the tests run as root in CI; elsewhere they skip).
class TmpfsMount {
public:
    TmpfsMount(const std::string& path, const std::string& options) : m_path(path)
    {
        std::filesystem::create_directories(path);
        m_ok = qb::arctest::RunShell("mount -t tmpfs -o " + options + " tmpfs '" + path +
                                     "' 2>/dev/null") == 0;
    }
    ~TmpfsMount()
    {
        if (m_ok)
            qb::arctest::RunShell("umount -l '" + m_path + "'");
    }
    bool Ok() const { return m_ok; }
    bool Remount(const std::string& options)
    {
        return qb::arctest::RunShell("mount -o remount," + options + " '" + m_path + "'") == 0;
    }

private:
    std::string m_path;
    bool m_ok = false;
};

class Faults : public DrivesTest {
protected:
    void SetUp() override
    {
        DrivesTest::SetUp();
        folder = C("SRC");
        std::filesystem::create_directories(folder);
        std::ofstream(folder + "/small.txt") << "small file\n";
    }
    std::string folder;
};

TEST_F(Faults, FullFileSystemGives32773AndKeepsTheOldArchive)
{
    TmpfsMount full(D("FULL"), "size=2m");
    if (!full.Ok())
        GTEST_SKIP() << "cannot mount a tmpfs here";
    qb::arctest::ScopedCwd cwd(folder);
    ASSERT_EQ(Unlha("a -x D:\\FULL\\OLD.LZH small.txt").rc, 0);
    std::string before = qb::arctest::ReadFile(D("FULL/OLD.LZH"));
    std::ofstream(folder + "/random.bin") << RandomBytes(3u << 20, 1);

    // The archive beside itself, then with the work folder on the full disk as well.
    EXPECT_EQ(Unlha("a -x D:\\FULL\\OLD.LZH *.*").rc, ARC_ERROR_DISK_FULL);
    EXPECT_EQ(Unlha("a -x -wD:\\FULL\\ D:\\FULL\\OLD.LZH *.*").rc, ARC_ERROR_DISK_FULL);
    EXPECT_EQ(Unlha("a -x -z1 D:\\FULL\\OLD.LZH *.*").rc, ARC_ERROR_DISK_FULL);
    EXPECT_EQ(qb::arctest::ReadFile(D("FULL/OLD.LZH")), before);
    EXPECT_EQ(qb::arctest::FolderNames(D("FULL")), std::vector<std::string>{"OLD.LZH"});

    // A new archive on another disk, built in the full work folder.
    std::filesystem::create_directories(D("OUT"));
    EXPECT_EQ(Unlha("a -x -wD:\\FULL\\ D:\\OUT\\NEW.LZH *.*").rc, ARC_ERROR_DISK_FULL);
    EXPECT_EQ(qb::arctest::FolderNames(D("OUT")), std::vector<std::string>{});
    EXPECT_EQ(qb::arctest::FolderNames(D("FULL")), std::vector<std::string>{"OLD.LZH"});

    // Extracting onto the full disk: no half-written file under the member's name.
    std::ofstream(folder + "/random.bin", std::ios::trunc) << RandomBytes(3u << 20, 2);
    ASSERT_EQ(Unlha("a -x D:\\OUT\\BIG.LZH random.bin").rc, 0);
    EXPECT_EQ(Unlha("x D:\\OUT\\BIG.LZH D:\\FULL\\X\\").rc, ARC_ERROR_DISK_FULL);
    EXPECT_EQ(qb::arctest::FolderNames(D("FULL/X")), std::vector<std::string>{});
}

TEST_F(Faults, ReadOnlyDestinationGives32774)
{
    TmpfsMount ro(D("RO"), "size=4m");
    if (!ro.Ok())
        GTEST_SKIP() << "cannot mount a tmpfs here";
    qb::arctest::ScopedCwd cwd(folder);
    ASSERT_EQ(Unlha("a -x D:\\RO\\OLD.LZH small.txt").rc, 0);
    std::string before = qb::arctest::ReadFile(D("RO/OLD.LZH"));
    ASSERT_TRUE(ro.Remount("ro"));
    std::ofstream(folder + "/more.txt") << "more\n";
    EXPECT_EQ(Unlha("u -x D:\\RO\\OLD.LZH *.*").rc, ARC_ERROR_READ_ONLY);
    EXPECT_EQ(Unlha("a -x D:\\RO\\NEW.LZH *.*").rc, ARC_ERROR_READ_ONLY);
    EXPECT_EQ(Unlha("d D:\\RO\\OLD.LZH small.txt").rc, ARC_ERROR_READ_ONLY);
    EXPECT_EQ(qb::arctest::ReadFile(D("RO/OLD.LZH")), before);
    EXPECT_EQ(qb::arctest::FolderNames(D("RO")), std::vector<std::string>{"OLD.LZH"});
    // Reading from a read-only disk is fine.
    EXPECT_EQ(Unlha("t D:\\RO\\OLD.LZH").rc, 0);
}

struct CancelState {
    int calls = 0;
    int cancelAt = 1;
    std::thread::id thread;
    bool otherThread = false;
    bool notRunning = false;
    unsigned long long lastDone = 0;
    bool backwards = false;
    bool overTotal = false;
};

int ProgressProc(const char*, unsigned long long done, unsigned long long total, void* user)
{
    auto* s = static_cast<CancelState*>(user);
    ++s->calls;
    if (std::this_thread::get_id() != s->thread)
        s->otherThread = true;
    if (UnlhaGetRunning() == 0)
        s->notRunning = true;
    if (done < s->lastDone)
        s->backwards = true;
    if (total && done > total)
        s->overTotal = true;
    s->lastDone = done;
    return s->calls >= s->cancelAt ? 0 : 1;
}

TEST_F(Faults, CancelGives32800AndChangesNothing)
{
    std::filesystem::create_directories(D("OUT"));
    qb::arctest::ScopedCwd cwd(folder);
    ASSERT_EQ(Unlha("a -x D:\\OUT\\OLD.LZH small.txt").rc, 0);
    std::string before = qb::arctest::ReadFile(D("OUT/OLD.LZH"));
    for (int i = 0; i < 4; ++i)
        std::ofstream(folder + "/part" + std::to_string(i) + ".bin")
            << RandomBytes(3u << 20, 10 + i);

    for (int cancelAt : {1, 3}) {
        CancelState s;
        s.cancelAt = cancelAt;
        s.thread = std::this_thread::get_id();
        SetProgress(ProgressProc, &s);
        EXPECT_EQ(Unlha("a -x D:\\OUT\\OLD.LZH *.*").rc, ARC_ERROR_USER_CANCEL) << cancelAt;
        EXPECT_EQ(Unlha("a -x D:\\OUT\\NEW.LZH *.*").rc, ARC_ERROR_USER_CANCEL) << cancelAt;
        SetProgress(nullptr, nullptr);
        EXPECT_FALSE(s.otherThread) << "progress came from a worker thread";
        EXPECT_EQ(qb::arctest::ReadFile(D("OUT/OLD.LZH")), before);
        EXPECT_EQ(qb::arctest::FolderNames(D("OUT")), std::vector<std::string>{"OLD.LZH"});
    }

    // Cancelled extraction leaves no file under a member's name.
    ASSERT_EQ(Unlha("a -x D:\\OUT\\BIG.LZH part0.bin").rc, 0);
    CancelState s;
    s.cancelAt = 2;
    s.thread = std::this_thread::get_id();
    SetProgress(ProgressProc, &s);
    EXPECT_EQ(Unlha("x D:\\OUT\\BIG.LZH D:\\X\\").rc, ARC_ERROR_USER_CANCEL);
    SetProgress(nullptr, nullptr);
    EXPECT_EQ(qb::arctest::FolderNames(D("X")), std::vector<std::string>{});
}

TEST_F(Faults, ProgressComesOnTheCallingThreadWhileRunning)
{
    std::filesystem::create_directories(D("OUT"));
    for (int i = 0; i < 6; ++i)
        std::ofstream(folder + "/part" + std::to_string(i) + ".txt")
            << std::string(2u << 20, static_cast<char>('a' + i));
    qb::arctest::ScopedCwd cwd(folder);
    CancelState s;
    s.cancelAt = 1 << 30;
    s.thread = std::this_thread::get_id();
    SetProgress(ProgressProc, &s);
    EXPECT_EQ(UnlhaGetRunning(), 0);
    EXPECT_EQ(Unlha("a -x D:\\OUT\\P.LZH *.*").rc, 0);
    EXPECT_EQ(Unlha("t D:\\OUT\\P.LZH").rc, 0);
    SetProgress(nullptr, nullptr);
    EXPECT_EQ(UnlhaGetRunning(), 0);
    EXPECT_GT(s.calls, 0);
    EXPECT_FALSE(s.otherThread);
    EXPECT_FALSE(s.notRunning);
    EXPECT_FALSE(s.overTotal);
    EXPECT_GE(UnlhaGetVersion(), 104);
}

int CallAgain(const char*, unsigned long long, unsigned long long, void* user)
{
    *static_cast<CallResult*>(user) = Unlha("l D:\\OUT\\P.LZH");
    return 1;
}

TEST_F(Faults, SecondCallDuringACallIsRefusedAsBusy)
{
    std::filesystem::create_directories(D("OUT"));
    qb::arctest::ScopedCwd cwd(folder);
    CallResult inner;
    SetProgress(CallAgain, &inner);
    EXPECT_EQ(Unlha("a -x D:\\OUT\\P.LZH *.*").rc, 0);
    SetProgress(nullptr, nullptr);
    EXPECT_EQ(inner.rc, ARC_ERROR_BUSY);
    EXPECT_FALSE(inner.output.empty());
}

TEST_F(Faults, UnreadableSourceFailsTheCall)
{
    // Root reads every file, so the failure comes from a file whose reads fail: a link to
    // /proc/self/mem, which reports EIO at offset 0. It leads outside the folder, so it is
    // followed only when named.
    std::filesystem::create_directories(D("OUT"));
    qb::arctest::ScopedCwd cwd(folder);
    ASSERT_EQ(Unlha("a -x D:\\OUT\\OLD.LZH small.txt").rc, 0);
    std::string before = qb::arctest::ReadFile(D("OUT/OLD.LZH"));
    ASSERT_EQ(symlink("/proc/self/mem", (folder + "/unreadable.bin").c_str()), 0);
    for (const char* line : {"a -x D:\\OUT\\OLD.LZH *.* unreadable.bin",
                             "a -x -z1 D:\\OUT\\NEW.LZH small.txt unreadable.bin",
                             "a -x D:\\OUT\\NEW.LZH small.txt unreadable.bin"}) {
        CallResult r = Unlha(line);
        EXPECT_EQ(r.rc, ARC_ERROR_READ_SOURCE) << line;
        EXPECT_NE(r.output.find("failed unreadable unreadable.bin\n"), std::string::npos)
            << r.output;
    }
    EXPECT_EQ(qb::arctest::ReadFile(D("OUT/OLD.LZH")), before);
    EXPECT_EQ(qb::arctest::FolderNames(D("OUT")), std::vector<std::string>{"OLD.LZH"});
}

TEST_F(Faults, SpecialFilesAreSkippedAndLinkLoopsNotFollowed)
{
    std::filesystem::create_directories(D("OUT"));
    std::filesystem::create_directories(folder + "/sub");
    std::ofstream(folder + "/sub/inner.txt") << "inner\n";
    ASSERT_EQ(mkfifo((folder + "/fifo").c_str(), 0644), 0);
    ASSERT_EQ(symlink("..", (folder + "/sub/loop").c_str()), 0);
    ASSERT_EQ(symlink("/dev/null", (folder + "/device").c_str()), 0);
    qb::arctest::ScopedCwd cwd(folder);
    CallResult r = Unlha("a -xr D:\\OUT\\S.LZH *.*");
    ASSERT_EQ(r.rc, ARC_ERROR_INCOMPLETE) << r.output;
    EXPECT_NE(r.output.find("skipped not-regular fifo\n"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("skipped link-outside device\n"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("skipped link-loop sub/loop\n"), std::string::npos) << r.output;
    std::set<std::string> names = MemberNames(D("OUT/S.LZH"));
    EXPECT_TRUE(names.count("small.txt"));
    EXPECT_TRUE(names.count("sub/inner.txt"));
    EXPECT_FALSE(names.count("fifo"));
    EXPECT_FALSE(names.count("device"));
    EXPECT_LT(names.size(), 10u) << "the loop was followed";
}

TEST_F(Faults, NameWithABackslashIsLeftOut)
{
    // Readers would take the backslash for a separator and every u would add the file again.
    std::filesystem::create_directories(D("OUT"));
    std::ofstream(folder + "/a\\b.txt") << "x\n";
    qb::arctest::ScopedCwd cwd(folder);
    for (int run = 0; run < 2; ++run) {
        CallResult r = Unlha("u -x D:\\OUT\\B.LZH *.*");
        ASSERT_EQ(r.rc, ARC_ERROR_INCOMPLETE) << r.output;
        EXPECT_NE(r.output.find("skipped backslash-in-name a\\x5Cb.txt\n"), std::string::npos)
            << r.output;
    }
    EXPECT_EQ(MemberNames(D("OUT/B.LZH")), std::set<std::string>{"small.txt"});
}

TEST_F(Faults, DamagedArchivesFailCleanly)
{
    std::filesystem::create_directories(D("OUT"));
    std::string lzh = QB_TESTDATA_DIR "/lzh/";
    std::filesystem::copy_file(lzh + "regression_truncated.lzh", D("OUT/TRUNC.LZH"));
    std::string good = qb::arctest::ReadFile(lzh + "explzh723_h2_lh5.lzh");
    std::string badData = good;
    badData[good.size() / 2] = static_cast<char>(badData[good.size() / 2] ^ 0x55);
    std::ofstream(D("OUT/BADDATA.LZH"), std::ios::binary) << badData;
    std::string badHeader = good;
    badHeader[30] = static_cast<char>(badHeader[30] ^ 0x01);
    std::ofstream(D("OUT/BADHEAD.LZH"), std::ios::binary) << badHeader;
    std::ofstream(D("OUT/NOISE.LZH"), std::ios::binary) << RandomBytes(5000, 7);

    qb::arctest::ScopedCwd cwd(folder);
    for (const char* name : {"TRUNC", "BADDATA", "BADHEAD", "NOISE"}) {
        SCOPED_TRACE(name);
        std::string archive = std::string("D:\\OUT\\") + name + ".LZH";
        std::string host = D(std::string("OUT/") + name + ".LZH");
        std::string before = qb::arctest::ReadFile(host);
        bool headersFine = std::string(name) == "BADDATA";
        EXPECT_EQ(Unlha("l " + archive).rc, headersFine ? 0 : ARC_ERROR_BAD_ARCHIVE);
        EXPECT_EQ(Unlha("t " + archive).rc,
                  headersFine ? ARC_ERROR_CHECKSUM : ARC_ERROR_BAD_ARCHIVE);
        std::string target = D(std::string("X") + name);
        EXPECT_NE(Unlha("x " + archive + " " + "D:\\X" + name + "\\").rc, 0);
        // Nothing under a member's name: a damaged member is not written at all.
        EXPECT_EQ(qb::arctest::FolderNames(target), std::vector<std::string>{});
        if (!headersFine) {
            EXPECT_EQ(Unlha("u -x " + archive + " small.txt").rc, ARC_ERROR_BAD_ARCHIVE);
        }
        EXPECT_EQ(qb::arctest::ReadFile(host), before);
    }
    EXPECT_EQ(Unlha("l D:\\OUT\\MISSING.LZH").rc, ARC_ERROR_ARCHIVE_MISSING);
    EXPECT_EQ(Unlha("x -q D:\\OUT\\TRUNC.LZH").rc, ARC_ERROR_COMMAND_LINE);
    EXPECT_EQ(Unlha("").rc, ARC_ERROR_COMMAND_LINE);
}

}  // namespace
}  // namespace unlhatest
