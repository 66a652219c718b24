// Other LHA readers must accept our streams: each method's output is wrapped in a minimal
// archive (level-0 headers written here) and tested with lhasa, 7-Zip, jlha and libarchive.
// A reader missing from the machine skips its part rather than failing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "lzh_enc_test_support.h"

namespace fs = std::filesystem;
using lzh::EncodeMethod;
using lzh_test::Bytes;

namespace {

std::uint16_t Crc16(const Bytes& data)
{
    std::uint16_t crc = 0;
    for (std::uint8_t byte : data) {
        crc ^= byte;
        for (int k = 0; k < 8; ++k)
            crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    return crc;
}

void PutLe(Bytes& out, std::uint32_t v, int n)
{
    for (int k = 0; k < n; ++k)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
}

// One level-0 member: the plainest header every reader knows.
void AppendMember(Bytes& archive, const std::string& name, const char* method, const Bytes& packed,
                  const Bytes& original)
{
    Bytes h;
    h.push_back(0);  // header length, set below
    h.push_back(0);  // checksum, set below
    h.insert(h.end(), method, method + 5);
    PutLe(h, static_cast<std::uint32_t>(packed.size()), 4);
    PutLe(h, static_cast<std::uint32_t>(original.size()), 4);
    PutLe(h, 0x5A210000, 4);  // 2025-01-01 00:00:00
    h.push_back(0x20);
    h.push_back(0);
    h.push_back(static_cast<std::uint8_t>(name.size()));
    h.insert(h.end(), name.begin(), name.end());
    PutLe(h, Crc16(original), 2);
    h[0] = static_cast<std::uint8_t>(h.size() - 2);
    std::uint8_t sum = 0;
    for (std::size_t k = 2; k < h.size(); ++k)
        sum = static_cast<std::uint8_t>(sum + h[k]);
    h[1] = sum;
    archive.insert(archive.end(), h.begin(), h.end());
    archive.insert(archive.end(), packed.begin(), packed.end());
}

bool HaveTool(const char* tool)
{
    return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs a shell command; returns its exit status and fills `output` with stdout and stderr.
int RunShell(const std::string& command, std::string& output)
{
    output.clear();
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (!p)
        return -1;
    char buf[4096];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        output.append(buf, n);
    return pclose(p);
}

class LzhEncoderInterop : public ::testing::TestWithParam<EncodeMethod> {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/lzh_enc_interop_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        m_dir = tmpl;
    }
    void TearDown() override { fs::remove_all(m_dir); }
    fs::path m_dir;
};

}  // namespace

TEST_P(LzhEncoderInterop, ReadersAcceptOurStreams)
{
    const EncodeMethod method = GetParam();
    const char* name = lzh_test::MethodName(method);
    std::vector<std::pair<std::string, Bytes>> members = {
        {"three.bin", Bytes{'a', 'b', 'c'}},
        {"text.txt", lzh_test::TextLike(300000, 21)},
        {"random.bin", lzh_test::RandomBytes(200000, 22)},
        {"zeros.bin", Bytes(3 << 20, 0)},
    };
    Bytes mixed = lzh_test::TextLike(150000, 23);
    const Bytes noise = lzh_test::RandomBytes(70000, 24);
    mixed.insert(mixed.end(), noise.begin(), noise.end());
    members.push_back({"mixed.bin", mixed});
    // Bytes from a sparse alphabet whose gaps grow, its mix changing along the file: code
    // tables full of zero runs of every length, which the encoder may cut in several ways.
    Bytes sparse;
    std::mt19937 rng(25);
    for (unsigned part = 0; part < 8; ++part) {
        std::vector<std::uint8_t> alphabet;
        for (unsigned v = part, gap = 1; v < 256; v += gap, gap += 1 + part % 3)
            alphabet.push_back(static_cast<std::uint8_t>(v));
        for (unsigned k = 0; k < 20000; ++k)
            sparse.push_back(alphabet[std::min(rng() % alphabet.size(), rng() % alphabet.size())]);
    }
    members.push_back({"sparse.bin", sparse});

    Bytes archive;
    for (const auto& [file, data] : members)
        AppendMember(archive, file, name, lzh_test::Compress(method, data), data);
    archive.push_back(0);
    const fs::path path = m_dir / "test.lzh";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(archive.data()),
               static_cast<std::streamsize>(archive.size()));
    const std::string quoted = "'" + path.string() + "'";
    std::string out;

    if (HaveTool("lhasa")) {
        EXPECT_EQ(RunShell("lhasa t " + quoted, out), 0) << out;
        EXPECT_EQ(out.find("rror"), std::string::npos) << out;
    }
    if (HaveTool("7zz")) {
        EXPECT_EQ(RunShell("7zz t " + quoted, out), 0) << out;
        EXPECT_NE(out.find("Everything is Ok"), std::string::npos) << out;
    }
    if (HaveTool("jlha")) {
        // jlha exits 0 and prints its "o" marks even for a member whose data is wrong, so extract
        // and compare; it does refuse malformed code tables, which it logs as exceptions.
        const fs::path dest = m_dir / "jlha";
        fs::create_directory(dest);
        RunShell("cd '" + m_dir.string() + "' && jlha xfw=jlha test.lzh", out);
        EXPECT_EQ(out.find("Exception"), std::string::npos) << out;
        for (const auto& [file, data] : members)
            EXPECT_TRUE(lzh_test::ReadFile(dest / file) == data) << "jlha: " << file;
    }
    if (HaveTool("bsdtar")) {
        const fs::path dest = m_dir / "bsdtar";
        fs::create_directory(dest);
        EXPECT_EQ(RunShell("bsdtar xf " + quoted + " -C '" + dest.string() + "'", out), 0) << out;
        for (const auto& [file, data] : members)
            EXPECT_TRUE(lzh_test::ReadFile(dest / file) == data) << "bsdtar: " << file;
    }
}

INSTANTIATE_TEST_SUITE_P(Methods, LzhEncoderInterop,
                         ::testing::Values(EncodeMethod::Lh5, EncodeMethod::Lh6, EncodeMethod::Lh7),
                         [](const auto& info) {
                             return "lh" + std::to_string(static_cast<int>(info.param));
                         });
