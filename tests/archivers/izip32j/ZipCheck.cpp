#include "ZipCheck.h"

#include "Sandbox.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace qb::ziptest {
namespace {

std::string Quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

bool Hidden(const fs::path& relative)
{
    for (const fs::path& part : relative)
        if (part.string()[0] == '.')
            return true;
    return false;
}

}  // namespace

std::vector<std::string> Sorted(std::vector<std::string> names)
{
    std::sort(names.begin(), names.end());
    return names;
}

void MakeSourceTree(const std::string& folder, bool bigFile)
{
    auto write = [&](const std::string& rel, const std::string& content) {
        fs::path p = fs::path(folder) / rel;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << content;
    };
    std::string text;
    for (int i = 0; i < 2000; ++i)
        text += "line " + std::to_string(i * 7919 % 1000) + " of the readme 日本語のテキスト\n";
    write("readme.txt", text);
    write("empty.dat", "");
    write("with space/a file.txt", "spaces in names\n");
    write("日本語フォルダ/名前.txt", "日本語の中身\n");
    write("sub/deeper/deepest/leaf.bin", std::string(70000, '\x01') + "end");
    write("sub/empty2.txt", "");
    write("sub/.hidden-in-sub", "dot file in a subfolder\n");
    write(".dotfile", "hidden at the top\n");
    write(".dotfolder/inside.txt", "inside a hidden folder\n");
    fs::create_directories(fs::path(folder) / "empty folder");
    if (bigFile) {
        // 50 MB that compresses somewhat, like real data: text runs between noise.
        std::ofstream big(fs::path(folder) / "big.bin", std::ios::binary);
        uint32_t x = 12345;
        std::string block(1 << 20, '\0');
        for (int mb = 0; mb < 50; ++mb) {
            for (size_t i = 0; i < block.size(); ++i) {
                x = x * 1103515245u + 12345u;
                block[i] = (i / 4096) % 2 ? static_cast<char>('a' + (x >> 16) % 8)
                                          : static_cast<char>(x >> 24);
            }
            big << block;
        }
    }
}

std::vector<std::string> ExpectedMembers(const std::string& folder, bool recurse, bool hidden,
                                         bool folderEntries, const std::string& prefix)
{
    std::vector<std::string> names;
    for (auto it = fs::recursive_directory_iterator(folder);
         it != fs::recursive_directory_iterator(); ++it) {
        fs::path rel = fs::relative(it->path(), folder);
        if (!hidden && Hidden(rel)) {
            if (it->is_directory())
                it.disable_recursion_pending();
            continue;
        }
        if (it->is_directory()) {
            if (!recurse) {
                it.disable_recursion_pending();
                continue;
            }
            if (folderEntries)
                names.push_back(prefix + rel.string() + "/");
        } else if (it->is_regular_file()) {
            if (!recurse && it.depth() > 0)
                continue;
            names.push_back(prefix + rel.string());
        }
    }
    return Sorted(names);
}

std::vector<std::string> ArchiveMembers(const std::string& zipPath)
{
    std::string text;
    arctest::RunShell("zipinfo -1 " + Quote(zipPath) + " 2>/dev/null", &text);
    std::vector<std::string> names;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        names.push_back(line);
    return Sorted(names);
}

bool PeersAccept(const std::string& zipPath)
{
    return arctest::RunShell("unzip -tq " + Quote(zipPath) + " >/dev/null 2>&1") == 0 &&
           arctest::RunShell("7zz t " + Quote(zipPath) + " >/dev/null 2>&1") == 0;
}

std::string ExtractAndCompare(const std::string& zipPath, const std::string& source,
                              const std::string& prefix)
{
    arctest::Sandbox out;
    if (arctest::RunShell("unzip -qo " + Quote(zipPath) + " -d " + Quote(out.Root()) + " 2>&1") !=
        0)
        return "unzip could not extract " + zipPath;
    for (const std::string& member : ArchiveMembers(zipPath)) {
        if (member.back() == '/') {
            if (!fs::is_directory(out.Path(member)))
                return "folder missing after extraction: " + member;
            continue;
        }
        if (member.compare(0, prefix.size(), prefix) != 0)
            return "member outside the expected prefix: " + member;
        std::string original = arctest::ReadFile(source + "/" + member.substr(prefix.size()));
        if (arctest::ReadFile(out.Path(member)) != original)
            return "content differs: " + member;
    }
    return "";
}

}  // namespace qb::ziptest
