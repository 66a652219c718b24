// The text-only path helpers: shortened display form, parent folder, archive-name upper case.
#include "common/PathHelpers.h"

#include "platform/Utf8.h"

#include <gtest/gtest.h>

#include <locale.h>
#include <string>
#include <wctype.h>

using namespace PathHelpers;

TEST(ShortDisplayPath, ShortensFromFiveComponentsOn)
{
    EXPECT_EQ(ShortDisplayPath("C:\\A\\B\\C"), "C:\\A\\B\\C");  // four
    EXPECT_EQ(ShortDisplayPath("C:\\A\\B\\C\\D"), "C:\\A\\...\\C\\D");  // five
    EXPECT_EQ(ShortDisplayPath("C:\\A\\B\\C\\"), "C:\\A\\...\\C\\");  // empty fifth
    EXPECT_EQ(ShortDisplayPath("C:\\Work\\Projects\\Old\\abc"), "C:\\Work\\...\\Old\\abc");
    EXPECT_EQ(ShortDisplayPath("C:\\1\\2\\3\\4\\5\\6\\7"), "C:\\1\\...\\6\\7");
    EXPECT_EQ(ShortDisplayPath("C:\\日本\\語の\\フォルダ\\名前"), "C:\\日本\\...\\フォルダ\\名前");
    EXPECT_EQ(ShortDisplayPath("C:\\"), "C:\\");
    EXPECT_EQ(ShortDisplayPath("abc"), "abc");
    EXPECT_EQ(ShortDisplayPath(""), "");
}

TEST(ShortDisplayPath, AtMost256Components)
{
    std::string path = "C:";
    for (int i = 0; i < 255; ++i)
        path += "\\x";  // 256 components
    EXPECT_EQ(ShortDisplayPath(path), "C:\\x\\...\\x\\x");
    EXPECT_EQ(ShortDisplayPath(path + "\\y"), "");
}

TEST(ParentFolder, KeepsTheRootBackslash)
{
    EXPECT_EQ(ParentFolder("C:"), "");
    EXPECT_EQ(ParentFolder("C:\\"), "C:\\");
    EXPECT_EQ(ParentFolder("C:\\ABC"), "C:\\");
    EXPECT_EQ(ParentFolder("C:\\ABC\\DEF"), "C:\\ABC");
    EXPECT_EQ(ParentFolder("C:\\ABC\\DEF\\"), "C:\\ABC\\DEF");
    EXPECT_EQ(ParentFolder("C:\\日本\\語"), "C:\\日本");
    EXPECT_EQ(ParentFolder("abc"), "");
    EXPECT_EQ(ParentFolder("\\abc"), "");
    EXPECT_EQ(ParentFolder("あ:\\x"), "あ:\\");  // two characters, counted as characters
}

TEST(UpperCaseName, SmallLettersOfThreeScriptsKeepTheirForm)
{
    EXPECT_EQ(UpperCaseName("abcａｂｃ"), "ABCａｂｃ");
    EXPECT_EQ(UpperCaseName("αβ"), "αβ");
    EXPECT_EQ(UpperCaseName("абв"), "абв");
    EXPECT_EQ(UpperCaseName("ａｚαωая"), "ａｚαωая");  // bounds included
    EXPECT_EQ(UpperCaseName("ς"), "ς");  // final sigma lies inside α to ω
    EXPECT_EQ(UpperCaseName("ϊά"), "ΪΆ");  // just outside it
    EXPECT_EQ(UpperCaseName("ѐё"), "ЀЁ");  // just outside а to я
    EXPECT_EQ(UpperCaseName("résumé_2.lzh"), "RÉSUMÉ_2.LZH");
    EXPECT_EQ(UpperCaseName("ÿžł"), "ŸŽŁ");
    EXPECT_EQ(UpperCaseName("日本語ABC"), "日本語ABC");
    EXPECT_EQ(UpperCaseName("bad\xff"
                            "x"),
              "BAD\xff"
              "X");  // a stray byte passes through
    EXPECT_EQ(UpperCaseName(""), "");
}

TEST(UpperCaseName, LettersTheOldTableGotWrongOrLeftAlone)
{
    EXPECT_EQ(UpperCaseName("ı"), "I");  // dotless i: not the dotted capital
    EXPECT_EQ(UpperCaseName("i"), "I");  // whatever the user's locale says
    EXPECT_EQ(UpperCaseName("ạ"), "Ạ");
    EXPECT_EQ(UpperCaseName("ǆǅ"), "ǄǄ");  // small and title case go to the capital
    EXPECT_EQ(UpperCaseName("ſ"), "S");
    EXPECT_EQ(UpperCaseName("աբգ"), "ԱԲԳ");  // Armenian
    EXPECT_EQ(UpperCaseName("ⴀ"), "Ⴀ");  // Georgian
    EXPECT_EQ(UpperCaseName("𐐨"), "𐐀");  // beyond the first 65,536
    EXPECT_EQ(UpperCaseName("ß"), "ß");  // its capital is two letters: the simple mapping keeps it
    EXPECT_EQ(UpperCaseName("ŉ"), "ŉ");
}

// Every character against the C library's own Unicode table: an independent source of the same
// simple mapping. The full-width Latin, Greek and Cyrillic small letters keep their form.
TEST(UpperCaseName, EveryCasedLetterFollowsTheSimpleMapping)
{
    locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    if (!unicode)
        GTEST_SKIP() << "no C.UTF-8 locale to compare with";
    auto keeps = [](char32_t c) {
        return (c >= U'ａ' && c <= U'ｚ') || (c >= U'α' && c <= U'ω') || (c >= U'а' && c <= U'я');
    };
    int changed = 0, wrong = 0;
    for (char32_t c = 1; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        const char32_t upper = static_cast<char32_t>(towupper_l(static_cast<wint_t>(c), unicode));
        std::string in, expected;
        qb::platform::AppendUtf8(in, c);
        qb::platform::AppendUtf8(expected, keeps(c) ? c : upper);
        if (upper != c && !keeps(c))
            ++changed;
        if (UpperCaseName(in) != expected && ++wrong <= 10)
            ADD_FAILURE() << "U+" << std::hex << static_cast<unsigned>(c);
    }
    freelocale(unicode);
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(changed, 1300);  // the table really was there
}
