// The real program with the real modules at the edges of what a folder holds: names ZIP cannot
// take as they are, paths longer than the system's limit, the modes of what a double run keeps
// in the temporary folder, and a final archive whose member lies about its size.
#include "Sandbox.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace e2e;
namespace fs = std::filesystem;

namespace {

const std::string kFailed = "　圧縮できませんでした\n";

class PackingEdgesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!Sandbox::ModulesBuilt())
            GTEST_SKIP() << "the archiver modules are not built into " << QB_SYSTEM_DIR_OF_BUILD;
    }

    // The names bsdtar lists in an archive, one a line.
    static std::string Listing(const std::string& archive)
    {
        std::string out;
        EXPECT_EQ(qbtest::RunShell("bsdtar -tf " + Quote(archive), &out), 0) << archive;
        return out;
    }

    static unsigned Mode(const std::string& path)
    {
        struct stat info { };
        return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0u;
    }

    static int Entries(const std::string& folder)
    {
        return static_cast<int>(std::distance(fs::directory_iterator(folder), {}));
    }

    Sandbox box;
};

}  // namespace

TEST_F(PackingEdgesTest, ZipLeavesOutABackslashNameAndStoresANameThatIsNotUtf8AsItsBytes)
{
    MakeSourceTree(box.C("SRC/PROJ"), 1);
    WriteBytes(box.C("SRC/PROJ/a\\b.txt"), "a backslash in the name\n");
    WriteBytes(box.C("SRC/PROJ/caf\xE9.txt"), "latin-1 name\n");
    box.WriteSettings({{"Auto", "True"}, {"AshukuExe", "1"}, {"Dir_Out", "C:\\OUT"}});
    const RunResult r = box.Run({"C:\\SRC\\PROJ"});
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(r.out.find("　圧縮されなかったファイル：a\\x5Cb.txt（名前に \\ が含まれています）\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("　UTF-8 でない名前をそのまま格納しました：caf\\xE9.txt\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(
        r.out.find(
            kFailed +
            "　理由：圧縮されなかったファイルが 1 個あります（圧縮ファイルは作成済みです）\n"),
        std::string::npos)
        << r.out;
    // The archive stays: whole, without the backslash name (under neither spelling), and with
    // the other name under its own bytes, not flagged as UTF-8.
    const std::string archive = box.C("OUT/PROJ.ZIP");
    EXPECT_EQ(Shell("unzip -t " + Quote(archive)), 0);
    const std::string names = Listing(archive);
    EXPECT_EQ(names.find("a\\b.txt"), std::string::npos) << names;
    EXPECT_EQ(names.find("a/b.txt"), std::string::npos) << names;
    EXPECT_NE(names.find("data/random.bin\n"), std::string::npos) << names;
    const std::string bytes = ReadBytes(archive);
    const size_t central = bytes.find(std::string("PK\x01\x02", 4));
    const size_t at = bytes.find("caf\xE9.txt", central);
    ASSERT_NE(at, std::string::npos);
    // The central header's flags lie 38 bytes before its name; bit 11 means UTF-8.
    const size_t header = bytes.rfind(std::string("PK\x01\x02", 4), at);
    ASSERT_EQ(at - header, 46u);
    EXPECT_EQ(static_cast<unsigned char>(bytes[header + 9]) & 0x08, 0);
}

TEST_F(PackingEdgesTest, AFileBelowAPathLongerThanTheSystemLimitGoesIn)
{
    MakeSourceTree(box.C("SRC/PROJ"), 2);
    // 22 folders of 200 bytes: the file's path is over 4400 bytes, too long for any call that
    // takes a whole path, so the tree is made one folder at a time relative to the last.
    const std::string step(200, 'd');
    std::string member;
    int dir = ::open(box.C("SRC/PROJ").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(dir, 0);
    for (int i = 0; i < 22; ++i) {
        ASSERT_EQ(::mkdirat(dir, step.c_str(), 0755), 0);
        const int next = ::openat(dir, step.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(dir);
        ASSERT_GE(next, 0);
        dir = next;
        member += step + "/";
    }
    member += "deep.txt";
    const int file = ::openat(dir, "deep.txt", O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    ::close(dir);
    ASSERT_GE(file, 0);
    ASSERT_EQ(::write(file, "at the bottom\n", 14), 14);
    ::close(file);
    ASSERT_GT(member.size(), 4096u);

    for (const char* format : {"0", "1"}) {
        SCOPED_TRACE(format);
        box.WriteSettings({{"Auto", "True"}, {"AshukuExe", format}, {"Dir_Out", "C:\\OUT"}});
        const RunResult r = box.Run({"C:\\SRC\\PROJ"});
        ASSERT_FALSE(r.timedOut);
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        EXPECT_EQ(r.out.find("圧縮されなかったファイル"), std::string::npos) << r.out;
        const std::string archive = box.C(format[0] == '0' ? "OUT/PROJ.LZH" : "OUT/PROJ.ZIP");
        EXPECT_EQ(Shell("7zz t " + Quote(archive)), 0);
        EXPECT_NE(Listing(archive).find(member + "\n"), std::string::npos);
        std::string content;
        EXPECT_EQ(qbtest::RunShell("bsdtar -xOf " + Quote(archive) + " " + Quote(member), &content),
                  0);
        EXPECT_EQ(content, "at the bottom\n");
    }
    // The sandbox removes its folder by whole paths, which cannot reach this deep.
    EXPECT_EQ(Shell("rm -rf " + Quote(box.C("SRC/PROJ/" + step))), 0);
}

// A double run keeps the stored archive in a folder of its own inside the temporary folder:
// watched while the run works, that folder is the owner's alone and so is every file in it,
// whatever the umask lets through; at the end nothing is left.
TEST_F(PackingEdgesTest, ADoubleRunKeepsItsStoredArchivePrivateAndLeavesNothing)
{
    std::string big(32u << 20, '\0');  // random: the outer stage takes a while over it
    unsigned state = 3;
    for (char& ch : big) {
        state = state * 1103515245u + 12345u;
        ch = static_cast<char>(state >> 24);
    }
    WriteBytes(box.C("SRC/PROJ/big.bin"), big);
    WriteBytes(box.C("SRC/PROJ/secret.txt"), "only mine\n");
    box.WriteSettings(
        {{"Auto", "True"}, {"AutoExe", "2"}, {"Dir_Out", "C:\\OUT"}, {"TmpDir", "C:\\TMP\\"}});
    const mode_t oldMask = ::umask(0);
    std::map<std::string, unsigned> seen;  // path -> mode, of everything met in TMP
    bool storedSeen = false;
    for (int attempt = 0; attempt < 3 && !storedSeen; ++attempt) {
        fs::remove_all(box.C("OUT"));
        fs::create_directories(box.C("OUT"));
        const int pid = box.StartTagged("m", {"C:\\SRC\\PROJ"});
        ASSERT_GT(pid, 0);
        // Still at work: not yet ended (looked at without collecting it, which Wait does).
        auto working = [pid] {
            siginfo_t info{};
            return ::waitid(P_PID, pid, &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
                   info.si_pid == 0;
        };
        while (working()) {
            std::error_code ec;
            for (const auto& run : fs::directory_iterator(box.C("TMP"), ec)) {
                if (const unsigned mode = Mode(run.path()))
                    seen[run.path().string()] = mode;
                for (const auto& e : fs::directory_iterator(run.path(), ec)) {
                    // The final archive may be written here too: it takes the mode it will
                    // have in the output folder just before it is moved there.
                    if (e.path().filename().string().rfind(".PROJ.LZH.LZH.", 0) == 0)
                        continue;
                    if (const unsigned mode = Mode(e.path())) {
                        seen[e.path().string()] = mode;
                        storedSeen |= e.path().filename() == "PROJ.LZH";
                    }
                }
            }
        }
        const RunResult r = box.Wait(pid, "m");
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        EXPECT_EQ(Entries(box.C("TMP")), 0);
    }
    ::umask(oldMask);
    EXPECT_TRUE(storedSeen) << "no run was seen with its stored archive in place";
    for (const auto& [path, mode] : seen) {
        const bool folder = fs::path(path).parent_path() == fs::path(box.C("TMP"));
        EXPECT_EQ(mode, folder ? 0700u : 0600u) << path;
    }
    EXPECT_EQ(Shell("lhasa t " + Quote(box.C("OUT/PROJ.LZH.LZH"))), 0);
}

// The update of a double archive unpacks the stored archive from the final one. When that
// cannot be read (a ZIP member whose declared size is not the size of its data, a changed byte
// in an LZH one), the update fails with its reason and leaves the final archive as it was,
// byte for byte, and nothing in the temporary folder: building anew would lose what only the
// old archive holds.
TEST_F(PackingEdgesTest, AnUpdateFromAFinalArchiveThatCannotBeReadFailsAndKeepsIt)
{
    MakeSourceTree(box.C("SRC/PROJ"), 4);
    struct Case {
        const char* pattern;
        const char* name;
        int change;  // ZIP: added to the declared size; LZH: 0, a byte of the data is changed
    };
    const Case cases[] = {
        {"1", "PROJ.LZH.ZIP", +1}, {"1", "PROJ.LZH.ZIP", -1}, {"0", "PROJ.LZH.LZH", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.change));
        const std::vector<std::pair<std::string, std::string>> settings = {{"Auto", "True"},
                                                                           {"AutoExe", "2"},
                                                                           {"Pattern", c.pattern},
                                                                           {"Dir_Out", "C:\\OUT"},
                                                                           {"TmpDir", "C:\\TMP\\"}};
        const std::string archive = box.C(std::string("OUT/") + c.name);
        fs::remove_all(box.C("OUT"));
        fs::create_directories(box.C("OUT"));
        box.WriteSettings(settings);
        ASSERT_EQ(box.Run({"C:\\SRC\\PROJ"}).status, 0);
        std::string bytes = ReadBytes(archive);
        if (c.change == 0) {
            // Near the end, inside the packed data (the last byte is the end mark).
            bytes[bytes.size() - 20] ^= 0x55;
        } else {
            // The uncompressed size of the one member, in its central and local headers.
            const size_t central = bytes.find(std::string("PK\x01\x02", 4));
            ASSERT_NE(central, std::string::npos);
            auto le32 = [&](size_t at) {
                uint32_t v = 0;
                for (int i = 3; i >= 0; --i)
                    v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
                return v;
            };
            auto put32 = [&](size_t at, uint32_t v) {
                for (int i = 0; i < 4; ++i)
                    bytes[at + i] = static_cast<char>(v >> (8 * i));
            };
            const uint32_t size = le32(central + 24);
            ASSERT_NE(size, 0xFFFFFFFFu);
            put32(central + 24, size + c.change);
            ASSERT_EQ(bytes.compare(0, 4, std::string("PK\x03\x04", 4)), 0);
            if (le32(22) == size)
                put32(22, size + c.change);
        }
        WriteBytes(archive, bytes);

        WriteBytes(box.C("SRC/PROJ/new.txt"), "a change to pack\n");
        auto update = settings;
        update.push_back({"Double", "True"});
        box.WriteSettings(update);
        const RunResult r = box.Run({"C:\\SRC\\PROJ"});
        ASSERT_FALSE(r.timedOut);
        EXPECT_EQ(r.status, 1) << r.out << r.err;
        EXPECT_NE(r.out.find(kFailed + "　理由：既存の圧縮ファイル C:\\OUT\\" + c.name +
                             " が壊れています（元のまま残しました）\n"),
                  std::string::npos)
            << r.out;
        EXPECT_TRUE(ReadBytes(archive) == bytes);
        EXPECT_EQ(Entries(box.C("OUT")), 1);
        EXPECT_EQ(Entries(box.C("TMP")), 0);
        fs::remove(box.C("SRC/PROJ/new.txt"));
    }
}
