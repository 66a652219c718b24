#include "FileManagerActions.h"

#include "platform/InstallLayout.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>

#include <cctype>
#include <map>
#include <tuple>

namespace qb::app {
namespace {

const char* const kMarker = "quillbox2-";
// What a new uca.xml holds when the system has none to start from.
const char* const kEmptyThunarActions =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n</actions>\n";

struct NautilusScript {
    const char* format;  // lzh, zip
    const char* name;  // the menu text (the file name)
};
// Both languages are removed, whichever the locale was at installation.
const NautilusScript kNautilusEnglish[] = {{"lzh", "Quillbox2 - pack each folder as LZH"},
                                           {"zip", "Quillbox2 - pack each folder as ZIP"}};
const NautilusScript kNautilusJapanese[] = {{"lzh", "Quillbox2 - フォルダごとに LZH 圧縮"},
                                            {"zip", "Quillbox2 - フォルダごとに ZIP 圧縮"}};

std::string Template(const char* name)
{
    QFile file(QStringLiteral(":/quillbox2/filemanager/") + QString::fromUtf8(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().toStdString();
}

// An XDG base folder: the variable when it holds an absolute path, else the default under HOME.
QString BaseFolder(const char* variable, const char* underHome)
{
    const QString env = qEnvironmentVariable(variable);
    return env.startsWith(QLatin1Char('/')) ? env : QDir::homePath() + QString::fromUtf8(underHome);
}

QString DataHome()
{
    return BaseFolder("XDG_DATA_HOME", "/.local/share");
}

QString ConfigHome()
{
    return BaseFolder("XDG_CONFIG_HOME", "/.config");
}

QString StateHome()
{
    return BaseFolder("XDG_STATE_HOME", "/.local/state");
}

// The uca.xml Thunar reads when the user has none: the first in XDG_CONFIG_DIRS. "" when none.
QString SystemThunarActions()
{
    QString dirs = qEnvironmentVariable("XDG_CONFIG_DIRS");
    if (dirs.isEmpty())
        dirs = QStringLiteral("/etc/xdg");
    for (const QString& dir : dirs.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        const QFileInfo file(dir + QStringLiteral("/Thunar/uca.xml"));
        if (dir.startsWith(QLatin1Char('/')) && file.isFile() && file.isReadable())
            return file.filePath();
    }
    return {};
}

// Whether the desktop reads the share folder installed with the program (so its Dolphin and
// Nemo files are found without a per-user copy).
bool InstalledShareIsSeen()
{
    const std::string data = qb::platform::DataFolderHost();  // <prefix>/share/quillbox2
    if (data.empty())
        return false;
    const QString share =
        QFileInfo(QString::fromStdString(data) + QStringLiteral("/..")).canonicalFilePath();
    QString dirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dirs.isEmpty())
        dirs = QStringLiteral("/usr/local/share:/usr/share");
    for (const QString& dir : dirs.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (QFileInfo(dir).canonicalFilePath() == share)
            return true;
    return false;
}

std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

std::string XmlEscaped(const std::string& text)
{
    return Replace(Replace(Replace(text, "&", "&amp;"), "<", "&lt;"), ">", "&gt;");
}

QByteArray Hash(const std::string& text)
{
    return QCryptographicHash::hash(QByteArray::fromStdString(text), QCryptographicHash::Sha256)
        .toHex();
}

// What was set up, kept between the install and the remove. One line each:
//   file <sha256 of what was written> <path>
//   thunar-base <sha256 of the text a uca.xml made here started from> <path>
//   folder - <path>          (made here, in the order made)
struct Ledger {
    std::map<QString, QByteArray> files;
    std::map<QString, QByteArray> thunarBases;
    QStringList folders;
    QByteArray loaded;  // the file's text as read, to write it only when something changed

    static QString Path()
    {
        return StateHome() + QStringLiteral("/quillbox2/file-manager-actions");
    }

    void Load()
    {
        QFile file(Path());
        if (!file.open(QIODevice::ReadOnly))
            return;
        loaded = file.readAll();
        for (const QByteArray& line : loaded.split('\n')) {
            const qsizetype first = line.indexOf(' ');
            const qsizetype second = first < 0 ? -1 : line.indexOf(' ', first + 1);
            if (second < 0)
                continue;
            const QByteArray kind = line.left(first);
            const QByteArray hash = line.mid(first + 1, second - first - 1);
            const QString path = QString::fromUtf8(line.mid(second + 1));
            if (kind == "file")
                files[path] = hash;
            else if (kind == "thunar-base")
                thunarBases[path] = hash;
            else if (kind == "folder" && !folders.contains(path))
                folders.push_back(path);
        }
    }

    QByteArray Text() const
    {
        QByteArray text = "# Set up by quillbox2 --install-file-manager-actions; read by "
                          "--remove-file-manager-actions.\n";
        const auto line = [&text](const char* kind, const QByteArray& hash, const QString& path) {
            if (!path.contains(QLatin1Char('\n')))
                text += kind + (' ' + hash) + ' ' + path.toUtf8() + '\n';
        };
        for (const auto& [path, hash] : files)
            line("file", hash, path);
        for (const auto& [path, hash] : thunarBases)
            line("thunar-base", hash, path);
        for (const QString& path : folders)
            line("folder", "-", path);
        return text;
    }
};

// One run of install or remove: the ledger, what is said, and in which language.
struct Work {
    bool japanese = false;
    Ledger ledger;
    ActionsOutcome out;

    std::string Say(const char* english, const char* japaneseText, const QString& a = {},
                    const QString& b = {}) const
    {
        QString text = QString::fromUtf8(japanese ? japaneseText : english);
        if (text.contains(QStringLiteral("%2")))
            text = text.arg(a, b);
        else if (text.contains(QStringLiteral("%1")))
            text = text.arg(a);
        return text.toStdString();
    }
    void Report(const char* verb, const QString& path, const std::string& why = {})
    {
        out.report.push_back(std::string(verb) + ": " + path.toStdString() +
                             (why.empty() ? std::string() : " (" + why + ")"));
    }
    void Error(const std::string& message) { out.errors.push_back(message); }

    // Makes the folder and those above it that are missing, noting each one made.
    bool MakeFolders(const QString& folder)
    {
        QStringList missing;
        for (QString at = QDir::cleanPath(folder); !QFileInfo::exists(at);) {
            missing.prepend(at);
            const QString up = QFileInfo(at).path();
            if (up == at)
                break;
            at = up;
        }
        for (const QString& made : missing) {
            if (!QDir().mkdir(made)) {
                Error(Say("cannot make the folder %1", "フォルダ %1 を作成できません", made));
                return false;
            }
            ledger.folders.push_back(made);
        }
        return true;
    }

    // Writes the whole file through a temporary file renamed over the old one, so that a
    // failure at any point leaves the old file whole.
    bool Write(const QString& path, const std::string& text, bool executable)
    {
        if (!MakeFolders(QFileInfo(path).absolutePath()))
            return false;
        QSaveFile file(path);
        bool ok = file.open(QIODevice::WriteOnly);
        if (ok && executable)
            ok = file.setPermissions(file.permissions() | QFile::ExeOwner | QFile::ExeGroup |
                                     QFile::ExeOther);
        ok = ok && file.write(text.data(), qint64(text.size())) == qint64(text.size()) &&
             file.commit();
        if (!ok)
            Error(Say("cannot write %1: %2", "%1 を書き込めません: %2", path, file.errorString()));
        return ok;
    }

    bool Remove(const QString& path)
    {
        QFile file(path);
        if (file.remove())
            return true;
        Error(Say("cannot remove %1: %2", "%1 を削除できません: %2", path, file.errorString()));
        return false;
    }
};

// A file's bytes; absent and unreadable apart.
struct FileText {
    bool exists = false;
    bool read = false;
    std::string bytes;
    QString error;
};

FileText ReadText(const QString& path)
{
    FileText text;
    QFile file(path);
    text.exists = file.exists();
    if (text.exists && file.open(QIODevice::ReadOnly)) {
        text.read = true;
        text.bytes = file.readAll().toStdString();
    }
    text.error = file.errorString();
    return text;
}

// A file that is wholly ours: a Nautilus script, the Dolphin service menu, a Nemo action.
struct WholeFile {
    QString path;
    std::string text;  // what this program writes there now
    bool executable = false;
};

std::vector<WholeFile> NautilusScripts(const std::string& programPath, bool japaneseNames)
{
    std::vector<WholeFile> files;
    const QString scripts = DataHome() + QStringLiteral("/nautilus/scripts/");
    for (const NautilusScript& script : japaneseNames ? kNautilusJapanese : kNautilusEnglish) {
        std::string text = FillActionTemplate(Template("nautilus-script.sh"), programPath);
        const std::string format = script.format;
        text = Replace(Replace(text, "@FORMAT@", format), "@FORMAT_UPPER@",
                       format == "lzh" ? "LZH" : "ZIP");
        files.push_back({scripts + QString::fromUtf8(script.name), text, true});
    }
    return files;
}

std::vector<WholeFile> DolphinAndNemoFiles(const std::string& programPath)
{
    std::vector<WholeFile> files;
    // KDE runs a per-user service menu only when it is executable.
    for (const auto& [name, folder, executable] :
         {std::tuple{"quillbox2-pack.desktop", "/kio/servicemenus/", true},
          std::tuple{"quillbox2-pack-lzh.nemo_action", "/nemo/actions/", false},
          std::tuple{"quillbox2-pack-zip.nemo_action", "/nemo/actions/", false}})
        files.push_back({DataHome() + QString::fromUtf8(folder) + QString::fromUtf8(name),
                         FillActionTemplate(Template(name), programPath), executable});
    return files;
}

// A file of ours: what we write now, or what the ledger says was written there.
bool IsOurs(const WholeFile& file, const FileText& found, const Ledger& ledger)
{
    if (found.bytes == file.text)
        return true;
    const auto noted = ledger.files.find(file.path);
    return noted != ledger.files.end() && noted->second == Hash(found.bytes);
}

void InstallWholeFile(const WholeFile& file, Work& work)
{
    const FileText found = ReadText(file.path);
    if (found.exists && !found.read) {
        work.Error(
            work.Say("cannot read %1: %2", "%1 を読み込めません: %2", file.path, found.error));
        return;
    }
    if (found.exists && !IsOurs(file, found, work.ledger)) {
        work.Error(work.Say(
            "%1 was not set up by Quillbox2, so it was left as it is and this action was not "
            "set up; rename or remove it, then run this again",
            "%1 は Quillbox2 が設定したものではないため、そのままにしました。このアクションは設定"
            "していません。名前を変えるか削除してから、もう一度実行してください",
            file.path));
        return;
    }
    if (found.exists && found.bytes == file.text) {
        if (file.executable && !(QFile::permissions(file.path) & QFile::ExeOwner))
            QFile::setPermissions(file.path, QFile::permissions(file.path) | QFile::ExeOwner |
                                                 QFile::ExeGroup | QFile::ExeOther);
        work.ledger.files[file.path] = Hash(file.text);
        work.Report("unchanged", file.path);
        return;
    }
    if (work.Write(file.path, file.text, file.executable)) {
        work.ledger.files[file.path] = Hash(file.text);
        work.Report("written", file.path);
    }
}

// quietly: say nothing about a file that is not ours (a name of the other language at install).
void RemoveWholeFile(const WholeFile& file, Work& work, bool quietly = false)
{
    const FileText found = ReadText(file.path);
    if (!found.exists) {
        work.ledger.files.erase(file.path);
        return;
    }
    if (!found.read) {
        work.Error(
            work.Say("cannot read %1: %2", "%1 を読み込めません: %2", file.path, found.error));
        return;
    }
    if (IsOurs(file, found, work.ledger)) {
        if (work.Remove(file.path)) {
            work.ledger.files.erase(file.path);
            work.Report("removed", file.path);
        }
        return;
    }
    if (quietly)
        return;
    work.ledger.files.erase(file.path);
    work.Report("kept", file.path,
                work.Say("not set up by Quillbox2, or changed since",
                         "Quillbox2 が設定したものではないか、設定後に変更されています"));
}

std::string MalformedThunar(const Work& work, const QString& path, const std::string& why,
                            bool install)
{
    return install ? work.Say("%1 is not a well-formed list of Thunar actions (%2): it was left "
                              "as it is, and the Thunar actions were not set up",
                              "%1 は Thunar のアクションの一覧として正しくありません（%2）。"
                              "そのままにしました。Thunar のアクションは設定していません",
                              path, QString::fromStdString(why))
                   : work.Say("%1 is not a well-formed list of Thunar actions (%2): it was left "
                              "as it is, and the Thunar actions were not removed",
                              "%1 は Thunar のアクションの一覧として正しくありません（%2）。"
                              "そのままにしました。Thunar のアクションは削除していません",
                              path, QString::fromStdString(why));
}

QString UserThunarActions()
{
    return ConfigHome() + QStringLiteral("/Thunar/uca.xml");
}

// The user's uca.xml gets our actions; a new one starts from the system's, which it hides.
void InstallThunar(const std::string& actions, Work& work)
{
    const QString path = UserThunarActions();
    const FileText user = ReadText(path);
    if (user.exists && !user.read) {
        work.Error(work.Say("cannot read %1: %2", "%1 を読み込めません: %2", path, user.error));
        return;
    }
    std::string base = user.bytes;
    QString from = path;
    if (!user.exists) {
        from = SystemThunarActions();
        base = kEmptyThunarActions;
        if (!from.isEmpty()) {
            const FileText system = ReadText(from);
            if (!system.read) {
                work.Error(
                    work.Say("cannot read %1: %2", "%1 を読み込めません: %2", from, system.error));
                return;
            }
            base = system.bytes;
        }
    }
    const ThunarEdit edit = EditThunarActions(base, actions);
    if (!edit.error.empty()) {
        work.Error(MalformedThunar(work, from, edit.error, true));
        return;
    }
    if (user.exists && edit.text == base) {
        work.Report("unchanged", path);
        return;
    }
    if (!work.Write(path, edit.text, false))
        return;
    if (!user.exists)
        work.ledger.thunarBases[path] = Hash(base);
    work.Report("written", path,
                user.exists || from.isEmpty()
                    ? std::string()
                    : work.Say("with the actions of %1", "%1 のアクションを含めて", from));
}

// Our actions leave the user's uca.xml; one made here goes when nothing was added to it since.
void RemoveThunar(Work& work)
{
    const QString path = UserThunarActions();
    const FileText user = ReadText(path);
    const auto base = work.ledger.thunarBases.find(path);
    const bool madeHere = base != work.ledger.thunarBases.end();
    if (!user.exists) {
        if (madeHere)
            work.ledger.thunarBases.erase(base);
        return;
    }
    if (!user.read) {
        work.Error(work.Say("cannot read %1: %2", "%1 を読み込めません: %2", path, user.error));
        return;
    }
    const ThunarEdit edit = EditThunarActions(user.bytes, {});
    if (!edit.error.empty()) {
        work.Error(MalformedThunar(work, path, edit.error, false));
        return;
    }
    if (madeHere && Hash(edit.text) == base->second) {
        if (work.Remove(path)) {
            work.ledger.thunarBases.erase(base);
            work.Report("removed", path);
        }
        return;
    }
    if (edit.text != user.bytes && !work.Write(path, edit.text, false))
        return;
    if (madeHere) {
        work.ledger.thunarBases.erase(base);
        work.Report(
            "kept", path,
            work.Say("it was changed after it was made; only Quillbox2's actions were "
                     "taken out",
                     "作成後に変更されているため、Quillbox2 のアクションだけを削除しました"));
    } else if (edit.text != user.bytes) {
        work.Report("written", path);
    }
}

// Saves the ledger; once nothing is noted in it any more, deletes it and the folders made here
// that are empty again.
void FinishLedger(Work& work)
{
    Ledger& ledger = work.ledger;
    if (ledger.files.empty() && ledger.thunarBases.empty()) {
        if (QFileInfo::exists(Ledger::Path()) && !work.Remove(Ledger::Path()))
            return;
        for (auto it = ledger.folders.crbegin(); it != ledger.folders.crend(); ++it)
            if (QDir(*it).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden |
                                  QDir::System) &&
                QDir().rmdir(*it))
                work.Report("removed", *it + QLatin1Char('/'));
        return;
    }
    if (!work.MakeFolders(QFileInfo(Ledger::Path()).absolutePath()))
        return;
    if (ledger.Text() != ledger.loaded)
        work.Write(Ledger::Path(), ledger.Text().toStdString(), false);
}

}  // namespace

std::string FillActionTemplate(const std::string& text, const std::string& programPath)
{
    bool plain = !programPath.empty();
    for (char c : programPath)
        plain = plain && (std::isalnum(static_cast<unsigned char>(c)) ||
                          std::string("/._+-").find(c) != std::string::npos);
    std::string program = programPath;
    if (!plain) {
        // Double quotes suit both a shell and a desktop file's Exec line; inside them only
        // these four characters need a backslash.
        program = "\"";
        for (char c : programPath) {
            if (c == '"' || c == '\\' || c == '$' || c == '`')
                program += '\\';
            program += c;
        }
        program += "\"";
    }
    return Replace(text, "@QUILLBOX2@", program);
}

ThunarEdit EditThunarActions(const std::string& ucaText, const std::string& actions)
{
    const QByteArray bytes = QByteArray::fromStdString(ucaText);
    QString text = QString::fromUtf8(bytes);
    // Only text that comes back to the same bytes can be edited without changing the rest.
    if (text.toUtf8() != bytes)
        return {{}, "not UTF-8"};

    struct Span {
        qsizetype from, to;
    };
    std::vector<Span> ours;
    qsizetype rootOpen = -1, rootOpenEnd = -1, rootClose = -1;
    qsizetype actionFrom = 0;
    bool inAction = false, inId = false;
    QString id;
    int depth = 0;
    QXmlStreamReader xml(text);
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        // The reader tells where a token ends; a tag begins at the last '<' before that, since
        // no '<' can stand inside a tag of well-formed XML.
        const qsizetype end = qsizetype(xml.characterOffset());
        const auto tagStart = [&] { return text.lastIndexOf(QLatin1Char('<'), end - 1); };
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            if (depth == 1) {
                if (xml.name() != QLatin1String("actions"))
                    return {{},
                            "the root element is <" + xml.name().toString().toStdString() +
                                ">, not <actions>"};
                rootOpen = tagStart();
                rootOpenEnd = end;
            } else if (depth == 2 && xml.name() == QLatin1String("action")) {
                inAction = true;
                actionFrom = tagStart();
                id.clear();
            } else if (depth == 3 && inAction && xml.name() == QLatin1String("unique-id")) {
                inId = true;
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (depth == 3)
                inId = false;
            if (depth == 2 && inAction) {
                if (id.trimmed().startsWith(QLatin1String(kMarker)))
                    ours.push_back({actionFrom, end});
                inAction = false;
            }
            if (depth == 1)
                rootClose = tagStart();
            --depth;
        } else if (token == QXmlStreamReader::Characters && inId) {
            id += xml.text();
        }
    }
    if (xml.hasError())
        return {{},
                std::to_string(xml.lineNumber()) + ":" + std::to_string(xml.columnNumber()) + ": " +
                    xml.errorString().toStdString()};
    if (rootClose < 0)
        return {{}, "no <actions> element"};
    // Checked rather than trusted: each span must be a whole element where the text says so.
    const auto startsWith = [&text](qsizetype at, QLatin1String what) {
        return at >= 0 && QStringView(text).mid(at).startsWith(what);
    };
    for (const Span& span : ours)
        if (!startsWith(span.from, QLatin1String("<action")) || span.to > text.size() ||
            text[span.to - 1] != QLatin1Char('>'))
            return {{}, "an <action> element could not be located"};
    const bool emptyRoot = rootClose == rootOpen;  // <actions/>
    if (!startsWith(rootOpen, QLatin1String("<actions")) ||
        (emptyRoot ? text.mid(rootOpenEnd - 2, 2) != QLatin1String("/>")
                   : !startsWith(rootClose, QLatin1String("</actions"))))
        return {{}, "the <actions> element could not be located"};

    for (auto it = ours.crbegin(); it != ours.crend(); ++it) {
        qsizetype to = it->to;
        if (text.mid(to, 2) == QLatin1String("\r\n"))
            to += 2;
        else if (text.mid(to, 1) == QLatin1String("\n"))
            ++to;
        text.remove(it->from, to - it->from);
        rootClose -= to - it->from;
    }
    if (!actions.empty()) {
        const QString added = QString::fromStdString(actions);
        if (emptyRoot)  // <actions/> opens and closes at once
            text.replace(rootOpenEnd - 2, 2,
                         QStringLiteral(">\n") + added + QStringLiteral("</actions>"));
        else
            text.insert(rootClose, added);
    }
    return {text.toUtf8().toStdString(), {}};
}

ActionsOutcome InstallFileManagerActions(const std::string& programPath, bool japanese)
{
    Work work;
    work.japanese = japanese;
    work.ledger.Load();
    const bool japaneseNames = QLocale().language() == QLocale::Japanese;
    for (const WholeFile& file : NautilusScripts(programPath, japaneseNames))
        InstallWholeFile(file, work);
    // Ours in the other language would show each action twice.
    for (const WholeFile& file : NautilusScripts(programPath, !japaneseNames))
        RemoveWholeFile(file, work, true);
    const std::string quoted = FillActionTemplate("@QUILLBOX2@", programPath);
    InstallThunar(Replace(Template("thunar-actions.xml"), "@QUILLBOX2@", XmlEscaped(quoted)), work);
    if (!InstalledShareIsSeen())
        for (const WholeFile& file : DolphinAndNemoFiles(programPath))
            InstallWholeFile(file, work);
    FinishLedger(work);
    return work.out;
}

ActionsOutcome RemoveFileManagerActions(const std::string& programPath, bool japanese)
{
    Work work;
    work.japanese = japanese;
    work.ledger.Load();
    for (bool japaneseNames : {false, true})
        for (const WholeFile& file : NautilusScripts(programPath, japaneseNames))
            RemoveWholeFile(file, work);
    RemoveThunar(work);
    for (const WholeFile& file : DolphinAndNemoFiles(programPath))
        RemoveWholeFile(file, work);
    FinishLedger(work);
    return work.out;
}

}  // namespace qb::app
