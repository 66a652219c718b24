#include "UnlhaHarness.h"

#include "lzh_reader.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

namespace fs = std::filesystem;

namespace unlhatest {
namespace {

struct Loaded {
    void* handle = nullptr;
    ArchiverCommandProc command = nullptr;
    ArchiverQueryProc running = nullptr;
    ArchiverQueryProc version = nullptr;
    ArchiverSetProgressProc progress = nullptr;
    std::string root;
};

Loaded& Module()
{
    static Loaded m = [] {
        Loaded l;
        // The module reads its drive table once: the drives must be set before the first call.
        char templ[] = "/tmp/unlha-drives-XXXXXX";
        l.root = mkdtemp(templ);
        fs::create_directories(l.root + "/c");
        fs::create_directories(l.root + "/d");
        std::string drives = "C:=" + l.root + "/c;D:=" + l.root + "/d";
        setenv("QUILLBOX2_DRIVES", drives.c_str(), 1);
        l.handle = dlopen(QB_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
        if (!l.handle)
            return l;
        l.command = reinterpret_cast<ArchiverCommandProc>(dlsym(l.handle, "Unlha"));
        l.running = reinterpret_cast<ArchiverQueryProc>(dlsym(l.handle, "UnlhaGetRunning"));
        l.version = reinterpret_cast<ArchiverQueryProc>(dlsym(l.handle, "UnlhaGetVersion"));
        l.progress =
            reinterpret_cast<ArchiverSetProgressProc>(dlsym(l.handle, "UnlhaSetProgressCallback"));
        return l;
    }();
    // The drive folders go when the test process ends.
    struct RootCleanup {
        std::string root;
        ~RootCleanup()
        {
            std::error_code ec;
            fs::remove_all(root, ec);
        }
    };
    static RootCleanup cleanup{m.root};
    return m;
}

void EmptyFolder(const std::string& folder)
{
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec))
        fs::remove_all(e.path(), ec);
}

}  // namespace

CallResult Unlha(const std::string& commandLine)
{
    CallResult r;
    Loaded& m = Module();
    if (!m.command) {
        r.output = std::string("module not loaded: ") + (dlerror() ? dlerror() : "");
        return r;
    }
    std::vector<char> out(1 << 20, '\x7F');
    r.rc =
        m.command(nullptr, commandLine.c_str(), out.data(), static_cast<unsigned long>(out.size()));
    EXPECT_NE(std::find(out.begin(), out.end(), '\0'), out.end())
        << "the output was not NUL-terminated";
    out.back() = '\0';
    r.output = out.data();
    return r;
}

int UnlhaWithBuffer(const std::string& commandLine, char* buffer, unsigned long size)
{
    return Module().command(nullptr, commandLine.c_str(), buffer, size);
}

int UnlhaGetRunning()
{
    return Module().running();
}
int UnlhaGetVersion()
{
    return Module().version();
}
void SetProgress(ArchiverProgressProc proc, void* user)
{
    Module().progress(proc, user);
}
std::string DriveC()
{
    return Module().root + "/c";
}
std::string DriveD()
{
    return Module().root + "/d";
}

void DrivesTest::SetUp()
{
    ASSERT_NE(Module().command, nullptr) << "cannot load " QB_MODULE_PATH;
    EmptyFolder(DriveC());
    EmptyFolder(DriveD());
    SetProgress(nullptr, nullptr);
}

void DrivesTest::TearDown()
{
    SetProgress(nullptr, nullptr);
    chdir("/");
}

void WriteTree(const std::string& folder, const Tree& tree)
{
    for (const auto& [rel, content] : tree) {
        std::string path = folder + "/" + rel;
        if (!rel.empty() && rel.back() == '/') {
            fs::create_directories(path);
            continue;
        }
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
    }
}

Tree MakeSourceTree(const std::string& folder, std::size_t bigSize)
{
    std::string text;
    for (int i = 0; i < 2000; ++i)
        text += "line " + std::to_string(i) + " of a text that repeats a little\n";
    Tree t = {
        {"readme.txt", text},
        {"name with spaces.txt", "spaces are part of the name\n"},
        {"empty.txt", ""},
        {".hidden.txt", "dot-files count as hidden\n"},
        {".dotdir/", ""},
        {".dotdir/inside.txt", "inside a hidden folder\n"},
        {"日本語ファイル.txt", "日本語のテキスト\n"},
        {"emptydir/", ""},
        {"sub/", ""},
        {"sub/表示.txt", "表示\n"},
        {"sub/empty-in-sub.dat", ""},
        {"sub/deep/", ""},
        {"sub/deep/nested.txt", text.substr(0, 5000)},
        {"sub/deep/サブ フォルダ/", ""},
        {"sub/deep/サブ フォルダ/ファイル.bin", std::string("\x00\x01\x02\xFF", 4)},
    };
    if (bigSize > 0) {
        // Compressible but not trivial: numbered records with a slowly changing pattern.
        std::string big;
        big.reserve(bigSize + 64);
        std::uint32_t x = 12345;
        while (big.size() < bigSize) {
            x = x * 1103515245u + 12345u;
            big += "record " + std::to_string(big.size()) + " value " +
                   std::to_string((x >> 16) % 1000) + "\n";
        }
        big.resize(bigSize);
        t["big.dat"] = std::move(big);
    }
    WriteTree(folder, t);
    return t;
}

std::set<std::string> ExpectedMembers(const Tree& tree, bool recurse, bool hidden,
                                      const std::string& prefix)
{
    std::set<std::string> out;
    for (const auto& [rel, content] : tree) {
        std::string path = rel;
        bool isFolder = !path.empty() && path.back() == '/';
        if (isFolder)
            path.pop_back();
        bool skip = false;
        std::size_t slashes = 0;
        std::size_t start = 0;
        while (true) {
            std::size_t slash = path.find('/', start);
            std::string comp =
                path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
            if (!hidden && !comp.empty() && comp[0] == '.')
                skip = true;
            if (slash == std::string::npos)
                break;
            ++slashes;
            start = slash + 1;
        }
        if (!recurse && (isFolder || slashes > 0))
            skip = true;
        if (!skip)
            out.insert(prefix + rel);
    }
    return out;
}

std::set<std::string> MemberNames(const std::string& archive)
{
    std::set<std::string> out;
    lzh::FileSource src(open(archive.c_str(), O_RDONLY));
    std::vector<lzh::MemberHeader> members;
    std::string error;
    if (!lzh::ReadAllHeaders(src, members, error))
        out.insert("<damaged: " + error + ">");
    for (const auto& m : members)
        out.insert(m.Path() + (m.isDirectory ? "/" : ""));
    return out;
}

std::map<std::string, std::string> RawMembers(const std::string& archive)
{
    std::map<std::string, std::string> out;
    lzh::FileSource src(open(archive.c_str(), O_RDONLY));
    std::vector<lzh::MemberHeader> members;
    std::string error;
    lzh::ReadAllHeaders(src, members, error);
    for (const auto& m : members) {
        std::string bytes(m.dataOffset + m.packedSize - m.headerOffset, '\0');
        src.ReadAt(m.headerOffset, bytes.data(), bytes.size());
        out[m.Path() + (m.isDirectory ? "/" : "")] = bytes;
    }
    return out;
}

Tree ReadTree(const std::string& folder)
{
    Tree t;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec);
         it != fs::recursive_directory_iterator(); ++it) {
        std::string rel = fs::relative(it->path(), folder).string();
        if (it->is_directory())
            t[rel + "/"] = "";
        else
            t[rel] = qb::arctest::ReadFile(it->path().string());
    }
    return t;
}

std::string PeersReject(const std::string& archive, std::size_t fileMembers)
{
    using qb::arctest::RunShell;
    std::string q = "'" + archive + "'";
    std::string out;
    if (RunShell("lhasa t " + q + " >/dev/null 2>&1") != 0)
        return "lhasa t failed";
    if (RunShell("7zz t " + q + " 2>&1", &out) != 0 ||
        out.find("Everything is Ok") == std::string::npos)
        return "7zz t failed: " + out;
    out.clear();
    RunShell("jlha t " + q + " 2>&1", &out);
    std::size_t tested = 0;
    for (std::size_t p = out.find("Tested"); p != std::string::npos; p = out.find("Tested", p + 1))
        ++tested;
    if (out.find("SEVERE") != std::string::npos || out.find("Exception") != std::string::npos ||
        out.find("rror") != std::string::npos || tested != fileMembers)
        return "jlha t failed (" + std::to_string(tested) + " of " + std::to_string(fileMembers) +
               "): " + out;
    if (RunShell("bsdtar xOf " + q + " >/dev/null 2>&1") != 0)
        return "bsdtar xOf failed";
    return "";
}

}  // namespace unlhatest
