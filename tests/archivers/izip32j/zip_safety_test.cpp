// ZIP32J.DLL and UNZIP32.DLL: nothing left out silently (backslashes, links out of the folder),
// names as bytes, UTF-8 and CP932 names, -test and -sync, calls killed at any point, and members
// whose declared size disagrees with their data.
#include "MemberKiller.h"
#include "RawMembers.h"
#include "Sandbox.h"
#include "ZipCheck.h"
#include "ZipModules.h"
#include "archiver_results.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using namespace qb::ziptest;
using qb::arctest::FolderNames;
using qb::arctest::KillInMember;
using qb::arctest::MemberKiller;
using qb::arctest::ReadFile;
using qb::arctest::RunShell;
using qb::arctest::Sandbox;

namespace {

std::string Quoted(const std::string& s)
{
    return "\"" + s + "\"";
}

std::vector<std::string> TempFiles(const std::string& folder)
{
    std::vector<std::string> found;
    for (const std::string& name : FolderNames(folder))
        if (name.find(".qbtmp") != std::string::npos)
            found.push_back(name);
    return found;
}

class ZipSafety : public ::testing::Test {
protected:
    void SetUp() override
    {
        Modules();
        source = box.MakeFolder("src");
        box.Write("src/small.txt", "small file\n");
        out = box.MakeFolder("out");
    }
    int Zip(const std::string& switches, const std::string& name,
            const std::string& specs = "\"*.*\"")
    {
        return Modules().Zip(source, switches + " " + Quoted(out + "/" + name) + " " + specs);
    }
    Sandbox box;
    std::string source;
    std::string out;
};

}  // namespace

TEST_F(ZipSafety, EveryFileLeftOutIsNamedAndTheRestIsPacked)
{
    // A backslash in a name would come out of other tools as a folder (a\b.txt -> a/b.txt).
    box.Write("src/a\\b.txt", "backslash\n");
    box.Write("private/secret.txt", "secret\n");
    fs::create_directory_symlink(box.Path("private"), source + "/priv");
    fs::create_symlink(box.Path("private/secret.txt"), source + "/secret.txt");
    ASSERT_EQ(Zip("-r", "L.ZIP"), ARC_ERROR_INCOMPLETE) << Modules().output;
    for (const char* line : {"skipped backslash-in-name a\\x5Cb.txt\n",
                             "skipped link-outside priv\n", "skipped link-outside secret.txt\n"})
        EXPECT_NE(Modules().output.find(line), std::string::npos) << line << Modules().output;
    EXPECT_EQ(ArchiveMembers(out + "/L.ZIP"), std::vector<std::string>{"small.txt"});
    EXPECT_TRUE(PeersAccept(out + "/L.ZIP"));
}

TEST_F(ZipSafety, NamesAreUtf8WithTheFlagOrCp932OrTheirOwnBytes)
{
    box.Write("src/日本語.txt", "jp\n");
    box.Write("src/caf\xE9.txt", "latin-1\n");
    ASSERT_EQ(Zip("", "U.ZIP"), ARC_OK) << Modules().output;
    EXPECT_NE(Modules().output.find("raw-name caf\\xE9.txt\n"), std::string::npos)
        << Modules().output;
    std::string zip = out + "/U.ZIP";
    EXPECT_EQ(CentralFlags(zip, "日本語.txt") & 0x800, 0x800);
    EXPECT_EQ(CentralFlags(zip, "caf\xE9.txt") & 0x800, 0);  // the bytes, without the flag
    std::string listing;
    RunShell("7zz l " + Quoted(zip), &listing);
    EXPECT_NE(listing.find("日本語.txt"), std::string::npos) << listing;
    EXPECT_TRUE(PeersAccept(zip));
    // An update finds both again instead of adding them once more.
    std::string before = ReadFile(zip);
    ASSERT_EQ(Zip("", "U.ZIP"), ARC_OK) << Modules().output;
    EXPECT_TRUE(ReadFile(zip) == before);

    // -names:cp932: every name fits, so all are CP932 without the flag.
    fs::remove(source + "/caf\xE9.txt");
    ASSERT_EQ(Zip("-names:cp932", "C.ZIP"), ARC_OK) << Modules().output;
    std::string cp932 = "\x93\xFA\x96\x7B\x8C\xEA.txt";
    EXPECT_EQ(CentralFlags(out + "/C.ZIP", cp932), 0);
    RunShell("bsdtar --options hdrcharset=CP932 -tf " + Quoted(out + "/C.ZIP"), &listing);
    EXPECT_NE(listing.find("日本語.txt"), std::string::npos) << listing;
    std::string into = box.MakeFolder("x");
    ASSERT_EQ(Modules().UnZip(box.Root(), "-x " + Quoted(out + "/C.ZIP") + " " + Quoted(into)), 0);
    EXPECT_EQ(ReadFile(into + "/日本語.txt"), "jp\n");
    // A name without a CP932 form keeps every name UTF-8 with the flag.
    box.Write("src/한국어.txt", "ko\n");
    ASSERT_EQ(Zip("-names:cp932", "K.ZIP"), ARC_OK) << Modules().output;
    EXPECT_EQ(CentralFlags(out + "/K.ZIP", "日本語.txt") & 0x800, 0x800);
    EXPECT_EQ(CentralFlags(out + "/K.ZIP", "한국어.txt") & 0x800, 0x800);
}

namespace {

struct Corrupter {
    std::string folder;
    bool done = false;
};

// Damages the finished temporary archive at the last report, before the module tests it.
int CorruptTemp(const char* member, unsigned long long, unsigned long long, void* user)
{
    auto& c = *static_cast<Corrupter*>(user);
    if (c.done || !std::strstr(member, ".ZIP"))
        return 1;
    for (const std::string& name : TempFiles(c.folder)) {
        std::fstream f(c.folder + "/" + name, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(200);
        f.put('\x55').put('\xAA').put('\x55');
        c.done = true;
    }
    return 1;
}

}  // namespace

TEST_F(ZipSafety, TestSwitchKeepsTheOldArchiveWhenTheNewOneIsBad)
{
    std::string text;
    for (int i = 0; i < 20000; ++i)
        text += "line " + std::to_string(i * 7919 % 10007) + "\n";
    box.Write("src/text.txt", text);
    ASSERT_EQ(Zip("", "T.ZIP", "small.txt"), ARC_OK);
    std::string before = ReadFile(out + "/T.ZIP");
    Corrupter corrupter{out};
    Modules().zipProgress(CorruptTemp, &corrupter);
    int result = Zip("-test", "T.ZIP");
    Modules().zipProgress(nullptr, nullptr);
    ASSERT_TRUE(corrupter.done);
    EXPECT_EQ(result, ARC_ERROR_TEST_FAILED) << Modules().output;
    EXPECT_NE(Modules().output.find("failed test-failed "), std::string::npos) << Modules().output;
    EXPECT_TRUE(ReadFile(out + "/T.ZIP") == before);
    EXPECT_EQ(FolderNames(out), std::vector<std::string>{"T.ZIP"});
    EXPECT_EQ(Zip("-test", "T.ZIP"), ARC_OK) << Modules().output;
    EXPECT_EQ(ArchiveMembers(out + "/T.ZIP"), (std::vector<std::string>{"small.txt", "text.txt"}));
}

TEST_F(ZipSafety, SyncRebuildsFromTheFolderOnly)
{
    box.Write("src/gone.txt", "soon gone\n");
    ASSERT_EQ(Zip("-9", "S.ZIP"), ARC_OK);
    fs::remove(source + "/gone.txt");
    ASSERT_EQ(Zip("-9", "S.ZIP"), ARC_OK);
    EXPECT_EQ(ArchiveMembers(out + "/S.ZIP"), (std::vector<std::string>{"gone.txt", "small.txt"}));
    ASSERT_EQ(Zip("-0 -sync", "S.ZIP"), ARC_OK) << Modules().output;
    EXPECT_EQ(ArchiveMembers(out + "/S.ZIP"), std::vector<std::string>{"small.txt"});
    EXPECT_EQ(RawMembers(out + "/S.ZIP").at("small.txt").method, 0);  // stored after deflated
    EXPECT_TRUE(PeersAccept(out + "/S.ZIP"));
    // A damaged old archive is no obstacle to a rebuild.
    box.Write("out/S.ZIP", "not a zip archive");
    EXPECT_EQ(Zip("", "S.ZIP"), ARC_ERROR_BAD_ARCHIVE);
    EXPECT_EQ(Zip("-sync", "S.ZIP"), ARC_OK) << Modules().output;
    EXPECT_TRUE(PeersAccept(out + "/S.ZIP"));
}

TEST_F(ZipSafety, SyncKeepsTheOldCopyOfAFileThatCannotBeRead)
{
    // Root reads every ordinary file; this kernel file refuses reading even to root, and a link
    // named on the command line is followed to it.
    const char* unreadable = "/proc/sys/vm/compact_memory";
    int fd = open(unreadable, O_RDONLY);
    if (fd >= 0 || errno != EACCES) {
        if (fd >= 0)
            close(fd);
        GTEST_SKIP() << "no file that refuses reading here";
    }
    box.Write("src/locked.txt", std::string(20000, 'k') + "the only stored copy\n");
    box.Write("src/gone.txt", "soon gone\n");
    ASSERT_EQ(Zip("-9", "S.ZIP", "small.txt locked.txt gone.txt"), ARC_OK) << Modules().output;
    const RawMember before = RawMembers(out + "/S.ZIP").at("locked.txt");
    fs::remove(source + "/gone.txt");
    fs::remove(source + "/locked.txt");
    fs::create_symlink(unreadable, source + "/locked.txt");

    EXPECT_EQ(Zip("-0 -sync", "S.ZIP", "small.txt locked.txt"), ARC_ERROR_INCOMPLETE)
        << Modules().output;
    EXPECT_NE(Modules().output.find("not-updated unreadable locked.txt\n"), std::string::npos)
        << Modules().output;
    EXPECT_EQ(Modules().output.find("skipped"), std::string::npos) << Modules().output;
    EXPECT_EQ(ArchiveMembers(out + "/S.ZIP"),
              (std::vector<std::string>{"locked.txt", "small.txt"}));
    EXPECT_TRUE(PeersAccept(out + "/S.ZIP"));
    // Kept byte for byte as it was packed (deflated, though this rebuild stores).
    const auto after = RawMembers(out + "/S.ZIP");
    EXPECT_EQ(after.at("locked.txt").method, 8);
    EXPECT_TRUE(after.at("locked.txt").compressed == before.compressed);
    EXPECT_EQ(after.at("locked.txt").crc, before.crc);
    EXPECT_EQ(after.at("small.txt").method, 0);
    std::string kept;
    ASSERT_EQ(RunShell("unzip -p " + Quoted(out + "/S.ZIP") + " locked.txt", &kept), 0);
    EXPECT_EQ(kept, std::string(20000, 'k') + "the only stored copy\n");

    // Without an old archive there is nothing to keep: the file is left out and named.
    fs::remove(out + "/S.ZIP");
    EXPECT_EQ(Zip("-sync", "S.ZIP", "small.txt locked.txt"), ARC_ERROR_INCOMPLETE);
    EXPECT_NE(Modules().output.find("skipped unreadable locked.txt\n"), std::string::npos)
        << Modules().output;
    EXPECT_EQ(ArchiveMembers(out + "/S.ZIP"), std::vector<std::string>{"small.txt"});
}

namespace {

struct Killer {
    int at;  // the report to die at; 0: the last one, naming the archive
    int reports = 0;
};

int KillSelf(const char* member, unsigned long long, unsigned long long, void* user)
{
    auto& k = *static_cast<Killer*>(user);
    ++k.reports;
    if ((k.at > 0 && k.reports == k.at) || (k.at == 0 && std::strstr(member, ".ZIP")))
        raise(SIGKILL);
    return 1;
}

}  // namespace

TEST_F(ZipSafety, CallsKilledAtAnyPointLeaveNothingBehind)
{
    std::string text;
    for (int i = 0; i < 300000; ++i)
        text += std::to_string(static_cast<long>(i) * 7919 % 100003) + " ";
    for (int i = 0; i < 4; ++i)
        box.Write("src/part" + std::to_string(i) + ".txt", text);
    ASSERT_EQ(Zip("", "K.ZIP", "small.txt"), ARC_OK);
    const std::string before = ReadFile(out + "/K.ZIP");
    for (int at : {1, 3, 0}) {
        SCOPED_TRACE(at);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            Killer killer{at};
            Modules().zipProgress(KillSelf, &killer);
            Zip("-9", "K.ZIP");
            _exit(0);  // not killed: the probe point was never reached
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "the call was not killed";
        EXPECT_TRUE(ReadFile(out + "/K.ZIP") == before);
        EXPECT_EQ(TempFiles(out).size(), 1u);
    }
    ASSERT_EQ(Zip("-9", "K.ZIP"), ARC_OK) << Modules().output;
    EXPECT_EQ(FolderNames(out), std::vector<std::string>{"K.ZIP"});
    EXPECT_EQ(ArchiveMembers(out + "/K.ZIP").size(), 5u);
    EXPECT_TRUE(PeersAccept(out + "/K.ZIP"));
}

// An extraction killed while it writes a member leaves that member's temporary file; the next
// extraction into the folder removes it, and leaves a file a living call holds alone.
TEST_F(ZipSafety, ExtractionsKilledHalfWayLeaveOnlyWhatTheNextOneRemoves)
{
    std::string text;
    for (int i = 0; i < 600000; ++i)
        text += std::to_string(static_cast<long>(i) * 7919 % 100003) + " ";
    box.Write("src/sub/big.txt", text);
    ASSERT_EQ(Zip("-r -9", "X.ZIP"), ARC_OK) << Modules().output;
    const std::string into = box.MakeFolder("x");
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // One thread: the member's temporary file is then made before its second report (a
        // worker would make it at a moment of its own).
        setenv("QUILLBOX2_THREADS", "1", 1);
        MemberKiller killer{"sub/big.txt"};
        Modules().unzipProgress(KillInMember, &killer);
        Modules().UnZip(box.Root(), "-x " + Quoted(out + "/X.ZIP") + " " + Quoted(into));
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the call was not killed";
    // The file being written has no name until it is whole, so a kill leaves nothing.
    EXPECT_TRUE(TempFiles(into + "/sub").empty());
    EXPECT_FALSE(fs::exists(into + "/sub/big.txt"));

    // What a call killed on a file system without unnamed files leaves behind.
    box.Write("x/sub/.big.txt.Zz9Yy8.qbtmp", "half a file");
    box.Write("x/sub/.big.txt.a1B2c3.qbtmp", "held by a living call");
    const int held = open((into + "/sub/.big.txt.a1B2c3.qbtmp").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    EXPECT_EQ(Modules().UnZip(box.Root(), "-x " + Quoted(out + "/X.ZIP") + " " + Quoted(into)),
              ARC_OK)
        << Modules().output;
    close(held);
    EXPECT_EQ(TempFiles(into + "/sub"), std::vector<std::string>{".big.txt.a1B2c3.qbtmp"});
    EXPECT_TRUE(ReadFile(into + "/sub/big.txt") == text);
}

TEST_F(ZipSafety, MemberWhoseDeclaredSizeDisagreesIsAnExtractionError)
{
    // 300 bytes that deflate well, so that -9 deflates them and -0 stores them.
    box.Write("src/repeat.txt", std::string(300, 'r'));
    for (const char* level : {"-9", "-0"}) {
        SCOPED_TRACE(level);
        ASSERT_EQ(Zip(level, "Z.ZIP", "repeat.txt"), ARC_OK);
        std::string zip = ReadFile(out + "/Z.ZIP");
        fs::remove(out + "/Z.ZIP");
        // The uncompressed size in the local header (offset 22) and the central record (offset
        // 24) says 5 bytes more than the data holds; data and CRC stay right.
        size_t central = zip.find("PK\x01\x02");
        ASSERT_NE(central, std::string::npos);
        ASSERT_EQ(zip[22], static_cast<char>(300 & 0xFF));
        zip[22] = static_cast<char>(305 & 0xFF);
        zip[central + 24] = static_cast<char>(305 & 0xFF);
        box.Write("bad.zip", zip);
        std::string into = box.MakeFolder(std::string("x") + level);
        EXPECT_EQ(
            Modules().UnZip(box.Root(), "-x " + Quoted(box.Path("bad.zip")) + " " + Quoted(into)),
            ARC_ERROR_BAD_ARCHIVE)
            << Modules().output;
        EXPECT_NE(Modules().output.find("failed size-mismatch repeat.txt\n"), std::string::npos)
            << Modules().output;
        EXPECT_TRUE(FolderNames(into).empty());
        EXPECT_EQ(Modules().UnZip(box.Root(), "-t " + Quoted(box.Path("bad.zip"))),
                  ARC_ERROR_BAD_ARCHIVE);
    }
}
