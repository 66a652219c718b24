// The pieces of the file-manager actions that must never go wrong quietly: the program's path in
// a command (blanks and shell characters), and the edit of the user's Thunar actions file.
#include "app/FileManagerActions.h"
#include "app/RunOptions.h"
#include "app/RunOutcome.h"

#include <gtest/gtest.h>

using qb::app::EditThunarActions;
using qb::app::FillActionTemplate;

TEST(FileManagerActions, TheProgramPathIsQuotedWhenItNeedsIt)
{
    EXPECT_EQ(FillActionTemplate("@QUILLBOX2@ --silent -- %F", "/usr/bin/quillbox2"),
              "/usr/bin/quillbox2 --silent -- %F");
    EXPECT_EQ(FillActionTemplate("exec @QUILLBOX2@ x", "/home/me/My Apps/quillbox2"),
              "exec \"/home/me/My Apps/quillbox2\" x");
    // Nothing in the path may be taken by a shell as a command or a variable.
    EXPECT_EQ(FillActionTemplate("@QUILLBOX2@", "/opt/a$(rm)`x`\"\\/q"),
              "\"/opt/a\\$(rm)\\`x\\`\\\"\\\\/q\"");
}

TEST(FileManagerActions, ThunarActionsAreReplacedAndRemovedAndOthersKept)
{
    const std::string theirs = "<action>\n\t<unique-id>1-2</unique-id>\n</action>\n";
    const std::string ours = "<action>\n\t<unique-id>quillbox2-pack-lzh</unique-id>\n</action>\n";
    const std::string file = "<?xml version=\"1.0\"?>\n<actions>\n" + theirs + "</actions>\n";
    const std::string added = EditThunarActions(file, ours).text;
    EXPECT_EQ(added, "<?xml version=\"1.0\"?>\n<actions>\n" + theirs + ours + "</actions>\n");
    EXPECT_EQ(EditThunarActions(added, ours).text, added);  // set up again: still once
    EXPECT_EQ(EditThunarActions(added, "").text, file);  // removed: the file as it was
}

TEST(FileManagerActions, ThunarEditKeepsEveryOtherByteWhateverTheLayout)
{
    // Comments, a doctype, CRLF line ends, no line end at all, text that looks like an action
    // inside a comment and CDATA, a nested "action" and a unique-id of ours that is not the
    // action's own: only the real actions of ours move.
    const std::string ours = "<action><unique-id>quillbox2-pack-zip</unique-id></action>\n";
    const std::string theirs =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<!DOCTYPE actions>\r\n"
        "<!-- <action><unique-id>quillbox2-x</unique-id></action> -->\r\n<actions>\r\n"
        "  <action><name>名前 &amp; <![CDATA[<unique-id>quillbox2-y</unique-id>]]></name>"
        "<unique-id>9-9</unique-id><x><unique-id>quillbox2-z</unique-id></x></action>\r\n"
        "  <note><action><unique-id>quillbox2-nested</unique-id></action></note>\r\n"
        "  </actions>";
    const auto added = EditThunarActions(theirs, ours);
    ASSERT_EQ(added.error, "");
    EXPECT_EQ(added.text, theirs.substr(0, theirs.size() - 10) + ours + "</actions>");
    EXPECT_EQ(EditThunarActions(added.text, "").text, theirs);
    // One of ours that Thunar rewrote (CRLF after it, spaces in the id) still goes.
    const std::string rewritten = "<actions>\r\n<action>\r\n\t<unique-id> quillbox2-pack-lzh "
                                  "</unique-id>\r\n</action>\r\n</actions>\r\n";
    EXPECT_EQ(EditThunarActions(rewritten, "").text, "<actions>\r\n</actions>\r\n");
    // <actions/> opens to take ours; taking them out again keeps the user's entries (none).
    EXPECT_EQ(EditThunarActions("<actions/>\n", ours).text, "<actions>\n" + ours + "</actions>\n");
    EXPECT_EQ(EditThunarActions("<actions/>\n", "").text, "<actions/>\n");
}

TEST(FileManagerActions, AThunarFileThatIsNotWellFormedIsRefused)
{
    const std::string ours = "<action><unique-id>quillbox2-pack-zip</unique-id></action>\n";
    for (const std::string bad :
         {"<settings/>\n", "<actions>\n<action>\n<unique-id>quillbox2-x", "",
          "<actions><action></actions>\n", "<actions></actions><actions></actions>",
          "<actions>\xff</actions>", "<actions>&nbsp;</actions>"}) {
        SCOPED_TRACE(bad);
        const auto edit = EditThunarActions(bad, ours);
        EXPECT_NE(edit.error, "");
        EXPECT_EQ(edit.text, "");
        EXPECT_NE(EditThunarActions(bad, "").error, "");
    }
    // Where the fault is, for the message.
    EXPECT_EQ(EditThunarActions("<actions>\n<a>\n</b>\n</actions>\n", "").error.rfind("3:", 0), 0u);
}

TEST(RunOptions, ValuesTheirAbsenceAndOptionsAfterTheEnd)
{
    using qb::app::ParseRunOptions;
    auto ok = ParseRunOptions(
        {"C:\\A", "--format=zip", "--pattern", "2", "/home/b", "--", "--mode"}, false);
    EXPECT_EQ(ok.error, "");
    EXPECT_EQ(ok.options.format, 1);
    EXPECT_EQ(ok.options.pattern, 2);
    EXPECT_FALSE(ok.options.mode);
    EXPECT_EQ(ok.options.arguments, (std::vector<std::string>{"C:\\A", "/home/b", "--mode"}));
    EXPECT_TRUE(ok.options.Silent());
    // The Windows-style arguments alone pass through untouched: no option, no silent run.
    auto windows = ParseRunOptions({"/U"}, false);
    EXPECT_EQ(windows.options.arguments, (std::vector<std::string>{"/U"}));
    EXPECT_FALSE(windows.options.Silent());
    EXPECT_NE(ParseRunOptions({"--out"}, false).error.find("needs a value"), std::string::npos);
    EXPECT_NE(ParseRunOptions({"--out="}, false).error, "");
    EXPECT_NE(ParseRunOptions({"--pattern", "-1"}, true).error.find("使えません"),
              std::string::npos);
}

TEST(RunOptions, ShortFormsAndEveryOtherDashWordIsABadOption)
{
    using qb::app::ParseRunOptions;
    EXPECT_TRUE(ParseRunOptions({"-h"}, false).options.help);
    EXPECT_TRUE(ParseRunOptions({"C:\\A", "-V"}, false).options.version);
    // Single-dash words that are no option of ours (Qt's own among them), a bundle of two short
    // forms and a lone dash: refused by name, in the locale's language.
    for (const char* bad : {"-x", "-platform", "-hV", "-", "-help", "-v"}) {
        const auto parsed = ParseRunOptions({"C:\\A", bad}, false);
        EXPECT_EQ(parsed.error, std::string("quillbox2: unknown option ") + bad);
        EXPECT_FALSE(parsed.options.help || parsed.options.version) << bad;
    }
    EXPECT_EQ(ParseRunOptions({"-x"}, true).error, "quillbox2: 不明なオプションです: -x");
    // Host paths, drive paths and the Windows-style switches still pass; after "--" so does
    // every dash word.
    auto windows = ParseRunOptions({"/U", "/u", "/home/-x", "C:\\-V", "--", "-h", "-"}, false);
    EXPECT_EQ(windows.error, "");
    EXPECT_FALSE(windows.options.help);
    EXPECT_EQ(windows.options.arguments,
              (std::vector<std::string>{"/U", "/u", "/home/-x", "C:\\-V", "-h", "-"}));
    // The word after an option that takes a value is that value, dash or not.
    EXPECT_EQ(ParseRunOptions({"--out", "-x"}, false).options.out, "-x");
    for (bool japanese : {false, true}) {
        EXPECT_NE(qb::app::HelpText(japanese).find("  -h, --help\n"), std::string::npos);
        EXPECT_NE(qb::app::HelpText(japanese).find("  -V, --version\n"), std::string::npos);
    }
}

TEST(RunOptions, TestSyncAndNameCodesForOneRun)
{
    using qb::app::ParseRunOptions;
    // None given: the stored settings stay in force.
    auto none = ParseRunOptions({"C:\\A"}, false).options;
    EXPECT_FALSE(none.testArchive || none.syncArchive || none.lzhNameCode || none.zipNameCode);
    EXPECT_FALSE(none.Silent());
    // Each alone makes the run silent; the later of two opposite switches wins.
    for (const char* only :
         {"--test", "--no-test", "--sync", "--no-sync", "--lzh-names=auto", "--zip-names=utf8"}) {
        const auto parsed = ParseRunOptions({only, "C:\\A"}, false);
        EXPECT_EQ(parsed.error, "") << only;
        EXPECT_TRUE(parsed.options.Silent()) << only;
    }
    auto on = ParseRunOptions(
        {"--no-test", "--test", "--sync", "--lzh-names", "utf8", "--zip-names=cp932", "C:\\A"},
        false);
    EXPECT_EQ(on.error, "");
    EXPECT_EQ(on.options.testArchive, true);
    EXPECT_EQ(on.options.syncArchive, true);
    EXPECT_EQ(on.options.lzhNameCode, 1);
    EXPECT_EQ(on.options.zipNameCode, 1);
    auto off = ParseRunOptions({"--test", "--no-test", "--no-sync", "--lzh-names=auto"}, false);
    EXPECT_EQ(off.options.testArchive, false);
    EXPECT_EQ(off.options.syncArchive, false);
    EXPECT_EQ(off.options.lzhNameCode, 0);
    // The name codes take only their words; the switches take no value.
    EXPECT_NE(ParseRunOptions({"--lzh-names", "cp932"}, false).error.find("auto|utf8"),
              std::string::npos);
    EXPECT_NE(ParseRunOptions({"--zip-names", "1"}, false).error, "");
    EXPECT_NE(ParseRunOptions({"--test=yes"}, false).error.find("takes no value"),
              std::string::npos);
    EXPECT_NE(ParseRunOptions({"--zip-names"}, true).error.find("utf8|cp932"), std::string::npos);
    // Each is in both help texts.
    for (bool japanese : {false, true})
        for (const char* name : {"--test", "--no-test", "--sync", "--no-sync",
                                 "--lzh-names auto|utf8", "--zip-names utf8|cp932"})
            EXPECT_NE(qb::app::HelpText(japanese).find(std::string("  ") + name + "\n"),
                      std::string::npos)
                << name;
}

TEST(RunOutcome, TheNotificationNamesTheArchivesFolderOrEachPath)
{
    using qb::app::NotificationBody;
    const std::vector<std::string> history = {"[ C:\\P\\A ]", "全て終了しました"};
    EXPECT_EQ(NotificationBody(history, {"/home/me/P/A.LZH", "/home/me/P/B C.LZH"}),
              "全て終了しました\n保存先：/home/me/P\nA.LZH\nB C.LZH");
    // Archives beside folders of different parents: each with its path, and no one folder.
    EXPECT_EQ(NotificationBody(history, {"/home/me/P/A.LZH", "/home/me/Q/A.LZH"}),
              "全て終了しました\n/home/me/P/A.LZH\n/home/me/Q/A.LZH");
    EXPECT_EQ(qb::app::ArchivesFolder({"/home/me/P/A.LZH", "/home/me/Q/A.LZH"}), "");
    EXPECT_EQ(qb::app::ArchivesFolder({"/A.LZH"}), "/");
    EXPECT_EQ(qb::app::ArchivesFolder({}), "");
}

TEST(RunOptions, BesideMakesTheRunSilentAndRefusesAnOutputFolder)
{
    using qb::app::ParseRunOptions;
    const auto beside = ParseRunOptions({"--beside", "/home/me/P/A"}, false);
    EXPECT_EQ(beside.error, "");
    EXPECT_TRUE(beside.options.beside);
    EXPECT_TRUE(beside.options.Silent());
    EXPECT_NE(ParseRunOptions({"--beside", "--out", "/tmp", "/home/me/P/A"}, false)
                  .error.find("--beside and --out"),
              std::string::npos);
    EXPECT_NE(ParseRunOptions({"--out=/tmp", "--beside"}, true).error.find("同時に使えません"),
              std::string::npos);
    for (bool japanese : {false, true})
        EXPECT_NE(qb::app::HelpText(japanese).find("  --beside\n"), std::string::npos);
}
