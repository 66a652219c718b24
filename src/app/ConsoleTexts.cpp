#include "ConsoleTexts.h"

#include "RunOptions.h"
#include "common/MessageFormat.h"

#include <cstring>

namespace qb::app {
namespace {

struct Texts {
    const char* en;
    const char* ja;
};

Texts Row(ConsoleText text)
{
    switch (text) {
    case ConsoleText::LeftOut:
        return {"Quillbox2: left out: %1 (%2)", "Quillbox2: 圧縮しません: %1（%2）"};
    case ConsoleText::OutputFolderMissing:
        return {"Quillbox2: the job file's output folder %1 does not exist; the archives go to %2",
                "Quillbox2: ジョブファイルの圧縮ファイル格納フォルダ %1 は存在しません。%2 "
                "に作成します"};
    case ConsoleText::NothingToPack:
        return {"Quillbox2: no folder to pack", "Quillbox2: 圧縮するフォルダがありません"};
    case ConsoleText::NoDisplay:
        return {"Quillbox2: no display (DISPLAY or WAYLAND_DISPLAY) to show the window on",
                "Quillbox2: ウィンドウを表示するディスプレイ（DISPLAY または WAYLAND_DISPLAY）"
                "がありません"};
    case ConsoleText::SettingsNotSaved:
        return {"Quillbox2: the settings could not be saved to %1: %2",
                "Quillbox2: 設定を %1 に保存できませんでした: %2"};
    case ConsoleText::SettingsNotDeleted:
        return {"Quillbox2: the settings in %1 could not be deleted: %2",
                "Quillbox2: %1 の設定を削除できませんでした: %2"};
    case ConsoleText::SettingsNotUsed:
        return {"Quillbox2: the settings file %1 was not used: it %2; the defaults apply",
                "Quillbox2: 設定ファイル %1 は使われませんでした（%2）。初期値を使います"};
    case ConsoleText::OutFolderMissing:
        return {"quillbox2: --out names no folder: %1",
                "quillbox2: --out のフォルダがありません: %1"};
    }
    return {"", ""};
}

Texts ReasonRow(qb::engine::PathOutcome why)
{
    using qb::engine::PathOutcome;
    switch (why) {
    case PathOutcome::Listed:
    case PathOutcome::Empty:
        return {"", ""};
    case PathOutcome::Relative:
        return {"not a full path", "フルパスではありません"};
    case PathOutcome::OutsideDrives:
        return {"under no drive", "どのドライブにも含まれないパスです"};
    case PathOutcome::Missing:
        return {"no such folder", "このフォルダは存在しません"};
    case PathOutcome::NotFolder:
        return {"not a folder", "フォルダではありません"};
    case PathOutcome::ListFull:
        return {"beyond the 1000 folders of one run",
                "一度に圧縮できるのは１０００フォルダまでです"};
    case PathOutcome::Failed:
        return {"an unexpected error", "予期しないエラーが発生しました"};
    case PathOutcome::WithJobFile:
        return {"named beside a job file",
                "ジョブファイルと一緒に指定されたフォルダは使われません"};
    case PathOutcome::QuoteNotClosed:
        return {"a double quote that is never closed", "二重引用符が閉じられていません"};
    }
    return {"", ""};
}

const char* Pick(const Texts& texts)
{
    return JapaneseLocale() ? texts.ja : texts.en;
}

}  // namespace

std::string ConsoleMessage(ConsoleText text, std::initializer_list<std::string> args)
{
    return FormatText(Pick(Row(text)), args);
}

std::string ConsoleReason(qb::engine::PathOutcome why)
{
    return Pick(ReasonRow(why));
}

std::string SettingsProblemText(qb::platform::SettingsProblem problem, int error,
                                std::string_view section)
{
    using qb::platform::SettingsProblem;
    const std::string reason = error != 0 ? SystemReason(error) : std::string();
    const std::string name = "[" + std::string(section) + "]";
    const bool ja = JapaneseLocale();
    switch (problem) {
    case SettingsProblem::None:
        return {};
    case SettingsProblem::CannotBeExamined:
        return (ja ? "調べられません: " : "cannot be examined: ") + reason;
    case SettingsProblem::NotRegularFile:
        return ja ? "通常のファイルではありません" : "is not a regular file";
    case SettingsProblem::TooLarge:
        return ja ? "16 MiB を超えています" : "is larger than 16 MiB";
    case SettingsProblem::CannotBeRead:
        if (reason.empty())
            return ja ? "読み込めません" : "cannot be read";
        return (ja ? "読み込めません: " : "cannot be read: ") + reason;
    case SettingsProblem::NulBytesAndNoSection:
        return ja ? "NUL バイトを含み、" + name + " セクションがありません"
                  : "holds NUL bytes and no " + name + " section";
    case SettingsProblem::NoSection:
        return ja ? name + " セクションがありません" : "has no " + name + " section";
    }
    return {};
}

std::string SystemReason(int error)
{
    return std::strerror(error);
}

}  // namespace qb::app
