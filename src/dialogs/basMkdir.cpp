#include "basMkdir.h"

#include "Messages.h"
#include "UiSeams.h"

#include "platform/CurrentDir.h"
#include "platform/FileSystem.h"

#include <exception>

namespace basMkdir {
namespace {

using qb::ui::Quill;

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

bool CheckFolderName(QWidget* parent, const QString& strName)
{
    int code = 0;
    try {
        const qsizetype backslash = strName.indexOf(QLatin1Char('\\'));
        if (strName.isEmpty())
            code = kSharedMkdirNoName;
        else if (backslash >= 0 && backslash != strName.size() - 1)
            code = kSharedMkdirBackslash;
        else if (strName.contains(QLatin1Char('*')))
            code = kSharedMkdirStar;
        else if (strName.contains(QLatin1Char('?')))
            code = kSharedMkdirQuestionMark;
        else if (strName.startsWith(QLatin1Char('.')) || strName.endsWith(QLatin1Char('.')))
            code = kSharedMkdirDotAtEnds;
    } catch (const std::exception&) {
        code = kSharedMkdirBadName;
    }
    if (code == 0)
        return true;
    qb::ui::ShowMessage(parent, Quill(code));
    return false;
}

QString InputFolderName(QWidget* parent, const QString& strParent)
{
    const QString prompt = Quill(kSharedMkdirPrompt) + QLatin1Char('\r') + strParent;
    const auto answer = qb::ui::InputText(parent, Quill(kSharedMkdirCaption), prompt, QString());
    if (!answer || answer->isEmpty())
        return {};
    return CheckFolderName(parent, *answer) ? *answer : QString();
}

QString MakeFolder(QWidget* parent, const QString& strParent)
{
    QString name;
    QString path;
    try {
        name = trimSpaces(InputFolderName(parent, strParent));
        if (name.isEmpty())
            return {};
        if (name.endsWith(QLatin1Char('\\')))
            name.chop(1);
        path = strParent.endsWith(QLatin1Char('\\')) ? strParent + name
                                                     : strParent + QLatin1Char('\\') + name;
    } catch (const std::exception&) {
        qb::ui::ShowMessage(parent, Quill(kSharedMkdirError));
        return {};
    }

    const SavedDirectories saved(path);
    QString result;
    const std::string target = path.toStdString();
    if (!isSingleHostName(name) || !qb::platform::MakeFolder(target)) {
        qb::ui::ShowMessage(parent, Quill(kSharedMkdirFailed));
    } else if (!qb::platform::SetCurrentDirectory(target)) {
        // The folder stays: it was made, only entering it failed.
        qb::ui::ShowMessage(parent, Quill(kSharedMkdirError));
    } else {
        result = path;
    }
    saved.restore();
    return result;
}

}  // namespace basMkdir
