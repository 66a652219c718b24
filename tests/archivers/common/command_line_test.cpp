// Splitting and sorting of command lines, and DOS wildcard matching, on the texts the program
// really sends and on the awkward corners around them.
#include "CommandLine.h"
#include "Wildcard.h"

#include <gtest/gtest.h>

using namespace qb::arc;
using Args = std::vector<std::string>;

TEST(Tokenizer, SplitsTheProgramsCommandLines)
{
    struct Case {
        const char* text;
        Args args;
    } cases[] = {
        {R"(u -+ -xr  "-wC:\TEMP\"  -jx386SPART.PAR -jxWIN386.SWP -jxPAGEFILE.SYS "D:\OUT\NAME.LZH" "*.*")",
         {"u", "-+", "-xr", R"(-wC:\TEMP\)", "-jx386SPART.PAR", "-jxWIN386.SWP", "-jxPAGEFILE.SYS",
          R"(D:\OUT\NAME.LZH)", "*.*"}},
        {R"( -r  -9 "D:\OUT\NAME.ZIP" "*.*")", {"-r", "-9", R"(D:\OUT\NAME.ZIP)", "*.*"}},
        {R"(-x "D:\OUT\NAME.LZH.ZIP" "C:\TEMP\" "NAME.LZH")",
         {"-x", R"(D:\OUT\NAME.LZH.ZIP)", R"(C:\TEMP\)", "NAME.LZH"}},
        // A backslash before a quote escapes nothing: the quote still closes the piece.
        {R"("C:\TEMP\" "NAME.LZH")", {R"(C:\TEMP\)", "NAME.LZH"}},
        {R"("C:\My Files\a b.txt")", {R"(C:\My Files\a b.txt)"}},
        // Quotes may sit inside an argument and join pieces.
        {R"(-w"C:\A B\"x)", {R"(-wC:\A B\x)"}},
        {R"("" x)", {"", "x"}},
        {"", {}},
        {"   \t ", {}},
        {"a\tb", {"a", "b"}},
        {R"("unclosed piece)", {"unclosed piece"}},
        {"日本語\\ファイル.txt", {"日本語\\ファイル.txt"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TokenizeCommandLine(c.text), c.args) << c.text;
}

TEST(Parser, SortsLzhStyleCommandLines)
{
    ParsedCommand p = ParseCommandLine(
        R"(u -+ -xr  "-wC:\TEMP\"  -jx386SPART.PAR "D:\OUT\NAME.LZH" "*.*" "b.txt")", true);
    EXPECT_EQ(p.command, 'u');
    EXPECT_EQ(p.switches, (Args{"+", "xr", R"(wC:\TEMP\)", "jx386SPART.PAR"}));
    EXPECT_EQ(p.archive, R"(D:\OUT\NAME.LZH)");
    EXPECT_EQ(p.files, (Args{"*.*", "b.txt"}));

    // An empty command prefix leaves no command letter; the switches still count.
    p = ParseCommandLine(R"( -xr  "-wC:\TEMP\" "D:\OUT\N.LZH" "*.*")", true);
    EXPECT_EQ(p.command, 0);
    EXPECT_EQ(p.archive, R"(D:\OUT\N.LZH)");

    // Upper-case command letters are taken too.
    EXPECT_EQ(ParseCommandLine("X a.lzh", true).command, 'x');
}

TEST(Parser, SortsZipAndUnzipCommandLines)
{
    ParsedCommand p = ParseCommandLine(R"( -D -S  -9 "D:\OUT\NAME.ZIP" "*.*")", false);
    EXPECT_EQ(p.command, 0);
    EXPECT_EQ(p.switches, (Args{"D", "S", "9"}));
    EXPECT_EQ(p.archive, R"(D:\OUT\NAME.ZIP)");
    EXPECT_EQ(p.files, Args{"*.*"});

    // Without command letters, a one-letter first argument is the archive.
    p = ParseCommandLine("a b", false);
    EXPECT_EQ(p.archive, "a");
    EXPECT_EQ(p.files, Args{"b"});

    p = ParseCommandLine(R"(-x "D:\OUT\NAME.LZH.ZIP" "C:\TEMP\" "NAME.LZH")", false);
    EXPECT_EQ(p.switches, Args{"x"});
    EXPECT_EQ(p.archive, R"(D:\OUT\NAME.LZH.ZIP)");
    EXPECT_EQ(p.files, (Args{R"(C:\TEMP\)", "NAME.LZH"}));

    // "--" lets a file name begin with '-'; a lone "-" is a name anyway.
    p = ParseCommandLine("-r -- -odd.zip -x -", false);
    EXPECT_EQ(p.switches, Args{"r"});
    EXPECT_EQ(p.archive, "-odd.zip");
    EXPECT_EQ(p.files, (Args{"-x", "-"}));
}

TEST(Wildcard, MatchesLikeWindows)
{
    struct Case {
        const char* pattern;
        const char* name;
        bool match;
    } cases[] = {
        {"*.*", "README", true},  // every name, also without a dot
        {"*.*", "a.b.c", true},
        {"*.*", ".hidden", true},
        {"*", "", true},
        {"*.TXT", "notes.txt", true},  // letters without regard to case
        {"*.txt", "NOTES.TXT", true},
        {"*.txt", "notes.txt.bak", false},
        {"README.*", "README", true},
        {"README.*", "readme.md", true},
        {"README.*", "READMEX", false},
        {"?.c", "a.c", true},
        {"?.c", "ab.c", false},
        {"?.c", ".c", false},
        {"?.txt", "日.txt", true},  // '?' is one character, not one byte
        {"??.txt", "日.txt", false},
        {"日本*", "日本語.txt", true},
        {"a*b*c", "axxbyyc", true},
        {"a*b*c", "axxbyy", false},
        {"PAGEFILE.SYS", "pagefile.sys", true},
        {"386SPART.PAR", "386SPART.PAR.bak", false},
        {"*a", "aaaa", true},
        {"", "", true},
        {"", "x", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.match) << c.pattern << " vs " << c.name;
}

TEST(Wildcard, ManyStarsStayFast)
{
    // A pattern of many stars against a long name that does not match must not backtrack
    // exponentially (nor recurse); this finishes at once when the matcher is linear.
    std::string pattern(200, '*');
    pattern += "b";
    std::string name(20000, 'a');
    EXPECT_FALSE(WildcardMatch(pattern, name));
    EXPECT_TRUE(HasWildcards("a?"));
    EXPECT_FALSE(HasWildcards(R"(C:\DATA\x.txt)"));
}
