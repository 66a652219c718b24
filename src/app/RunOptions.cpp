#include "RunOptions.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace qb::app {
namespace {

struct Choice {
    const char* word;
    int value;
};

bool Pick(const std::string& value, std::initializer_list<Choice> choices,
          std::optional<int>& target)
{
    for (const Choice& c : choices)
        if (value == c.word) {
            target = c.value;
            return true;
        }
    return false;
}

// One row per option: its name, the name of its value (nullptr for a switch), what it does
// (false when the value is not one it takes), and its help lines in English and Japanese.
struct OptionRow {
    const char* name;
    const char* valueName;
    bool (*apply)(RunOptions&, const std::string& value);
    const char* helpEn;
    const char* helpJa;
};

const OptionRow kOptions[] = {
    {"--help", nullptr, [](RunOptions& o, const std::string&) { return o.help = true; },
     "print this help and exit", "このヘルプを表示して終了"},
    {"--version", nullptr, [](RunOptions& o, const std::string&) { return o.version = true; },
     "print the version and exit", "バージョンを表示して終了"},
    {"--format", "lzh|zip",
     [](RunOptions& o, const std::string& v) {
         return Pick(v, {{"lzh", 0}, {"zip", 1}}, o.format);
     },
     "format of normal and stored runs", "通常圧縮と非圧縮圧縮の形式"},
    {"--mode", "normal|stored|double",
     [](RunOptions& o, const std::string& v) {
         return Pick(v, {{"normal", 0}, {"stored", 1}, {"double", 2}}, o.mode);
     },
     "normal compression, stored packing or double compression", "通常圧縮、非圧縮圧縮、２重圧縮"},
    {"--pattern", "0-3",
     [](RunOptions& o, const std::string& v) {
         return Pick(v, {{"0", 0}, {"1", 1}, {"2", 2}, {"3", 3}}, o.pattern);
     },
     "double compression: 0 .LZH.LZH, 1 .LZH.ZIP, 2 .ZIP.LZH, 3 .ZIP.ZIP",
     "２重圧縮：0 .LZH.LZH、1 .LZH.ZIP、2 .ZIP.LZH、3 .ZIP.ZIP"},
    {"--out", "FOLDER",
     [](RunOptions& o, const std::string& v) {
         o.out = v;
         return !v.empty();
     },
     "output folder (host path or drive path)", "出力フォルダ（ホストのパスかドライブ形式のパス）"},
    {"--beside", nullptr,
     [](RunOptions& o, const std::string&) { return o.beside = true; },
     "put each archive beside its folder, in the folder's parent",
     "圧縮ファイルを各フォルダと同じ場所（親フォルダ）に作成"},
    {"--test", nullptr,
     [](RunOptions& o, const std::string&) {
         o.testArchive = true;
         return true;
     },
     "test each new archive (both stages) before it replaces the old one",
     "作成した圧縮ファイルをテストしてから置き換える（２重圧縮では両方）"},
    {"--no-test", nullptr,
     [](RunOptions& o, const std::string&) {
         o.testArchive = false;
         return true;
     },
     "do not test the new archives", "作成した圧縮ファイルをテストしない"},
    {"--sync", nullptr,
     [](RunOptions& o, const std::string&) {
         o.syncArchive = true;
         return true;
     },
     "rebuild each archive from its folder: deleted files leave it too",
     "圧縮ファイルをフォルダから作り直す（削除したファイルは消える）"},
    {"--no-sync", nullptr,
     [](RunOptions& o, const std::string&) {
         o.syncArchive = false;
         return true;
     },
     "update the archives (deleted files stay in them)",
     "圧縮ファイルを更新する（削除したファイルは残る）"},
    {"--lzh-names", "auto|utf8",
     [](RunOptions& o, const std::string& v) {
         return Pick(v, {{"auto", 0}, {"utf8", 1}}, o.lzhNameCode);
     },
     "LZH names: auto CP932 when all fit, else UTF-8; utf8 always UTF-8",
     "ＬＺＨのファイル名：auto 全て書ければ CP932、でなければ UTF-8、utf8 常に UTF-8"},
    {"--zip-names", "utf8|cp932",
     [](RunOptions& o, const std::string& v) {
         return Pick(v, {{"utf8", 0}, {"cp932", 1}}, o.zipNameCode);
     },
     "ZIP names: utf8 UTF-8 with its flag; cp932 CP932 when all fit (old tools)",
     "ＺＩＰのファイル名：utf8 UTF-8（印付き）、cp932 全て書ければ CP932（古い Windows 向け）"},
    {"--silent", nullptr, [](RunOptions& o, const std::string&) { return o.silent = true; },
     "pack and exit without a window, even when Auto is off",
     "Auto がオフでも、ウィンドウを出さずに圧縮して終了"},
    {"--notify", nullptr, [](RunOptions& o, const std::string&) { return o.notify = true; },
     "as run from a file manager: silent, archives beside their folders (unless --out),\n"
     "      progress in a window, the outcome on the desktop (a notification, or the history\n"
     "      in a window); the clipboard is left alone",
     "ファイルマネージャからの実行：ウィンドウなしで、各フォルダと同じ場所に圧縮し（--out が\n"
     "      なければ）、経過をウィンドウに、結果をデスクトップに知らせる（通知、または実行履歴の\n"
     "      ウィンドウ）。クリップボードには触れない"},
    {"--install-file-manager-actions", nullptr,
     [](RunOptions& o, const std::string&) { return o.installActions = true; },
     "set up \"pack each folder\" in the file managers for this user, and exit",
     "ファイルマネージャに「フォルダごとに圧縮」を設定して終了"},
    {"--remove-file-manager-actions", nullptr,
     [](RunOptions& o, const std::string&) { return o.removeActions = true; },
     "remove those actions again, and exit", "そのアクションを削除して終了"},
};

// The one-letter forms people expect of every command; each stands for a switch of the table.
struct ShortName {
    const char* shortName;
    const char* longName;
};
const ShortName kShortNames[] = {{"-h", "--help"}, {"-V", "--version"}};

const char* LongNameOf(const std::string& shortName)
{
    for (const ShortName& s : kShortNames)
        if (shortName == s.shortName)
            return s.longName;
    return nullptr;
}

const char* ShortNameOf(const char* longName)
{
    for (const ShortName& s : kShortNames)
        if (std::strcmp(longName, s.longName) == 0)
            return s.shortName;
    return nullptr;
}

const OptionRow* Find(const std::string& name)
{
    for (const OptionRow& row : kOptions)
        if (name == row.name)
            return &row;
    return nullptr;
}

}  // namespace

bool JapaneseLocale()
{
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value)
            return std::strncmp(value, "ja", 2) == 0;
    }
    return false;
}

ParsedOptions ParseRunOptions(const std::vector<std::string>& args, bool japanese)
{
    ParsedOptions parsed;
    RunOptions& o = parsed.options;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // Folders and job files are absolute host paths (/...) or drive paths (C:\...), and /U
        // is the Windows-style switch: none begins with "-", so every such word is an option.
        if (optionsEnded || arg.empty() || arg[0] != '-') {
            o.arguments.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg.compare(0, 2, "--") != 0) {
            const char* longName = LongNameOf(arg);
            if (!longName) {
                parsed.error = japanese ? "quillbox2: 不明なオプションです: " + arg
                                        : "quillbox2: unknown option " + arg;
                return parsed;
            }
            Find(longName)->apply(o, {});
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const OptionRow* row = Find(name);
        if (!row) {
            parsed.error = japanese ? "quillbox2: 不明なオプションです: " + name
                                    : "quillbox2: unknown option " + name;
            return parsed;
        }
        std::string value;
        if (row->valueName) {
            if (equals != std::string::npos) {
                value = arg.substr(equals + 1);
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                parsed.error =
                    japanese ? "quillbox2: " + name + " には値 " + row->valueName + " が必要です"
                             : "quillbox2: " + name + " needs a value: " + row->valueName;
                return parsed;
            }
        } else if (equals != std::string::npos) {
            parsed.error = japanese ? "quillbox2: " + name + " は値をとりません"
                                    : "quillbox2: " + name + " takes no value";
            return parsed;
        }
        if (!row->apply(o, value)) {
            parsed.error = japanese ? "quillbox2: " + name + " の値 '" + value +
                                          "' は使えません（" + row->valueName + "）"
                                    : "quillbox2: " + name + " cannot be '" + value + "' (" +
                                          row->valueName + ")";
            return parsed;
        }
    }
    if (o.beside && o.out)
        parsed.error = japanese ? "quillbox2: --beside と --out は同時に使えません"
                                : "quillbox2: --beside and --out cannot be used together";
    return parsed;
}

std::string UsageText(bool japanese)
{
    return japanese ? "使い方: quillbox2 [オプション]... [--] [フォルダ... | ジョブファイル.QBJ]\n"
                      "詳しくは 'quillbox2 --help' を参照してください。\n"
                    : "usage: quillbox2 [OPTION]... [--] [FOLDER... | JOBFILE.QBJ]\n"
                      "Try 'quillbox2 --help' for more.\n";
}

std::string HelpText(bool japanese)
{
    std::string text =
        japanese ? "使い方: quillbox2 [オプション]... [--] [フォルダ... | ジョブファイル.QBJ]\n"
                   "       quillbox2 /U\n"
                   "フォルダをそれぞれ１つの LZH または ZIP 圧縮ファイルにします。\n"
                   "オプションがなく Auto がオフのときはウィンドウを開きます。\n"
                   "実行のオプションはその１回だけ設定に優先し、保存されません。\n\n"
                 : "usage: quillbox2 [OPTION]... [--] [FOLDER... | JOBFILE.QBJ]\n"
                   "       quillbox2 /U\n"
                   "Packs each folder into one LZH or ZIP archive. Without options, and with\n"
                   "Auto off, the window opens. The run options override the stored settings\n"
                   "for this run only and are never saved.\n\n";
    for (const OptionRow& row : kOptions) {
        const char* shortName = ShortNameOf(row.name);
        std::string left = std::string("  ") + (shortName ? std::string(shortName) + ", " : "") +
                           row.name + (row.valueName ? std::string(" ") + row.valueName : "");
        text += left + "\n      " + (japanese ? row.helpJa : row.helpEn) + "\n";
    }
    text += japanese
                ? "  --\n      オプションの終わり（以降は全てフォルダかジョブファイル）\n"
                  "  /U\n      単独で：確認の後、設定を全て削除\n\n"
                  "終了ステータス: 0 全て圧縮、1 圧縮できなかったフォルダあり、2 中断、\n"
                  "3 起動できない、64 誤ったオプション。詳しくは man quillbox2。\n"
                : "  --\n      end of the options (all that follows is a folder or job file)\n"
                  "  /U\n      alone: ask, then delete every setting\n\n"
                  "Exit status: 0 all packed, 1 some not packed, 2 aborted, 3 could not start,\n"
                  "64 bad option. See man quillbox2.\n";
    return text;
}

std::string VersionText(bool japanese)
{
    return std::string("Quillbox2 ") + QB_VERSION + "\n" +
           (japanese ? "複数のフォルダをそれぞれ１つの圧縮ファイルにします。\n"
                     : "Packs many folders, each into one LZH or ZIP archive.\n");
}

}  // namespace qb::app
