// End to end: the real program with the real archiver modules, started in a sandbox without a
// display and scripted through QUILLBOX2_TEST_ACTIONS (what a person would do by hand: look at
// the target list, press a run button, close the window).

#include "e2e/Sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class WindowEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!e2e::Sandbox::ModulesBuilt())
            GTEST_SKIP() << "the archiver modules are not built (build/system/UNLHA32.DLL)";
        box = std::make_unique<e2e::Sandbox>();
        for (const char* f : {"DATA/abc/sub", "DATA/def", "OUT"})
            std::filesystem::create_directories(box->C(f));
        e2e::WriteBytes(box->C("DATA/abc/readme.txt"), "hello, archive\n");
        e2e::WriteBytes(box->C("DATA/abc/sub/data.bin"), std::string(5000, 'x'));
        e2e::WriteBytes(box->C("DATA/def/note.txt"), "note\n");
    }

    e2e::RunResult Run(const std::vector<std::string>& args, const std::string& actions)
    {
        return box->Run(args, {{"QUILLBOX2_TEST_ACTIONS", actions}});
    }

    static bool Has(const std::string& out, const std::string& line)
    {
        return out.find(line + "\n") != std::string::npos;
    }

    std::unique_ptr<e2e::Sandbox> box;
};

TEST_F(WindowEndToEnd, TwoFoldersOnTheCommandLineShowInTheTargetList)
{
    box->WriteSettings({{"Auto", "False"}});
    const auto r = Run({box->C("DATA/abc"), box->C("DATA/def")}, "list,close");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("target: C:\\DATA\\abc\ntarget: C:\\DATA\\def\n"), std::string::npos)
        << r.out;
}

TEST_F(WindowEndToEnd, ARunFromTheButtonWritesTheArchivesAndEmptiesTheList)
{
    box->WriteSettings({{"Auto", "False"}, {"Dir_Out", "C:\\OUT"}, {"TmpDir", "C:\\OUT\\"}});
    const auto r = Run({box->C("DATA/abc"), box->C("DATA/def")}, "run0,list,history,close");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.find("target: "), std::string::npos) << r.out;
    EXPECT_TRUE(Has(r.out, "history: 全て終了しました")) << r.out;
    for (const char* archive : {"OUT/ABC.LZH", "OUT/DEF.LZH"}) {
        ASSERT_TRUE(std::filesystem::exists(box->C(archive))) << archive;
        EXPECT_EQ(e2e::Shell("lhasa t " + e2e::Quote(box->C(archive))), 0) << archive;
    }

    // The same folders as ZIP, stored.
    box->WriteSettings({{"Auto", "False"}, {"Dir_Out", "C:\\OUT"}, {"AshukuExe", "1"}});
    const auto z = Run({box->C("DATA/abc")}, "run1,list,close");
    ASSERT_EQ(z.status, 0) << z.err;
    EXPECT_EQ(z.out.find("target: "), std::string::npos) << z.out;
    EXPECT_EQ(e2e::Shell("unzip -tq " + e2e::Quote(box->C("OUT/ABC.ZIP"))), 0);

    // Double compression from the third button: a stored archive inside a compressed one.
    std::filesystem::create_directories(box->C("TMP"));
    box->WriteSettings({{"Auto", "False"}, {"Dir_Out", "C:\\OUT"}, {"TmpDir", "C:\\TMP\\"}});
    const auto d = Run({box->C("DATA/def")}, "run2,list,close");
    ASSERT_EQ(d.status, 0) << d.err;
    EXPECT_EQ(d.out.find("target: "), std::string::npos) << d.out;
    EXPECT_EQ(e2e::Shell("lhasa t " + e2e::Quote(box->C("OUT/DEF.LZH.LZH"))), 0);
    EXPECT_TRUE(std::filesystem::is_empty(box->C("TMP")));
}

TEST_F(WindowEndToEnd, ClosingWritesTheSettingsAndTheNextStartRestoresTheFolders)
{
    box->WriteSettings({{"Auto", "False"}, {"Dir_In_Yuko", "False"}, {"Dir_Out_Yuko", "False"}});
    e2e::WriteBytes(box->C("JOB.QBJ"),
                    "Quillbox2 QBJ FILE\r\nINDIR=C:\\DATA\r\nOUTDIR=C:\\OUT\r\nC:\\DATA\\def\r\n");
    const auto first = Run({box->C("JOB.QBJ")}, "dirs,list,close");
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_TRUE(Has(first.out, "indir: C:\\DATA")) << first.out;
    EXPECT_TRUE(Has(first.out, "target: C:\\DATA\\def")) << first.out;

    const std::string ini = e2e::ReadBytes(box->SettingsFile());
    for (const char* line :
         {"OldDir_In=C:\\DATA", "OldDir_Out=C:\\OUT", "Main_WindowState=0", "Version=1.02"})
        EXPECT_NE(ini.find(line), std::string::npos) << line << "\n" << ini;

    const auto second = Run({}, "dirs,list,close");
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_TRUE(Has(second.out, "indir: C:\\DATA")) << second.out;
    EXPECT_TRUE(Has(second.out, "outdir: C:\\OUT")) << second.out;
    // The target list itself is not kept between starts.
    EXPECT_EQ(second.out.find("target: "), std::string::npos);
}

TEST_F(WindowEndToEnd, FoldersLeftOutAtStartAreInTheHistoryAndCountInTheRunsLastLine)
{
    box->WriteSettings({{"Auto", "False"}, {"Dir_Out", "C:\\OUT"}, {"TmpDir", "C:\\OUT\\"}});
    e2e::WriteBytes(box->C("DATA/file.txt"), "a file\n");
    const std::string gone = "[ C:\\DATA\\gone ]\nhistory: 　圧縮しません\nhistory: "
                             "　理由：このフォルダは存在しません\n";
    const std::string file = "history: [ C:\\DATA\\file.txt ]\nhistory: 　圧縮しません\n"
                             "history: 　理由：フォルダではありません\n";
    const auto r = Run({box->C("DATA/abc"), box->C("DATA/gone"), box->C("DATA/file.txt")},
                       "history,run0,history,close");
    ASSERT_EQ(r.status, 0) << r.err;
    // Shown as soon as the window is up, and again at the top of the run's history.
    const std::string told = "history: " + gone + file;
    ASSERT_EQ(r.out.find(told), 0u) << r.out;
    EXPECT_EQ(r.out.find(told + "history: [ C:\\DATA\\abc ]\n", told.size()), told.size()) << r.out;
    EXPECT_TRUE(
        Has(r.out, "history: 全て終了しました\nhistory: 全 3 フォルダ中 1 フォルダを圧縮しました"))
        << r.out;
    EXPECT_TRUE(std::filesystem::exists(box->C("OUT/ABC.LZH")));

    // A job file: its missing folders one by one, and its missing output folder, named before
    // the run packs into the folder the pane fell back to (the working folder, C:\).
    e2e::WriteBytes(box->C("JOB.QBJ"),
                    "Quillbox2 QBJ FILE\r\nINDIR=C:\\DATA\r\nOUTDIR=C:\\NOOUT\r\n"
                    "C:\\DATA\\gone\r\nC:\\DATA\\def\r\nC:\\DATA\\gone2\r\n");
    const auto job = Run({box->C("JOB.QBJ")}, "run0,history,close");
    ASSERT_EQ(job.status, 0) << job.err;
    EXPECT_EQ(job.out.find("history: 圧縮ファイル格納フォルダ C:\\NOOUT は存在しません。C:\\ "
                           "に作成します\nhistory: " +
                           gone),
              0u)
        << job.out;
    EXPECT_TRUE(Has(job.out, "history: [ C:\\DATA\\gone2 ]")) << job.out;
    EXPECT_TRUE(Has(job.out, "history: 全 3 フォルダ中 1 フォルダを圧縮しました")) << job.out;
    EXPECT_TRUE(std::filesystem::exists(box->C("DEF.LZH")));

    // Auto on, and nothing named could be listed: no run, the window instead, which says why.
    box->WriteSettings({{"Auto", "True"}});
    const auto none = Run({box->C("DATA/gone")}, "list,history,close");
    ASSERT_EQ(none.status, 0) << none.err;
    EXPECT_EQ(none.out, "history: " + gone) << none.out;
}

TEST_F(WindowEndToEnd, ASettingsSaveThatFailsIsToldInAMessageBox)
{
    box->WriteSettings({{"Auto", "False"}});
    if (!box->RunAsOrdinaryUser())
        GTEST_SKIP() << "root writes into read-only folders, and no ordinary user to run as";
    const std::string before = e2e::ReadBytes(box->SettingsFile());
    std::filesystem::permissions(box->Root() + "/config", std::filesystem::perms::owner_read |
                                                              std::filesystem::perms::owner_exec);
    const auto r = Run({}, "close");
    std::filesystem::permissions(box->Root() + "/config", std::filesystem::perms::owner_all);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Has(r.out, "message: 設定を保存できませんでした。\n" + box->SettingsFile() +
                               "\nPermission denied"))
        << r.out;
    EXPECT_EQ(e2e::ReadBytes(box->SettingsFile()), before);

    // A folder that can be written takes them without a word.
    const auto ok = Run({}, "close");
    EXPECT_EQ(ok.out.find("message: "), std::string::npos) << ok.out;
    EXPECT_NE(e2e::ReadBytes(box->SettingsFile()), before);
}

}  // namespace
