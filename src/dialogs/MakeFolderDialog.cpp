#include "MakeFolderDialog.h"

#include "Messages.h"
#include "UiSeams.h"

#include "platform/CurrentDir.h"
#include "platform/FileSystem.h"

#include <exception>

namespace MakeFolderDialog {
namespace {

using qb::ui::SharedMessageText;

// The rules trim blanks only, not tabs or full-width spaces, so that what the user typed
// around a name is kept exactly otherwise.
QString trimSpaces(const QString& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == QLatin1Char(' '))
        ++first;
    while (last > first && text[last - 1] == QLatin1Char(' '))
        --last;
    return text.mid(first, last - first);
}

// Names the Linux file system would read as something other than one new folder: a '/'
// would create the folder somewhere below, "." and ".." name folders that exist. They end
// like any other name the file system refuses.
bool isSingleHostName(const QString& name)
{
    return !name.contains(QLatin1Char('/')) && !name.contains(QChar(0)) &&
           name != QStringLiteral(".") && name != QStringLiteral("..");
}

// The current directory of the current drive and of the drive of `path`, so both can be put
// back: entering the new folder changes its drive's current directory.
struct SavedDirectories {
    std::string current;
    std::string ofPath;
    explicit SavedDirectories(const QString& path)
        : current(qb::platform::CurrentDirectory()),
          ofPath(path.size() >= 2 ? qb::platform::CurrentDirectory(path[0].toLatin1())
                                  : std::string())
    { }
    void restore() const
    {
        if (!ofPath.empty())
            qb::platform::SetCurrentDirectory(ofPath);
        if (!current.empty())
            qb::platform::SetCurrentDirectory(current);
    }
};

}  // namespace

bool CheckFolderName(QWidget* parent, const QString& name)
{
    int code = 0;
    try {
        const qsizetype backslash = name.indexOf(QLatin1Char('\\'));
        if (name.isEmpty())
            code = kSharedMakeFolderNoName;
        else if (backslash >= 0 && backslash != name.size() - 1)
            code = kSharedMakeFolderBackslash;
        else if (name.contains(QLatin1Char('*')))
            code = kSharedMakeFolderStar;
        else if (name.contains(QLatin1Char('?')))
            code = kSharedMakeFolderQuestionMark;
        else if (name.startsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char('.')))
            code = kSharedMakeFolderDotAtEnds;
    } catch (const std::exception&) {
        code = kSharedMakeFolderBadName;
    }
    if (code == 0)
        return true;
    qb::ui::ShowMessage(parent, SharedMessageText(code));
    return false;
}

QString InputFolderName(QWidget* parent, const QString& parentFolder)
{
    const QString prompt = SharedMessageText(kSharedMakeFolderPrompt) + QLatin1Char('\r') + parentFolder;
    const auto answer = qb::ui::InputText(parent, SharedMessageText(kSharedMakeFolderCaption), prompt, QString());
    if (!answer || answer->isEmpty())
        return {};
    return CheckFolderName(parent, *answer) ? *answer : QString();
}

QString MakeFolder(QWidget* parent, const QString& parentFolder)
{
    QString name;
    QString path;
    try {
        name = trimSpaces(InputFolderName(parent, parentFolder));
        if (name.isEmpty())
            return {};
        if (name.endsWith(QLatin1Char('\\')))
            name.chop(1);
        path = parentFolder.endsWith(QLatin1Char('\\')) ? parentFolder + name
                                                     : parentFolder + QLatin1Char('\\') + name;
    } catch (const std::exception&) {
        qb::ui::ShowMessage(parent, SharedMessageText(kSharedMakeFolderError));
        return {};
    }

    const SavedDirectories saved(path);
    QString result;
    const std::string target = path.toStdString();
    if (!isSingleHostName(name) || !qb::platform::MakeFolder(target)) {
        qb::ui::ShowMessage(parent, SharedMessageText(kSharedMakeFolderFailed));
    } else if (!qb::platform::SetCurrentDirectory(target)) {
        // The folder stays: it was made, only entering it failed.
        qb::ui::ShowMessage(parent, SharedMessageText(kSharedMakeFolderError));
    } else {
        result = path;
    }
    saved.restore();
    return result;
}

}  // namespace MakeFolderDialog
