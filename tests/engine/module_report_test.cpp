// The module's output turned into history lines, and the reasons of failed calls: byte for byte.
#include "archivers/include/archiver_results.h"
#include "engine/ModuleReport.h"

#include <gtest/gtest.h>

using qb::engine::FailureReason;
using qb::engine::ReadModuleOutput;

TEST(ModuleReport, FileLinesInOrderAndFreeTextPassedOver)
{
    const auto r =
        ReadModuleOutput("adding a.txt\n"
                         "skipped link-outside etc link\n"
                         "raw-name caf\\xE9.txt\r\n"
                         "skipped backslash-in-name a\\x5Cb.txt\n"
                         "large-member big/disk image.img\n"
                         "skipped something-new x\n"
                         "output-cut 12\n"
                         "skipped");  // cut off mid-line: not a skipped line with a reason
    ASSERT_EQ(r.fileLines.size(), 6u);
    EXPECT_EQ(r.fileLines[0],
              "　圧縮されなかったファイル：etc link（フォルダの外を指すシンボリックリンクです）");
    EXPECT_EQ(r.fileLines[1], "　UTF-8 でない名前をそのまま格納しました：caf\\xE9.txt");
    EXPECT_EQ(r.fileLines[2],
              "　圧縮されなかったファイル：a\\x5Cb.txt（名前に \\ が含まれています）");
    EXPECT_EQ(r.fileLines[3],
              "　4GiB を超えるファイル big/disk image.img があります。多くの LZH 解凍ソフト"
              "（lhasa、7-Zip など）はこの圧縮ファイルを読めません（ZIP なら読めます）");
    EXPECT_EQ(r.fileLines[4], "　圧縮されなかったファイル：x（something-new）");
    EXPECT_EQ(r.fileLines[5], "　ほかに 12 行の報告は省略されました");
    EXPECT_EQ(r.skipped, 3);
    EXPECT_TRUE(r.failedWord.empty());
}

TEST(ModuleReport, ReasonsFromTheFailedLineThenFromTheCode)
{
    const std::string archive = "D:\\OUT\\ABC.LZH";
    auto reason = [&](int code, const char* output) {
        return FailureReason(code, ReadModuleOutput(output), "UNLHA32.DLL", archive);
    };
    EXPECT_EQ(reason(ARC_ERROR_READ_SOURCE, "failed unreadable docs/secret.txt\n"),
              "ファイル docs/secret.txt を読み込めませんでした");
    EXPECT_EQ(reason(ARC_ERROR_SOURCE_CHANGED, "failed changed log.txt\n"),
              "ファイル log.txt が圧縮中に変更されました");
    EXPECT_EQ(reason(ARC_ERROR_BAD_ARCHIVE, "failed damaged-archive D:\\OUT\\ABC.LZH\n"),
              "既存の圧縮ファイル D:\\OUT\\ABC.LZH が壊れています（元のまま残しました）");
    EXPECT_EQ(reason(ARC_ERROR_TEST_FAILED, ""),
              "作成した圧縮ファイルのテストで異常が見つかりました（D:\\OUT\\ABC."
              "LZH）。元の圧縮ファイルはそのままです");
    EXPECT_EQ(reason(ARC_ERROR_DISK_FULL, ""), "ディスクの空きが足りません");
    EXPECT_EQ(reason(ARC_ERROR_READ_ONLY, ""),
              "書き込み先が読み取り専用か、書き込みが許可されていません");
    EXPECT_EQ(reason(ARC_ERROR_BUSY, ""), "UNLHA32.DLL は使用中です");
    EXPECT_EQ(reason(-1, ""), "UNLHA32.DLL が見つかりません");
    EXPECT_EQ(reason(ARC_ERROR_INCOMPLETE, "skipped unreadable a\nskipped vanished b\n"),
              "圧縮されなかったファイルが 2 個あります（圧縮ファイルは作成済みです）");
    // -sync kept the old copies of files it could not read: not updated, and said so apart.
    const auto kept = ReadModuleOutput("not-updated unreadable docs/secret.txt\n");
    ASSERT_EQ(kept.fileLines.size(), 1u);
    EXPECT_EQ(kept.fileLines[0], "　更新されなかったファイル：docs/secret.txt"
                                 "（読み込みが許可されていません。前の内容のまま残しました）");
    EXPECT_EQ(reason(ARC_ERROR_INCOMPLETE, "not-updated unreadable a\n"),
              "更新されなかったファイルが 1 個あります（前の内容のまま圧縮ファイルに残しました）");
    EXPECT_EQ(reason(ARC_ERROR_INCOMPLETE, "not-updated unreadable a\nskipped link-outside b\n"
                                           "not-updated unreadable c\n"),
              "圧縮されなかったファイルが 1 個、更新されなかったファイルが 2 個あります"
              "（圧縮ファイルは作成済みです）");
    // Without a name the code alone speaks.
    EXPECT_EQ(reason(ARC_ERROR_READ_SOURCE, ""), "圧縮ソフトがエラー 32775 で終了しました");
    EXPECT_EQ(reason(ARC_ERROR_NOTHING_TO_DO, ""), "圧縮するファイルがありません");
    EXPECT_EQ(qb::engine::ReasonLine("x"), "　理由：x");
}
