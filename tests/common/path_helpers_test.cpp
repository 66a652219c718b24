// The text-only path helpers: shortened display form, parent folder, archive-name upper case.
#include "common/PathHelpers.h"

#include <gtest/gtest.h>

#include <string>

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
