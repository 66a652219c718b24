// Nothing left out silently, no link out of the packed folder, deep paths, names as bytes, the
// test-before-replace and rebuild switches, private temporary files, and calls killed at any
// point: the next call leaves no temporary file and the old archive as it was.
#include "MemberKiller.h"
#include "UnlhaHarness.h"

#include "archiver_output.h"
#include "archiver_results.h"
#include "lzh_header.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <random>

namespace unlhatest {
namespace {

namespace fs = std::filesystem;
using qb::arctest::KillInMember;
using qb::arctest::MemberKiller;

std::string RandomText(std::size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::string s(n, ' ');
    for (auto& c : s)
        c = static_cast<char>('a' + rng() % 8);  // compressible, but not trivially
    return s;
}

std::vector<std::string> TempFiles(const std::string& folder)
{
    std::vector<std::string> found;
    for (const std::string& name : qb::arctest::FolderNames(folder))
        if (name.size() > 6 && name.compare(name.size() - 6, 6, ".qbtmp") == 0)
            found.push_back(name);
    return found;
}

class Safety : public DrivesTest {
protected:
    void SetUp() override
    {
        DrivesTest::SetUp();
        folder = C("SRC");
        fs::create_directories(folder);
        fs::create_directories(D("OUT"));
        std::ofstream(folder + "/small.txt") << "small file\n";
    }
    std::string folder;
};

TEST_F(Safety, EveryFileLeftOutIsNamedAndTheRestIsPacked)
{
    // Outside the packed folder: a private folder and a file, reached by links from inside.
    std::string outside = C("PRIVATE");
    fs::create_directories(outside);
    std::ofstream(outside + "/shadow") << "secret\n";
    fs::create_directories(folder + "/inner");
    std::ofstream(folder + "/inner/kept.txt") << "kept\n";
    ASSERT_EQ(symlink(outside.c_str(), (folder + "/etc").c_str()), 0);
    ASSERT_EQ(symlink((outside + "/shadow").c_str(), (folder + "/shadow.txt").c_str()), 0);
    ASSERT_EQ(symlink("../../SRC/../PRIVATE/shadow", (folder + "/inner/sneaky").c_str()), 0);
    ASSERT_EQ(symlink("inner", (folder + "/inside").c_str()), 0);  // inside, but taken already
    ASSERT_EQ(symlink("small.txt", (folder + "/alias.txt").c_str()), 0);  // inside: followed
    ASSERT_EQ(symlink("nowhere", (folder + "/dangling").c_str()), 0);
    ASSERT_EQ(mkfifo((folder + "/fifo").c_str(), 0600), 0);
    std::ofstream(folder + "/a\\b.txt") << "backslash\n";
    qb::arctest::ScopedCwd cwd(folder);

    CallResult r = Unlha("a -xr D:\\OUT\\S.LZH *.*");
    ASSERT_EQ(r.rc, ARC_ERROR_INCOMPLETE) << r.output;
    for (const char* line :
         {"skipped backslash-in-name a\\x5Cb.txt\n", "skipped link-dangling dangling\n",
          "skipped link-outside etc\n", "skipped not-regular fifo\n", "skipped link-loop inside\n",
          "skipped link-outside inner/sneaky\n", "skipped link-outside shadow.txt\n"})
        EXPECT_NE(r.output.find(line), std::string::npos) << line << r.output;
    // The archive that was written holds everything else, and it is in place.
    EXPECT_EQ(MemberNames(D("OUT/S.LZH")),
              (std::set<std::string>{"alias.txt", "inner/", "inner/kept.txt", "small.txt"}));
    EXPECT_EQ(PeersReject(D("OUT/S.LZH"), 3), "");
    EXPECT_EQ(qb::arctest::ReadFile(D("OUT/S.LZH")).find("secret"), std::string::npos);
    // An update with nothing new still says that files are missing.
    r = Unlha("u -xr D:\\OUT\\S.LZH *.*");
    EXPECT_EQ(r.rc, ARC_ERROR_INCOMPLETE) << r.output;
    // A link named on the command line is the user's own choice and is followed.
    r = Unlha("a -x D:\\OUT\\N.LZH shadow.txt");
    EXPECT_EQ(r.rc, ARC_OK) << r.output;
}

TEST_F(Safety, NamesThatAreNotUtf8AreStoredAsTheirBytes)
{
    std::string latin1 = "caf\xE9.txt";
    std::ofstream(folder + "/" + latin1) << "latin-1 name\n";
    std::ofstream(folder + "/bell\x07.txt") << "a control character: shown as _ by readers\n";
    qb::arctest::ScopedCwd cwd(folder);
    CallResult r = Unlha("a -x D:\\OUT\\R.LZH *.*");
    ASSERT_EQ(r.rc, ARC_OK) << r.output;
    EXPECT_NE(r.output.find("raw-name caf\\xE9.txt\n"), std::string::npos) << r.output;
    EXPECT_NE(qb::arctest::ReadFile(D("OUT/R.LZH")).find(latin1), std::string::npos);
    // bsdtar refuses names it cannot convert to the locale's code; the others read them.
    EXPECT_EQ(MemberNames(D("OUT/R.LZH")).size(), 3u);
    EXPECT_EQ(qb::arctest::RunShell("lhasa t '" + D("OUT/R.LZH") + "' >/dev/null 2>&1"), 0);
    EXPECT_EQ(qb::arctest::RunShell("7zz t '" + D("OUT/R.LZH") + "' >/dev/null 2>&1"), 0);
    // lhasa gives back the very bytes.
    fs::create_directories(D("X"));
    ASSERT_EQ(qb::arctest::RunShell("cd '" + D("X") + "' && lhasa xq '" + D("OUT/R.LZH") +
                                    "' >/dev/null 2>&1"),
              0);
    EXPECT_EQ(qb::arctest::ReadFile(D("X/") + latin1), "latin-1 name\n");
    // An update finds the member again by its bytes instead of adding it once more.
    std::string before = qb::arctest::ReadFile(D("OUT/R.LZH"));
    r = Unlha("u -x D:\\OUT\\R.LZH *.*");
    EXPECT_EQ(r.rc, ARC_OK) << r.output;
    EXPECT_TRUE(qb::arctest::ReadFile(D("OUT/R.LZH")) == before);
}

TEST_F(Safety, PathsLongerThanTheSystemLimitArePacked)
{
    // 24 levels of 200-byte names: about 4,800 bytes below the packed folder. Made with mkdirat,
    // as no single path call accepts it.
    int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(dir, 0);
    std::string member;
    for (int level = 0; level < 24; ++level) {
        std::string name = std::string(196, 'd') + std::to_string(1000 + level);
        ASSERT_EQ(mkdirat(dir, name.c_str(), 0755), 0);
        int next = openat(dir, name.c_str(), O_RDONLY | O_DIRECTORY);
        close(dir);
        ASSERT_GE(next, 0);
        dir = next;
        member += name + "/";
    }
    int fd = openat(dir, "deep.txt", O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    std::string content = RandomText(100000, 5);
    ASSERT_EQ(write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
    close(fd);
    close(dir);
    member += "deep.txt";
    ASSERT_GT(member.size(), 4096u);

    qb::arctest::ScopedCwd cwd(folder);
    CallResult r = Unlha("a -xr D:\\OUT\\DEEP.LZH *.*");
    ASSERT_EQ(r.rc, ARC_OK) << r.output;
    EXPECT_TRUE(MemberNames(D("OUT/DEEP.LZH")).count(member));
    EXPECT_EQ(PeersReject(D("OUT/DEEP.LZH"), 2), "");
    std::string out;
    ASSERT_EQ(
        qb::arctest::RunShell("bsdtar xOf '" + D("OUT/DEEP.LZH") + "' '" + member + "'", &out), 0);
    EXPECT_EQ(out, content);
    // Stored (read on the calling thread) as well.
    EXPECT_EQ(Unlha("a -xr -z1 D:\\OUT\\DEEP0.LZH *.*").rc, ARC_OK);
    EXPECT_TRUE(MemberNames(D("OUT/DEEP0.LZH")).count(member));
}

// A progress procedure that damages the finished temporary archive before the module tests it,
// as a failing disk would.
struct Corrupter {
    std::string folder;
    bool done = false;
};

int CorruptTemp(const char* member, unsigned long long, unsigned long long, void* user)
{
    // The last report, naming the archive, comes when it is written whole.
    auto& c = *static_cast<Corrupter*>(user);
    if (c.done || !std::strstr(member, ".LZH"))
        return 1;
    for (const std::string& name : TempFiles(c.folder)) {
        std::string path = c.folder + "/" + name;
        std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
        f.seekg(0, std::ios::end);
        std::streamoff size = f.tellg();
        f.seekp(size - 100);
        f.put('\x55').put('\xAA').put('\x55');
        c.done = true;
    }
    return 1;
}

TEST_F(Safety, TestSwitchKeepsTheOldArchiveWhenTheNewOneIsBad)
{
    std::ofstream(folder + "/text.txt") << RandomText(200000, 1);
    qb::arctest::ScopedCwd cwd(folder);
    ASSERT_EQ(Unlha("a -x D:\\OUT\\T.LZH small.txt").rc, ARC_OK);
    std::string before = qb::arctest::ReadFile(D("OUT/T.LZH"));
    Corrupter corrupter{D("OUT")};
    SetProgress(CorruptTemp, &corrupter);
    CallResult bad = Unlha("a -x -test D:\\OUT\\T.LZH *.*");
    SetProgress(nullptr, nullptr);
    ASSERT_TRUE(corrupter.done);
    EXPECT_EQ(bad.rc, ARC_ERROR_TEST_FAILED) << bad.output;
    EXPECT_NE(bad.output.find("failed test-failed "), std::string::npos) << bad.output;
    EXPECT_TRUE(qb::arctest::ReadFile(D("OUT/T.LZH")) == before);
    EXPECT_EQ(qb::arctest::FolderNames(D("OUT")), std::vector<std::string>{"T.LZH"});
    // Without damage the tested archive goes in place.
    CallResult good = Unlha("a -x -test D:\\OUT\\T.LZH *.*");
    EXPECT_EQ(good.rc, ARC_OK) << good.output;
    EXPECT_EQ(MemberNames(D("OUT/T.LZH")), (std::set<std::string>{"small.txt", "text.txt"}));
}

TEST_F(Safety, SyncRebuildsFromTheFolderOnly)
{
    std::ofstream(folder + "/gone.txt") << RandomText(5000, 2);
    qb::arctest::ScopedCwd cwd(folder);
    ASSERT_EQ(Unlha("a -x D:\\OUT\\S.LZH *.*").rc, ARC_OK);
    fs::remove(folder + "/gone.txt");
    // An update keeps what the folder no longer has; a rebuild does not.
    ASSERT_EQ(Unlha("u -x D:\\OUT\\S.LZH *.*").rc, ARC_OK);
    EXPECT_TRUE(MemberNames(D("OUT/S.LZH")).count("gone.txt"));
    CallResult r = Unlha("u -x -sync -z1 D:\\OUT\\S.LZH *.*");
    ASSERT_EQ(r.rc, ARC_OK) << r.output;
    EXPECT_EQ(MemberNames(D("OUT/S.LZH")), std::set<std::string>{"small.txt"});
    // Stored after normal: every member takes the new mode.
    EXPECT_NE(qb::arctest::ReadFile(D("OUT/S.LZH")).find("-lh0-"), std::string::npos);
    EXPECT_EQ(PeersReject(D("OUT/S.LZH"), 1), "");
    // A damaged old archive is no obstacle to a rebuild.
    std::ofstream(D("OUT/S.LZH"), std::ios::binary) << "not an archive at all";
    EXPECT_EQ(Unlha("u -x D:\\OUT\\S.LZH *.*").rc, ARC_ERROR_BAD_ARCHIVE);
    EXPECT_EQ(Unlha("u -x -sync D:\\OUT\\S.LZH *.*").rc, ARC_OK);
    EXPECT_EQ(MemberNames(D("OUT/S.LZH")), std::set<std::string>{"small.txt"});
}

// A file that is there but cannot be read keeps its old member through a rebuild: dropping it
// would lose the only stored copy. Root reads every ordinary file; this kernel file refuses
// reading even to root, and a link named on the command line is followed to it.
const char* const kUnreadable = "/proc/sys/vm/compact_memory";

bool RefusesReading(const char* path)
{
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd >= 0)
        close(fd);
    return fd < 0 && errno == EACCES;
}

TEST_F(Safety, SyncKeepsTheOldCopyOfAFileThatCannotBeRead)
{
    if (!RefusesReading(kUnreadable))
        GTEST_SKIP() << "no file that refuses reading here";
    std::ofstream(folder + "/locked.txt") << "the only stored copy\n";
    std::ofstream(folder + "/gone.txt") << "soon gone\n";
    qb::arctest::ScopedCwd cwd(folder);
    ASSERT_EQ(Unlha("a -x D:\\OUT\\S.LZH small.txt locked.txt gone.txt").rc, ARC_OK);
    fs::remove(folder + "/gone.txt");
    fs::remove(folder + "/locked.txt");
    ASSERT_EQ(symlink(kUnreadable, (folder + "/locked.txt").c_str()), 0);
    std::ofstream(folder + "/small.txt") << "small file, changed\n";

    CallResult r = Unlha("u -x -sync D:\\OUT\\S.LZH small.txt locked.txt");
    EXPECT_EQ(r.rc, ARC_ERROR_INCOMPLETE) << r.output;
    EXPECT_NE(r.output.find("not-updated unreadable locked.txt\n"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("skipped"), std::string::npos) << r.output;
    EXPECT_EQ(MemberNames(D("OUT/S.LZH")), (std::set<std::string>{"small.txt", "locked.txt"}));
    EXPECT_EQ(PeersReject(D("OUT/S.LZH"), 2), "");
    std::string kept;
    ASSERT_EQ(qb::arctest::RunShell("7zz e -so " + D("OUT/S.LZH") + " locked.txt", &kept), 0);
    EXPECT_EQ(kept, "the only stored copy\n");

    // Without an old archive there is nothing to keep: the file is left out and named.
    fs::remove(D("OUT/S.LZH"));
    r = Unlha("u -x -sync D:\\OUT\\S.LZH small.txt locked.txt");
    EXPECT_EQ(r.rc, ARC_ERROR_INCOMPLETE) << r.output;
    EXPECT_NE(r.output.find("skipped unreadable locked.txt\n"), std::string::npos) << r.output;
    EXPECT_EQ(MemberNames(D("OUT/S.LZH")), std::set<std::string>{"small.txt"});
}

TEST_F(Safety, MembersOf4GiBAndMoreAreReported)
{
    // An archive whose one member declares 5 GiB through the 64-bit size header; an update keeps
    // it and says that many readers cannot read it.
    lzh::NewMember big;
    big.method = "-lh5-";
    big.name = "huge.img";
    big.packedSize = 4;
    big.originalSize = 5ull << 30;
    std::vector<std::uint8_t> header = lzh::BuildLevel2Header(big);
    std::string archive(header.begin(), header.end());
    archive += std::string("\x00\x00\x00\x00", 4) + std::string(1, '\0');
    std::ofstream(D("OUT/BIG.LZH"), std::ios::binary) << archive;
    qb::arctest::ScopedCwd cwd(folder);
    CallResult r = Unlha("u -x D:\\OUT\\BIG.LZH small.txt");
    ASSERT_EQ(r.rc, ARC_OK) << r.output;
    EXPECT_NE(r.output.find("large-member huge.img\n"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("large-member small.txt"), std::string::npos) << r.output;
}

// Records the mode of the temporary archive while the call writes it.
struct ModeProbe {
    std::string folder;
    mode_t mode = 0;
};

int SeeTempMode(const char*, unsigned long long, unsigned long long, void* user)
{
    auto& p = *static_cast<ModeProbe*>(user);
    for (const std::string& name : TempFiles(p.folder)) {
        struct stat info { };
        if (stat((p.folder + "/" + name).c_str(), &info) == 0)
            p.mode = info.st_mode & 07777;
    }
    return 1;
}

TEST_F(Safety, TemporaryArchivesArePrivateWhileWritten)
{
    std::ofstream(folder + "/text.txt") << RandomText(300000, 3);
    fs::create_directories(D("WORK"));
    mode_t old = umask(0);
    qb::arctest::ScopedCwd cwd(folder);
    ModeProbe probe{D("WORK")};
    SetProgress(SeeTempMode, &probe);
    CallResult r = Unlha("a -x \"-wD:\\WORK\\\" D:\\OUT\\M.LZH *.*");
    SetProgress(nullptr, nullptr);
    umask(old);
    ASSERT_EQ(r.rc, ARC_OK) << r.output;
    EXPECT_EQ(probe.mode, 0600u);
    EXPECT_TRUE(TempFiles(D("WORK")).empty());
}

// The probe: a child process runs a packing call and is killed with SIGKILL at one point of
// it, chosen by its progress procedure. Then a call of this process must leave no temporary
// file of the dead one behind, and the old archive must be exactly as it was.
enum class KillAt { FirstReport, ThirdReport, BeforeReplace };

struct Killer {
    KillAt at;
    int reports = 0;
};

int KillSelf(const char* member, unsigned long long done, unsigned long long total, void* user)
{
    auto& k = *static_cast<Killer*>(user);
    ++k.reports;
    bool now = (k.at == KillAt::FirstReport && k.reports == 1) ||
               (k.at == KillAt::ThirdReport && k.reports == 3) ||
               (k.at == KillAt::BeforeReplace && total > 0 && done == total &&
                std::strstr(member, ".LZH"));
    if (now)
        raise(SIGKILL);
    // Reports come at most every 50 ms: wait that long, so the third report comes however fast
    // the data is packed.
    usleep(60000);
    return 1;
}

TEST_F(Safety, CallsKilledAtAnyPointLeaveNothingBehind)
{
    // Enough data for several progress reports.
    for (int i = 0; i < 4; ++i)
        std::ofstream(folder + "/part" + std::to_string(i) + ".txt") << RandomText(2500000, 10 + i);
    fs::create_directories(D("WORK"));
    qb::arctest::ScopedCwd cwd(folder);
    ASSERT_EQ(Unlha("a -x D:\\OUT\\K.LZH small.txt").rc, ARC_OK);
    const std::string before = qb::arctest::ReadFile(D("OUT/K.LZH"));
    for (KillAt at : {KillAt::FirstReport, KillAt::ThirdReport, KillAt::BeforeReplace}) {
        for (const char* line :
             {"a -x D:\\OUT\\K.LZH *.*", "a -x \"-wD:\\WORK\\\" D:\\OUT\\K.LZH *.*"}) {
            SCOPED_TRACE(line);
            pid_t child = fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                Killer killer{at};
                SetProgress(KillSelf, &killer);
                Unlha(line);
                _exit(0);  // not killed: the probe point was never reached
            }
            int status = 0;
            ASSERT_EQ(waitpid(child, &status, 0), child);
            ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
                << "the call was not killed";
            EXPECT_TRUE(qb::arctest::ReadFile(D("OUT/K.LZH")) == before);
            // The dead call left its temporary archive (the next call of the loop removes it).
            EXPECT_EQ(TempFiles(std::strstr(line, "WORK") ? D("WORK") : D("OUT")).size(), 1u);
        }
    }
    // The next call removes them, and only them.
    std::ofstream(D("OUT/.notes.qbtmp")) << "not ours\n";
    CallResult r = Unlha("u -x \"-wD:\\WORK\\\" D:\\OUT\\K.LZH *.*");
    ASSERT_EQ(r.rc, ARC_OK) << r.output;
    EXPECT_EQ(TempFiles(D("OUT")), std::vector<std::string>{".notes.qbtmp"});
    EXPECT_TRUE(TempFiles(D("WORK")).empty());
    EXPECT_EQ(MemberNames(D("OUT/K.LZH")).size(), 5u);
    EXPECT_EQ(PeersReject(D("OUT/K.LZH"), 5), "");
}

// Extraction too: a call killed while it writes a member leaves that member's temporary file;
// the next extraction into the folder removes it from every folder it writes to, and leaves a
// file another call still holds locked, and files of other names, alone.
TEST_F(Safety, ExtractionsKilledHalfWayLeaveOnlyWhatTheNextOneRemoves)
{
    fs::create_directories(folder + "/sub");
    std::ofstream(folder + "/big.txt") << RandomText(6000000, 1);
    std::ofstream(folder + "/sub/big.txt") << RandomText(6000000, 2);
    {
        qb::arctest::ScopedCwd cwd(folder);
        ASSERT_EQ(Unlha("a -x -r D:\\OUT\\X.LZH *.*").rc, ARC_OK);
    }
    fs::create_directories(D("DEST/sub"));
    std::ofstream(D("DEST/sub/big.txt")) << "the old file, replaced only by a whole new one\n";
    for (const char* member : {"big.txt", "sub/big.txt"}) {
        SCOPED_TRACE(member);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            MemberKiller killer{member};
            SetProgress(KillInMember, &killer);
            Unlha("x D:\\OUT\\X.LZH D:\\DEST\\");
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "the call was not killed";
        // The file being written has no name until it is whole, so a kill leaves nothing.
        const std::string in = std::strchr(member, '/') ? D("DEST/sub") : D("DEST");
        EXPECT_TRUE(TempFiles(in).empty()) << TempFiles(in)[0];
        if (!std::strchr(member, '/')) {
            EXPECT_FALSE(fs::exists(D("DEST/big.txt")));
        }
    }
    EXPECT_EQ(qb::arctest::ReadFile(D("DEST/sub/big.txt")),
              "the old file, replaced only by a whole new one\n");

    // What a call killed on a file system without unnamed files leaves behind.
    std::ofstream(D("DEST/.big.txt.Zz9Yy8.qbtmp")) << "half a file\n";

    // A file of the pattern that a living call holds, and one of another name.
    const std::string held = D("DEST/sub/.big.txt.a1B2c3.qbtmp");
    const int heldFd = open(held.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(heldFd, 0);
    ASSERT_EQ(flock(heldFd, LOCK_EX), 0);
    std::ofstream(D("DEST/.notes.qbtmp")) << "not ours\n";
    CallResult r = Unlha("x D:\\OUT\\X.LZH D:\\DEST\\");
    close(heldFd);
    ASSERT_EQ(r.rc, ARC_OK) << r.output;
    EXPECT_EQ(TempFiles(D("DEST")), std::vector<std::string>{".notes.qbtmp"});
    EXPECT_EQ(TempFiles(D("DEST/sub")), std::vector<std::string>{".big.txt.a1B2c3.qbtmp"});
    EXPECT_TRUE(qb::arctest::ReadFile(D("DEST/big.txt")) == RandomText(6000000, 1));
    EXPECT_TRUE(qb::arctest::ReadFile(D("DEST/sub/big.txt")) == RandomText(6000000, 2));
}

}  // namespace
}  // namespace unlhatest
