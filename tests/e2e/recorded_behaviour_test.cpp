// What the program does, written down once and compared byte for byte on every run: for a fixed
// set of folders, the silent run in every mode and format (and a window run that saves the
// settings at exit) leaves the same module command lines, the same history, the same settings
// file and archives with the same members. Any change of behaviour, however small, shows here as
// a difference against the files of recorded/.
//
// After an intended change of behaviour, write the files anew with QB_RECORD_UPDATE=1 and read
// the difference before committing it.
#include "Sandbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>
#include <sys/stat.h>
#include <utime.h>

using namespace e2e;
namespace fs = std::filesystem;

namespace {

using Settings = std::vector<std::pair<std::string, std::string>>;

struct RecordedRun {
    const char* name;  // the recorded file, and the test's name
    Settings settings;
    std::vector<std::string> arguments;
    std::string testActions;  // a window run when not empty
    int runs = 1;  // the same run again over its own archives (an update)
};

// Folders whose content, names and times never change, so that archives do not either.
void MakeFixedFolders(const Sandbox& box)
{
    const std::string a = box.C("SRC/abc");
    WriteBytes(a + "/readme.txt", "fixed content\r\n");
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += "line " + std::to_string(i % 89) + " of a text that repeats\n";
    WriteBytes(a + "/docs/long.txt", text);
    WriteBytes(a + "/.hidden", "hidden\n");
    WriteBytes(a + "/data/deep/empty.dat", "");
    WriteBytes(a + "/\xe8\xa1\xa8.txt", "a name that holds 0x5C in CP932\n");
    fs::create_directories(a + "/empty folder");
    WriteBytes(box.C("SRC/Mixed Case/File.TXT"), "upper and lower\n");
    WriteBytes(box.C("SRC/Mixed Case/sub/.dot/inner.txt"), "inside a hidden folder\n");
    // One time for everything, in the past, so that an update finds nothing newer.
    for (const auto& e : fs::recursive_directory_iterator(box.C("SRC"))) {
        struct utimbuf t {
            1262304000, 1262304000  // 2010-01-01 00:00:00 UTC
        };
        ::utime(e.path().c_str(), &t);
    }
}

std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// Takes out what changes from one sandbox to the next: its folder, and the names of the run's
// private temporary folders and files.
std::string Normalised(std::string text, const Sandbox& box)
{
    text = Replace(text, box.Root(), "<ROOT>");
    static const std::regex privateName(R"((quillbox2-run|qb|QB)[-_.][A-Za-z0-9]{6,})");
    return std::regex_replace(text, privateName, "$1-<ID>");
}

// "path size" per member, sorted, as 7-Zip lists them; a double archive's inner archive is
// listed too.
std::string Members(const Sandbox& box, const std::string& archive)
{
    std::string listing;
    qbtest::RunShell("7zz l -ba -slt " + Quote(archive), &listing);
    std::vector<std::string> lines;
    std::istringstream in(listing);
    std::string line, path;
    while (std::getline(in, line)) {
        if (line.rfind("Path = ", 0) == 0)
            path = line.substr(7);
        else if (line.rfind("Size = ", 0) == 0)
            lines.push_back(path + " " + line.substr(7));
    }
    std::sort(lines.begin(), lines.end());
    std::string text;
    for (const std::string& l : lines)
        text += "  " + l + "\n";
    const std::string name = fs::path(archive).filename().string();
    if (std::count(name.begin(), name.end(), '.') == 2) {
        const std::string dir = box.Root() + "/inner";
        fs::remove_all(dir);
        fs::create_directories(dir);
        if (Shell("7zz x -y -o" + Quote(dir) + " " + Quote(archive) + " >/dev/null") == 0)
            for (const auto& e : fs::directory_iterator(dir))
                text += " inner " + e.path().filename().string() + ":\n" +
                        Members(box, e.path().string());
    }
    return text;
}

std::string Record(const Sandbox& box, const RecordedRun& run)
{
    const std::string log = box.Root() + "/calls.txt";
    std::map<std::string, std::string> env = {{"QB_RECORD_LOG", log},
                                              {"QB_RECORD_REAL", QB_SYSTEM_DIR_OF_BUILD},
                                              {"QUILLBOX2_THREADS", "1"},
                                              {"LANG", "ja_JP.UTF-8"}};
    if (!run.testActions.empty())
        env["QUILLBOX2_TEST_ACTIONS"] = run.testActions;
    std::string text;
    for (int i = 1; i <= run.runs; ++i) {
        fs::remove(log);
        const RunResult r = box.Run(run.arguments, env);
        text += "=== run " + std::to_string(i) + ": exit status " +
                (r.timedOut ? std::string("timed out") : std::to_string(r.status)) + "\n";
        text += "--- module calls\n" + ReadBytes(log);
        text += "--- standard output\n" + r.out;
        text += "--- standard error\n" + r.err;
        text += "--- settings file\n" + ReadBytes(box.SettingsFile());
        text += "--- output folder\n";
        std::vector<fs::path> archives;
        for (const auto& e : fs::directory_iterator(box.C("OUT")))
            archives.push_back(e.path());
        std::sort(archives.begin(), archives.end());
        for (const fs::path& p : archives)
            text += p.filename().string() + "\n" + Members(box, p.string());
    }
    return Normalised(text, box);
}

const Settings kBase = {{"Auto", "True"}, {"Dir_Out", "C:\\OUT"}, {"TmpDir", "C:\\TMP\\"}};

Settings With(Settings s, const Settings& more)
{
    s.insert(s.end(), more.begin(), more.end());
    return s;
}

const std::vector<std::string> kFolders = {"C:\\SRC\\abc", "C:\\SRC\\Mixed Case"};

std::vector<RecordedRun> Runs()
{
    return {
        {"normal_lzh", With(kBase, {{"AutoExe", "0"}, {"AshukuExe", "0"}}), kFolders, ""},
        {"normal_zip", With(kBase, {{"AutoExe", "0"}, {"AshukuExe", "1"}}), kFolders, ""},
        {"stored_lzh", With(kBase, {{"AutoExe", "1"}, {"AshukuExe", "0"}}), kFolders, ""},
        {"stored_zip", With(kBase, {{"AutoExe", "1"}, {"AshukuExe", "1"}}), kFolders, ""},
        {"double_lzh_lzh", With(kBase, {{"AutoExe", "2"}, {"Pattern", "0"}}), kFolders, "", 2},
        {"double_lzh_zip", With(kBase, {{"AutoExe", "2"}, {"Pattern", "1"}}), kFolders, "", 2},
        {"double_zip_lzh", With(kBase, {{"AutoExe", "2"}, {"Pattern", "2"}}), kFolders, "", 2},
        {"double_zip_zip", With(kBase, {{"AutoExe", "2"}, {"Pattern", "3"}}), kFolders, "", 2},
        {"double_update_lzh_zip",
         With(kBase, {{"AutoExe", "2"}, {"Pattern", "1"}, {"Double", "True"}}), kFolders, "", 2},
        {"double_update_zip_lzh",
         With(kBase, {{"AutoExe", "2"}, {"Pattern", "2"}, {"Double", "True"}}), kFolders, "", 2},
        {"normal_lzh_every_switch",
         With(kBase, {{"Jibun", "True"}, {"Habuku", "False"}, {"Hiddn", "True"},
                      {"SubDir", "False"}, {"UCase", "False"}, {"LzhNameCode", "1"},
                      {"TestArchive", "True"}}),
         kFolders, "", 2},
        {"normal_zip_every_switch",
         With(kBase, {{"AshukuExe", "1"}, {"Jibun", "True"}, {"Hiddn", "True"},
                      {"UCase", "False"}, {"ZipNameCode", "1"}, {"TestArchive", "True"},
                      {"SyncArchive", "True"}}),
         kFolders, "", 2},
        {"job_file", kBase, {"C:\\JOBS\\weekly.qbj"}, ""},
        {"window_run_and_close", {{"Dir_Out", "C:\\OUT"}, {"TmpDir", "C:\\TMP\\"}}, kFolders,
         "run0,history,close"},
    };
}

class RecordedBehaviourTest : public ::testing::TestWithParam<RecordedRun> { };

}  // namespace

TEST_P(RecordedBehaviourTest, MatchesTheRecord)
{
    if (!Sandbox::ModulesBuilt())
        GTEST_SKIP() << "the archiver modules are not built into " << QB_SYSTEM_DIR_OF_BUILD;
    const RecordedRun& run = GetParam();
    Sandbox box;
    for (const char* m : {"UNLHA32.DLL", "ZIP32J.DLL", "UNZIP32.DLL"})
        box.ReplaceModule(m, std::string(QB_RECORDING_SYSTEM_DIR) + "/" + m);
    MakeFixedFolders(box);
    WriteBytes(box.C("JOBS/weekly.qbj"),
               "Quillbox2 QBJ FILE\r\nINDIR=C:\\SRC\r\nOUTDIR=C:\\OUT\r\n"
               "C:\\SRC\\abc\r\nC:\\SRC\\Mixed Case\r\n");
    box.WriteSettings(run.settings);

    const std::string actual = Record(box, run);

    const std::string file = std::string(QB_RECORDED_DIR) + "/" + run.name + ".txt";
    if (std::getenv("QB_RECORD_UPDATE")) {
        WriteBytes(file, actual);
        GTEST_SKIP() << "recorded " << file;
    }
    ASSERT_TRUE(fs::exists(file)) << "no record yet: run once with QB_RECORD_UPDATE=1";
    EXPECT_EQ(actual, ReadBytes(file)) << "the behaviour differs from " << file;
}

INSTANTIATE_TEST_SUITE_P(FixedFolders, RecordedBehaviourTest, ::testing::ValuesIn(Runs()),
                         [](const ::testing::TestParamInfo<RecordedRun>& info) {
                             return std::string(info.param.name);
                         });
