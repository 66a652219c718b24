// A process killed in the middle of saving never leaves a damaged store, and two processes
// saving at once never lose each other's keys.
#include "engine/Options.h"
#include "platform/IniDocument.h"
#include "platform/SettingsStore.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

using namespace qb::platform;
using qbtest::Sandbox;

namespace {

// Saves the options over and over, each round with its own values, until killed.
[[noreturn]] void SaveForever()
{
    for (int round = 0;; ++round) {
        qb::engine::Options o;
        o.TempFolder = "C:\\TEMP\\" + std::to_string(round) + "\\";
        o.FontName = std::string(4000, 'f');  // a bigger file takes longer to write
        o.DoublePattern = round % 4;
        o.FontSize = round % 100 + 1;
        qb::engine::SaveSettings(o);
    }
}

const char* const kOptionKeys[] = {
    "Version",   "TmpDir", "Lzh_Option", "SubDir",    "Hiddn",     "Jibun",      "UCase",
    "Double",    "Auto",   "AutoExe",    "AutoLog",   "Resize",    "Tip",        "Pattern",
    "AshukuExe", "Habuku", "Font_Name",  "Font_Size", "Font_Bold", "Font_Italic"};

}  // namespace

TEST(SettingsCrash, KilledWhileSavingLeavesAWholeFile)
{
    Sandbox box;
    const std::string ini = box.Config() + "/Brambleworks.ini";
    for (int attempt = 0; attempt < 25; ++attempt) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            SaveForever();
        std::this_thread::sleep_for(std::chrono::microseconds(2000 + attempt * 1700));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));
        if (!Sandbox::Exists(ini))
            continue;  // killed before the first save finished

        const IniDocument doc = IniDocument::Parse(Sandbox::ReadFile(ini));
        for (const char* key : kOptionKeys)
            ASSERT_TRUE(doc.Get("Quillbox2", key).has_value()) << key << " in round " << attempt;
        EXPECT_EQ(doc.Get("Quillbox2", "Version"), "1.02");
        EXPECT_EQ(doc.Get("Quillbox2", "Font_Name")->size(), 4000u);
        const std::string text = Sandbox::ReadFile(ini);
        ASSERT_EQ(text.back(), '\n');
    }
    // Temporary files of killed writers are cleared by the next save.
    ASSERT_TRUE(SaveSetting("Brambleworks", "Quillbox2", "Version", "1.02"));
    int others = 0;
    for (const auto& entry : std::filesystem::directory_iterator(box.Config()))
        others += entry.path().filename() != "Brambleworks.ini" ? 1 : 0;
    EXPECT_EQ(others, 0);
}

TEST(SettingsCrash, TwoProcessesSavingAtOnceKeepEachOthersKeys)
{
    Sandbox box;
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = ::fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            for (int i = 0; i < 40; ++i)
                SaveSetting("Shared", "S", "P" + std::to_string(c) + "_" + std::to_string(i), "v");
            ::_exit(0);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < 40; ++i)
            EXPECT_EQ(
                GetSetting("Shared", "S", "P" + std::to_string(c) + "_" + std::to_string(i), ""),
                "v");
}
