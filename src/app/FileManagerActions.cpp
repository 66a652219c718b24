#include "FileManagerActions.h"

#include "platform/InstallLayout.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QStandardPaths>
#include <QString>

#include <cctype>
#include <tuple>

// The templates are built into the program (quillbox2.qrc, a resource of a static library).
static void InitTemplates()
{
    Q_INIT_RESOURCE(quillbox2);
}

namespace qb::app {
namespace {

const char* const kMarker = "quillbox2-";

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

QString DataHome()
{
    const QString env = qEnvironmentVariable("XDG_DATA_HOME");
    return env.startsWith(QLatin1Char('/')) ? env
                                            : QDir::homePath() + QStringLiteral("/.local/share");
}

QString ConfigHome()
{
    const QString env = qEnvironmentVariable("XDG_CONFIG_HOME");
    return env.startsWith(QLatin1Char('/')) ? env : QDir::homePath() + QStringLiteral("/.config");
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

bool WriteFile(const QString& path, const std::string& text, bool executable, ActionsOutcome& out)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(text.data(), qint64(text.size())) != qint64(text.size()) || !file.commit()) {
        out.error = "cannot write " + path.toStdString();
        return false;
    }
    if (executable)
        QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner | QFile::ExeGroup |
                                        QFile::ExeOther);
    out.changed.push_back(path.toStdString());
    return true;
}

void RemoveFile(const QString& path, ActionsOutcome& out)
{
    if (QFileInfo::exists(path) && QFile::remove(path))
        out.changed.push_back(path.toStdString());
}

// Rewrites uca.xml with or without the program's actions; a missing file is made when there
// is something to add, and a file that is not an actions list is left alone.
bool EditThunar(const std::string& actions, ActionsOutcome& out)
{
    const QString path = ConfigHome() + QStringLiteral("/Thunar/uca.xml");
    std::string text;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        text = file.readAll().toStdString();
        file.close();
    } else if (actions.empty()) {
        return true;
    } else {
        text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n</actions>\n";
    }
    const std::string edited = EditThunarActions(text, actions);
    if (edited.empty()) {
        out.error = path.toStdString() + " is not a list of Thunar actions; left alone";
        return false;
    }
    if (edited == text)
        return true;
    return WriteFile(path, edited, false, out);
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

std::string EditThunarActions(const std::string& ucaText, const std::string& actions)
{
    std::string text = ucaText;
    // Take out every <action> block of ours, with the line end after it.
    for (std::size_t from = 0;;) {
        const std::size_t open = text.find("<action>", from);
        if (open == std::string::npos)
            break;
        const std::size_t close = text.find("</action>", open);
        if (close == std::string::npos)
            return {};
        std::size_t end = close + std::string("</action>").size();
        const std::string block = text.substr(open, end - open);
        if (block.find(std::string("<unique-id>") + kMarker) == std::string::npos) {
            from = end;
            continue;
        }
        if (end < text.size() && text[end] == '\n')
            ++end;
        text.erase(open, end - open);
        from = open;
    }
    const std::size_t last = text.rfind("</actions>");
    if (last == std::string::npos)
        return {};
    text.insert(last, actions);
    return text;
}

ActionsOutcome InstallFileManagerActions(const std::string& programPath)
{
    ActionsOutcome out;
    const QString scripts = DataHome() + QStringLiteral("/nautilus/scripts/");
    const bool japanese = QLocale().language() == QLocale::Japanese;
    for (const NautilusScript& script : japanese ? kNautilusJapanese : kNautilusEnglish) {
        std::string text = FillActionTemplate(Template("nautilus-script.sh"), programPath);
        const std::string format = script.format;
        text = Replace(Replace(text, "@FORMAT@", format), "@FORMAT_UPPER@",
                       format == "lzh" ? "LZH" : "ZIP");
        if (!WriteFile(scripts + QString::fromUtf8(script.name), text, true, out))
            return out;
    }
    const std::string quoted = FillActionTemplate("@QUILLBOX2@", programPath);
    if (!EditThunar(Replace(Template("thunar-actions.xml"), "@QUILLBOX2@", XmlEscaped(quoted)),
                    out))
        return out;
    if (!InstalledShareIsSeen()) {
        // KDE runs a per-user service menu only when it is executable.
        for (const auto& [name, folder, executable] :
             {std::tuple{"quillbox2-pack.desktop", "/kio/servicemenus/", true},
              std::tuple{"quillbox2-pack-lzh.nemo_action", "/nemo/actions/", false},
              std::tuple{"quillbox2-pack-zip.nemo_action", "/nemo/actions/", false}}) {
            const std::string text = FillActionTemplate(Template(name), programPath);
            if (!WriteFile(DataHome() + QString::fromUtf8(folder) + QString::fromUtf8(name), text,
                           executable, out))
                return out;
        }
    }
    return out;
}

ActionsOutcome RemoveFileManagerActions()
{
    ActionsOutcome out;
    const QString scripts = DataHome() + QStringLiteral("/nautilus/scripts/");
    for (const auto* list : {kNautilusEnglish, kNautilusJapanese})
        for (int i = 0; i < 2; ++i)
            RemoveFile(scripts + QString::fromUtf8(list[i].name), out);
    EditThunar({}, out);
    RemoveFile(DataHome() + QStringLiteral("/kio/servicemenus/quillbox2-pack.desktop"), out);
    RemoveFile(DataHome() + QStringLiteral("/nemo/actions/quillbox2-pack-lzh.nemo_action"), out);
    RemoveFile(DataHome() + QStringLiteral("/nemo/actions/quillbox2-pack-zip.nemo_action"), out);
    return out;
}

}  // namespace qb::app
