// The program's command line: how the text is split, what lands on the target list, job files
// among the arguments, and how Linux arguments become the command text.
#include "support/EngineFixture.h"

#include "common/ProgramMessages.h"

using namespace qbtest;
using qb::engine::BuildCommandText;
using qb::engine::ParseCommandLine;
using qb::engine::PathOutcome;
using qb::engine::SplitCommandText;
using Lines = std::vector<std::string>;
using Reasons = std::vector<std::pair<std::string, PathOutcome>>;

namespace {

// The folders a report names, in order, with why.
Reasons Named(const qb::engine::StartReport& report)
{
    Reasons named;
    for (const auto& e : report.Entries())
        named.emplace_back(e.path, e.why);
    return named;
}

class CommandLineTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        MakeFolder("C:\\SRC\\A");
        MakeFolder("C:\\SRC\\B C");
        MakeFolder("C:\\SRC\\D");
    }
    RecordingPanes panes;
};

}  // namespace

TEST(CommandTextSplit, QuotesSpacesAndEmptyArguments)
{
    bool ok = false;
    EXPECT_EQ(SplitCommandText("a b", &ok), (Lines{"a", "b"}));
    EXPECT_TRUE(ok);
    EXPECT_EQ(SplitCommandText("  a   \"\" b  "), (Lines{"a", "b"}));
    EXPECT_EQ(SplitCommandText("\"x y\"z w"), (Lines{"x y", "z", "w"}));
    EXPECT_EQ(SplitCommandText("a\"b c\""), (Lines{"a\"b", "c\""}));
    EXPECT_EQ(SplitCommandText("a \"b c", &ok), (Lines{"a"}));
    EXPECT_FALSE(ok);
    EXPECT_TRUE(SplitCommandText("").empty());
}

TEST_F(CommandLineTest, FoldersAreAddedInOrder)
{
    EXPECT_TRUE(ParseCommandLine("C:\\SRC\\A \"C:\\SRC\\B C\" c:\\src\\d", panes));
    EXPECT_EQ(panes.list.Items(), (Lines{"C:\\SRC\\A", "C:\\SRC\\B C", "C:\\SRC\\D"}));
    EXPECT_TRUE(ParseCommandLine("\"C:\\SRC\\B C\"C:\\SRC\\A", panes));
    EXPECT_EQ(panes.list.Items(), (Lines{"C:\\SRC\\B C", "C:\\SRC\\A"}));
}

TEST_F(CommandLineTest, UnclosedQuoteLeavesTheListEmpty)
{
    EXPECT_FALSE(ParseCommandLine("C:\\SRC\\A \"C:\\SRC\\B C", panes));
    EXPECT_EQ(panes.list.Count(), 0);
    // Both are named: the folder the emptied list had taken, and what the quote cut off.
    EXPECT_EQ(Named(panes.report), (Reasons{{"C:\\SRC\\A", PathOutcome::QuoteNotClosed},
                                            {"C:\\SRC\\B C", PathOutcome::QuoteNotClosed}}));
}

TEST_F(CommandLineTest, EveryFolderNotListedIsNamedWithItsReason)
{
    WriteFile("C:\\SRC\\FILE.TXT", "a file");
    EXPECT_TRUE(ParseCommandLine(
        "C:\\SRC\\A C:\\NOPE C:\\SRC\\FILE.TXT SRC\\D /proc/self c:\\src\\a", panes));
    EXPECT_EQ(panes.list.Items(), (Lines{"C:\\SRC\\A"}));
    EXPECT_EQ(Named(panes.report), (Reasons{{"C:\\NOPE", PathOutcome::Missing},
                                            {"C:\\SRC\\FILE.TXT", PathOutcome::NotFolder},
                                            {"SRC\\D", PathOutcome::Relative},
                                            {"/proc/self", PathOutcome::OutsideDrives}}));
    EXPECT_EQ(panes.report.FoldersLeftOut(), 4);
    const Lines lines = panes.report.HistoryLines();
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(
        Lines(lines.begin() + 6, lines.end()),
        (Lines{"[ SRC\\D ]", "　圧縮しません", "　理由：フルパスではありません", "[ /proc/self ]",
               "　圧縮しません", "　理由：どのドライブにも含まれないパスです"}));

    // The next command line starts over.
    EXPECT_TRUE(ParseCommandLine("C:\\SRC\\A", panes));
    EXPECT_TRUE(panes.report.Empty());
}

TEST_F(CommandLineTest, SwitchWithAFolderIsAnOrdinaryArgument)
{
    EXPECT_TRUE(ParseCommandLine("/u C:\\SRC\\A", panes));
    EXPECT_EQ(panes.list.Items(), (Lines{"C:\\SRC\\A"}));
}

TEST_F(CommandLineTest, JobFileInTheMiddleReplacesTheListAndEndsTheLine)
{
    WriteFile("C:\\JOB.QBJ",
              "Quillbox2 QBJ FILE\r\nINDIR=C:\\SRC\r\nOUTDIR=D:\\OUT\r\nC:\\SRC\\D\r\n");
    EXPECT_TRUE(ParseCommandLine("C:\\SRC\\A c:\\job.qbj C:\\SRC\\B", panes));
    EXPECT_EQ(panes.list.Items(), (Lines{"C:\\SRC\\D"}));
    EXPECT_EQ(qb::engine::CurrentJobFile, "C:\\JOB.QBJ");
    EXPECT_EQ(panes.inDir, "C:\\SRC");
    EXPECT_EQ(panes.outDir, "D:\\OUT");
    // The folders on either side of the job are named as not used, in command-line order around
    // what the job itself could not take.
    WriteFile("C:\\JOB.QBJ", "Quillbox2 QBJ FILE\r\nINDIR=C:\\SRC\r\nOUTDIR=D:\\OUT\r\n"
                             "C:\\SRC\\D\r\nC:\\SRC\\GONE\r\n");
    EXPECT_TRUE(ParseCommandLine("C:\\SRC\\A C:\\SRC\\D c:\\job.qbj \"C:\\SRC\\B C\" \"x", panes));
    EXPECT_EQ(panes.list.Items(), (Lines{"C:\\SRC\\D"}));
    // C:\SRC\D is on the job's list too: not left out. The broken quote after the job is not
    // read, and named as beside it.
    EXPECT_EQ(Named(panes.report), (Reasons{{"C:\\SRC\\A", PathOutcome::WithJobFile},
                                            {"C:\\SRC\\GONE", PathOutcome::Missing},
                                            {"C:\\SRC\\B C", PathOutcome::WithJobFile},
                                            {"x", PathOutcome::WithJobFile}}));
}

TEST_F(CommandLineTest, QbjThatIsNotAFileIsAFolderArgument)
{
    MakeFolder("C:\\SRC\\X.QBJ");
    EXPECT_TRUE(ParseCommandLine("C:\\SRC\\A C:\\nothing.qbj C:\\SRC\\X.QBJ C:\\SRC\\D", panes));
    EXPECT_EQ(panes.list.Items(), (Lines{"C:\\SRC\\A", "C:\\SRC\\X.QBJ", "C:\\SRC\\D"}));
    EXPECT_EQ(qb::engine::CurrentJobFile, "");
}

TEST_F(CommandLineTest, FullListEndsTheParsingAndEmptiesTheList)
{
    for (int i = 0; i < 1000; ++i)
        panes.list.Append("x");  // replaced: parsing starts with an empty list
    std::string text;
    for (int i = 0; i < 1001; ++i) {
        MakeFolder("C:\\MANY\\F" + std::to_string(i));
        text += "C:\\MANY\\F" + std::to_string(i) + " ";
    }
    EXPECT_FALSE(ParseCommandLine(text + "C:\\NOPE", panes));
    EXPECT_EQ(panes.list.Count(), 0);
    EXPECT_EQ(panes.messages, (Lines{ProgramMessage(kTextTargetListFull)}));
    // The emptied list took none of them: every folder is named, those never looked at too.
    EXPECT_EQ(panes.report.FoldersLeftOut(), 1002);
    for (const auto& e : panes.report.Entries())
        ASSERT_EQ(e.why, PathOutcome::ListFull) << e.path;
    EXPECT_EQ(panes.report.Entries().back().path, "C:\\NOPE");
}

TEST_F(CommandLineTest, ArgumentsBecomeTheCommandText)
{
    const std::string hostA = Host("C:\\SRC\\A");
    const std::string hostBC = Host("C:\\SRC\\B C");
    EXPECT_EQ(BuildCommandText({hostA, hostBC, "D:\\x"}), "C:\\SRC\\A \"C:\\SRC\\B C\" D:\\x");
    EXPECT_EQ(BuildCommandText({"/U"}), "/U");
    EXPECT_EQ(BuildCommandText({"/u"}), "/u");
    EXPECT_EQ(BuildCommandText({}), "");
    // A host path outside every drive stays as it is (and is then ignored as no folder).
    EXPECT_EQ(BuildCommandText({"/proc/self"}), "/proc/self");
    EXPECT_TRUE(ParseCommandLine(BuildCommandText({hostBC, hostA}), panes));
    EXPECT_EQ(panes.list.Items(), (Lines{"C:\\SRC\\B C", "C:\\SRC\\A"}));
}

TEST_F(CommandLineTest, RelativeJobFileIsFoundButCannotBeOpened)
{
    // Readable from the working folder (C:\), but without a drive there is no on-disk form.
    WriteFile("C:\\REL.QBJ",
              "Quillbox2 QBJ FILE\r\nINDIR=C:\\SRC\r\nOUTDIR=D:\\OUT\r\nC:\\SRC\\D\r\n");
    EXPECT_TRUE(ParseCommandLine("C:\\SRC\\A REL.QBJ C:\\SRC\\D", panes));
    EXPECT_EQ(panes.messages, (Lines{ProgramMessage(kTextJobNotRead)}));
    EXPECT_EQ(panes.list.Items(), (Lines{"C:\\SRC\\A"}));
    EXPECT_EQ(qb::engine::CurrentJobFile, "");
    // The job replaced nothing, so the folder before it stays; the one after it is ignored.
    EXPECT_EQ(Named(panes.report), (Reasons{{"C:\\SRC\\D", PathOutcome::WithJobFile}}));
}
