#include "HelpFile.h"

#include "platform/Drives.h"
#include "platform/InstallLayout.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

namespace qb::help {
namespace {

std::function<bool(const QUrl &)> &opener()
{
    static std::function<bool(const QUrl &)> custom;
    return custom;
}

QString inFolder(const QString &programFolder, const QString &name)
{
    return programFolder.endsWith(QLatin1Char('\\')) ? programFolder + name
                                                      : programFolder + QLatin1Char('\\') + name;
}

} // namespace

QString HelpFilePath(const QString &programFolder)
{
    return inFolder(programFolder, QStringLiteral("QUILLBOX2.HLP"));
}

QString ManualPath(const QString &programFolder)
{
    return inFolder(programFolder, QStringLiteral("QUILLBOX2.html"));
}

QString ProgramFolder()
{
    return QString::fromStdString(qb::platform::ToDrivePath(QCoreApplication::applicationDirPath().toStdString()));
}

bool ShowHelp()
{
    const QString folder = ProgramFolder();
    QString host;
    if (!folder.isEmpty())
        host = QString::fromStdString(qb::platform::ToHostPath(ManualPath(folder).toStdString()));
    // A drive table that does not cover the program's folder must not lose the manual.
    if (host.isEmpty())
        host = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("QUILLBOX2.html"));
    // An installed program keeps its manual with its other data (<prefix>/share/quillbox2).
    if (!QFileInfo::exists(host)) {
        const QString data = QString::fromStdString(qb::platform::DataFolderHost());
        const QString installed = data + QStringLiteral("/QUILLBOX2.html");
        if (!data.isEmpty() && QFileInfo::exists(installed))
            host = installed;
    }
    const QUrl url = QUrl::fromLocalFile(host);
    if (opener())
        return opener()(url);
    return QDesktopServices::openUrl(url);
}

namespace test {
void SetOpener(std::function<bool(const QUrl &)> replacement)
{
    opener() = std::move(replacement);
}
} // namespace test

} // namespace qb::help
