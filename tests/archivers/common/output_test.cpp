// Atomic replacement of an output file, safe extraction paths, and the module-call plumbing
// (busy flag, progress, output buffer).
#include "AtomicOutput.h"
#include "ErrorCodes.h"
#include "ExtractFile.h"
#include "ModuleCall.h"
#include "Paths.h"
#include "SafePath.h"
#include "Sandbox.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

using namespace qb::arc;
using qb::arctest::Exists;
using qb::arctest::FolderNames;
using qb::arctest::ReadFile;
using qb::arctest::Sandbox;
using Names = std::vector<std::string>;

TEST(AtomicOutput, CommitReplacesDiscardKeepsTheOldFile)
{
    Sandbox box;
    std::string target = box.Write("out/NAME.ZIP", "old");
    chmod(target.c_str(), 0640);
    {
        AtomicOutput out;
        ASSERT_EQ(out.Begin(target, ""), ARC_OK);
        EXPECT_EQ(ParentFolder(out.TempPath()), box.Path("out"));  // beside the target
        ASSERT_EQ(WriteAll(out.Fd(), "new", 3), 0);
        // Until the commit the old file is what everyone sees.
        EXPECT_EQ(ReadFile(target), "old");
        out.Discard();
    }
    EXPECT_EQ(ReadFile(target), "old");
    EXPECT_EQ(FolderNames(box.Path("out")), Names{"NAME.ZIP"});
    {
        AtomicOutput out;
        ASSERT_EQ(out.Begin(target, ""), ARC_OK);
        ASSERT_EQ(WriteAll(out.Fd(), "new", 3), 0);
    }  // abandoned without a word: the destructor cleans up
    EXPECT_EQ(ReadFile(target), "old");
    EXPECT_EQ(FolderNames(box.Path("out")), Names{"NAME.ZIP"});

    AtomicOutput out;
    ASSERT_EQ(out.Begin(target, ""), ARC_OK);
    ASSERT_EQ(WriteAll(out.Fd(), "new", 3), 0);
    ASSERT_EQ(out.Commit(), ARC_OK);
    EXPECT_EQ(ReadFile(target), "new");
    EXPECT_EQ(FolderNames(box.Path("out")), Names{"NAME.ZIP"});
    struct stat info { };
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);  // the replaced file's rights are kept
}

// A new file follows the umask, except in a folder only its owner may enter (the program's
// private run folder): there it is the owner's alone, whatever the umask lets through.
TEST(AtomicOutput, ANewFileInAPrivateFolderIsPrivate)
{
    Sandbox box;
    const mode_t old = umask(022);
    for (const mode_t folderMode : {0755u, 0700u}) {
        SCOPED_TRACE(folderMode);
        const std::string folder = box.Path("f" + std::to_string(folderMode));
        ASSERT_EQ(mkdir(folder.c_str(), folderMode), 0);
        AtomicOutput out;
        ASSERT_EQ(out.Begin(folder + "/NEW.LZH", ""), ARC_OK);
        ASSERT_EQ(out.Commit(), ARC_OK);
        struct stat info { };
        ASSERT_EQ(stat((folder + "/NEW.LZH").c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, folderMode == 0700u ? 0600u : 0644u);
    }
    umask(old);
}

TEST(AtomicOutput, WorkFolderOnAnotherFileSystem)
{
    // /dev/shm is a tmpfs on Linux, usually another file system than $TMPDIR: the finished file
    // must still arrive whole, with no temporary left in either place.
    Sandbox box;
    Sandbox shmBox;  // in $TMPDIR as well: stands in when /dev/shm is missing
    std::string work = Exists("/dev/shm") ? "/dev/shm" : shmBox.Root();
    Names before = FolderNames(work);
    std::string target = box.Path("NEW.LZH");
    AtomicOutput out;
    ASSERT_EQ(out.Begin(target, work), ARC_OK);
    EXPECT_EQ(ParentFolder(out.TempPath()), work);
    std::string data(3 << 20, 'x');
    ASSERT_EQ(WriteAll(out.Fd(), data.data(), data.size()), 0);
    ASSERT_EQ(out.Commit(), ARC_OK);
    EXPECT_EQ(ReadFile(target), data);
    EXPECT_EQ(FolderNames(box.Root()), Names{"NEW.LZH"});
    EXPECT_EQ(FolderNames(work), before);
}

TEST(AtomicOutput, UnusableFoldersFailCleanly)
{
    Sandbox box;
    AtomicOutput out;
    EXPECT_EQ(out.Begin(box.Path("missing/X.ZIP"), ""), ARC_ERROR_FOLDER_MISSING);
    // A work folder that does not exist falls back to the target's folder.
    ASSERT_EQ(out.Begin(box.Path("X.ZIP"), box.Path("nowork")), ARC_OK);
    EXPECT_EQ(ParentFolder(out.TempPath()), box.Root());
    out.Discard();
    EXPECT_TRUE(FolderNames(box.Root()).empty());
    EXPECT_EQ(out.Commit(), ARC_ERROR_INTERNAL);  // nothing begun, nothing committed
}

TEST(ErrorCodes, StopCodesComeFromTheRightErrors)
{
    EXPECT_EQ(ResultFromErrno(ENOSPC, ErrorSide::Destination, 1), ARC_ERROR_DISK_FULL);
    EXPECT_EQ(ResultFromErrno(EDQUOT, ErrorSide::Source, 1), ARC_ERROR_DISK_FULL);
    EXPECT_EQ(ResultFromErrno(EROFS, ErrorSide::Destination, 1), ARC_ERROR_READ_ONLY);
    EXPECT_EQ(ResultFromErrno(EACCES, ErrorSide::Destination, 1), ARC_ERROR_READ_ONLY);
    EXPECT_EQ(ResultFromErrno(EPERM, ErrorSide::Destination, 1), ARC_ERROR_READ_ONLY);
    // An unreadable source is no reason to tell the caller that the destination is read-only.
    EXPECT_EQ(ResultFromErrno(EACCES, ErrorSide::Source, ARC_ERROR_READ_SOURCE),
              ARC_ERROR_READ_SOURCE);
    EXPECT_EQ(ResultFromErrno(EIO, ErrorSide::Destination, ARC_ERROR_WRITE), ARC_ERROR_WRITE);
}

TEST(SafePath, RefusesNamesThatLeaveTheFolder)
{
    struct Case {
        const char* member;
        bool ok;
        const char* cleaned;
    } cases[] = {
        {"a/b.txt", true, "a/b.txt"},
        {"a\\b.txt", true, "a/b.txt"},
        {"./a//b", true, "a/b"},
        {"日本語/名前.txt", true, "日本語/名前.txt"},
        {"a..b", true, "a..b"},
        {"..", false, ""},
        {"../x", false, ""},
        {"a/../../x", false, ""},
        {"a\\..\\x", false, ""},
        {"/etc/passwd", false, ""},
        {"\\x", false, ""},
        {"C:x", false, ""},
        {"c:\\x", false, ""},
        {"", false, ""},
        {"./", false, ""},
    };
    for (const Case& c : cases) {
        std::string cleaned;
        EXPECT_EQ(CleanMemberName(c.member, cleaned), c.ok) << c.member;
        if (c.ok) {
            EXPECT_EQ(cleaned, c.cleaned);
        }
    }
}

TEST(SafePath, LinksInsideAreFollowedLinksOutAreNot)
{
    Sandbox outside;
    Sandbox box;
    box.MakeFolder("real");
    ASSERT_EQ(symlink(outside.Root().c_str(), box.Path("out").c_str()), 0);
    ASSERT_EQ(symlink("real", box.Path("in").c_str()), 0);
    std::string host;
    EXPECT_EQ(PrepareExtractPath(box.Root(), "out/evil.txt", host), ARC_ERROR_UNSAFE_PATH);
    EXPECT_TRUE(FolderNames(outside.Root()).empty());
    ASSERT_EQ(PrepareExtractPath(box.Root(), "in/x/ok.txt", host), ARC_OK);
    EXPECT_EQ(host.substr(host.size() - 14), "/real/x/ok.txt");
    EXPECT_TRUE(Exists(box.Path("real/x")));
    ASSERT_EQ(PrepareExtractPath(box.Root(), "new/deeper/f", host), ARC_OK);
    EXPECT_TRUE(Exists(box.Path("new/deeper")));
    EXPECT_EQ(PrepareExtractPath(box.Root(), "../f", host), ARC_ERROR_UNSAFE_PATH);
    box.Write("file", "");
    EXPECT_NE(PrepareExtractPath(box.Root(), "file/f", host), ARC_OK);
}

TEST(ModuleCall, BusyWhileRunningAndSeenFromTheProgressProcedure)
{
    static ModuleState state;
    EXPECT_EQ(state.Running(), 0);
    struct Seen {
        int running = -1;
        std::string member;
    } seen;
    state.SetProgress(
        [](const char* member, unsigned long long, unsigned long long, void* user) {
            auto* s = static_cast<Seen*>(user);
            s->running = state.Running();
            s->member = member;
            return 0;  // asks to cancel
        },
        &seen);
    {
        CallScope call(state);
        ASSERT_TRUE(call.Acquired());
        CallScope second(state);
        EXPECT_FALSE(second.Acquired());  // a second call while one runs is refused
        EXPECT_FALSE(state.Report("日本語.txt", 1, 2));
        EXPECT_EQ(seen.running, 1);
        EXPECT_EQ(seen.member, "日本語.txt");
    }
    EXPECT_EQ(state.Running(), 0);  // the refused second call did not clear the flag early
    state.SetProgress(nullptr, nullptr);
    EXPECT_TRUE(state.Report("x", 0, 0));
}

TEST(ModuleCall, OutputBufferIsCutOnACharacterBoundary)
{
    char buffer[8];
    std::memset(buffer, 'Z', sizeof buffer);
    WriteOutputBuffer("ab日本語", buffer, 6);  // 2 + 3 + 3 bytes do not fit in 5
    EXPECT_STREQ(buffer, "ab日");
    EXPECT_EQ(buffer[6], 'Z');  // nothing written past the size
    WriteOutputBuffer("abc", buffer, 1);
    EXPECT_STREQ(buffer, "");
    WriteOutputBuffer("abc", nullptr, 10);  // no buffer: nothing happens
    {
        OutputText out(buffer, sizeof buffer);
        out.Line("ok");
    }
    EXPECT_STREQ(buffer, "ok\n");
}

TEST(AtomicOutput, OnlyUnlockedLeftoversOfOurPatternAreRemoved)
{
    Sandbox box;
    std::string target = box.Write("out/NAME.LZH", "old");
    AtomicOutput living;  // a call that is still writing
    ASSERT_EQ(living.Begin(target, ""), ARC_OK);
    struct stat info { };
    ASSERT_EQ(stat(living.TempPath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    box.Write("out/.NAME.LZH.a1B2c3.qbtmp", "dead call");  // ours, nobody holds it
    box.Write("out/.other.qbtmp", "not our pattern");
    box.Write("out/NAME.LZH.x1y2z3.qbtmp", "not hidden: not ours");
    EXPECT_EQ(RemoveDeadTempFiles(box.Path("out")), 1u);
    Names left = FolderNames(box.Path("out"));
    EXPECT_EQ(left.size(), 4u);
    EXPECT_FALSE(Exists(box.Path("out/.NAME.LZH.a1B2c3.qbtmp")));
    EXPECT_TRUE(Exists(living.TempPath()));
    ASSERT_EQ(WriteAll(living.Fd(), "new", 3), 0);
    ASSERT_EQ(living.Commit(), ARC_OK);
    EXPECT_EQ(ReadFile(target), "new");
}

TEST(ModuleOutput, LinesStayWholeWhenTheBufferIsSmall)
{
    OutputText text(nullptr, 0);
    text.Skipped("link-outside", "etc");
    text.RawName("caf\xE9 \\ \n.txt");
    EXPECT_EQ(text.Text(), "skipped link-outside etc\nraw-name caf\\xE9 \\x5C \\x0A.txt\n");
    EXPECT_TRUE(text.AnySkipped());
    std::string many;
    for (int i = 0; i < 100; ++i)
        many += "skipped unreadable file" + std::to_string(i) + "\n";
    char buffer[200];
    WriteOutputBuffer(many, buffer, sizeof buffer);
    std::string got(buffer);
    ASSERT_LT(got.size(), sizeof buffer);
    size_t cut = got.rfind("output-cut ");
    ASSERT_NE(cut, std::string::npos) << got;
    size_t kept =
        static_cast<size_t>(std::count(got.begin(), got.begin() + static_cast<long>(cut), '\n'));
    EXPECT_EQ(got.substr(cut), "output-cut " + std::to_string(100 - kept) + "\n");
    EXPECT_EQ(many.compare(0, cut, got, 0, cut), 0);
}

// Text beyond what the buffer can show is counted, not kept, and the buffer reads exactly as if
// all of it had been kept and cut at the end.
TEST(ModuleOutput, TextBeyondTheBufferIsCountedNotKept)
{
    struct Piece {
        bool line;
        std::string text;
    };
    const std::vector<std::vector<Piece>> cases = {
        {{true, "one"}, {true, "two"}},
        {{false, "open"}, {true, "closed"}, {false, "tail without newline"}},
        {{false, "a\nb\nc"}, {false, "d\n"}, {true, "e"}, {false, "f"}},
    };
    for (const auto& pattern : cases) {
        for (unsigned long size : {8ul, 40ul, 200ul, 5000ul}) {
            std::string all;
            char expected[5000], got[5000];
            {
                OutputText out(got, size);
                for (int round = 0; round < 60; ++round) {
                    for (const Piece& p : pattern) {
                        const std::string text = p.text + std::to_string(round);
                        all += text + (p.line ? "\n" : "");
                        if (p.line)
                            out.Line(text);
                        else
                            out.Append(text);
                    }
                }
                if (size < 5000) {
                    EXPECT_LE(out.Text().size(), size + 40);  // one line past the buffer at most
                }
            }
            WriteOutputBuffer(all, expected, size);
            EXPECT_STREQ(got, expected) << "buffer of " << size;
        }
    }
}

// Both ways: an unnamed file linked into place, and a named temporary file renamed into place as
// on file systems without unnamed files.
class ExtractFileWays : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { UseNamedTempFilesOnly(GetParam()); }
    void TearDown() override { UseNamedTempFilesOnly(false); }
};

TEST_P(ExtractFileWays, NewFilesAppearWholeAndExistingNamesAreReplacedNotWrittenThrough)
{
    Sandbox box;
    const std::string folder = box.Path("x");
    box.Write("x/old.txt", "old");
    chmod(box.Path("x/old.txt").c_str(), 0640);
    box.Write("elsewhere.txt", "not to be touched");
    ASSERT_EQ(symlink(box.Path("elsewhere.txt").c_str(), (folder + "/link.txt").c_str()), 0);
    ASSERT_EQ(mkdir((folder + "/dir").c_str(), 0755), 0);
    const struct timespec mtime = {1700000000, 0};
    for (const char* name : {"new.txt", "old.txt", "link.txt", "dir"}) {
        SCOPED_TRACE(name);
        const std::string target = folder + "/" + name;
        ExtractFile file;
        ASSERT_EQ(file.Begin(target), ARC_OK);
        ASSERT_EQ(file.Write("data", 4), 0);
        // Nothing new under any real name until the commit (the named way has its hidden
        // temporary name), and a dropped file leaves nothing.
        Names names = FolderNames(folder);
        if (GetParam()) {
            auto temp = std::find_if(names.begin(), names.end(), [&](const std::string& n) {
                return n.rfind("." + std::string(name) + ".", 0) == 0 && n.size() > 6 &&
                       n.compare(n.size() - 6, 6, ".qbtmp") == 0;
            });
            ASSERT_NE(temp, names.end());
            names.erase(temp);
        }
        EXPECT_EQ(names, (Names{"dir", "link.txt", "old.txt"}));
        if (std::string(name) == "dir") {
            EXPECT_EQ(file.Commit(std::nullopt, mtime, 022), kFolderInTheWay);
            continue;
        }
        ASSERT_EQ(file.Commit(std::nullopt, mtime, 022), ARC_OK);
        EXPECT_EQ(ReadFile(target), "data");
        struct stat info { };
        ASSERT_EQ(lstat(target.c_str(), &info), 0);
        EXPECT_TRUE(S_ISREG(info.st_mode));
        EXPECT_EQ(info.st_mode & 0777, std::string(name) == "old.txt" ? 0640u : 0644u);
        EXPECT_EQ(info.st_mtim.tv_sec, mtime.tv_sec);
        if (std::string(name) == "new.txt") {
            ASSERT_EQ(unlink(target.c_str()), 0);
        }
    }
    EXPECT_EQ(ReadFile(box.Path("elsewhere.txt")), "not to be touched");
    EXPECT_EQ(FolderNames(folder), (Names{"dir", "link.txt", "old.txt"}));
}

INSTANTIATE_TEST_SUITE_P(UnnamedAndNamed, ExtractFileWays, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "NamedTempFile" : "UnnamedFile";
                         });
