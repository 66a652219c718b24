#include "HelpFile.h"

#include "dialogs/UiSeams.h"
#include "platform/Drives.h"
#include "platform/InstallLayout.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace qb::help {
namespace {

std::function<bool(const QUrl&)>& opener()
{
    static std::function<bool(const QUrl&)> custom;
    return custom;
}

QString inFolder(const QString& programFolder, const QString& name)
{
    return programFolder.endsWith(QLatin1Char('\\')) ? programFolder + name
                                                     : programFolder + QLatin1Char('\\') + name;
}

// Says where the manual is, for a desktop that could not show it.
void tellWhereTheManualIs(const QString& hostPath)
{
    const QString text =
        QFileInfo::exists(hostPath)
            ? QStringLiteral("マニュアルを表示するビューアが見つかりませんでした。\n"
                             "ブラウザで次のファイルを開いてください：\n")
            : QStringLiteral("マニュアルが見つかりませんでした。\n"
                             "次の場所にあるはずのファイルです：\n");
    qb::ui::ShowMessage(nullptr, text + hostPath);
}

// The desktop's opener. xdg-open says by its exit status whether a viewer took the file; it is
// watched without waiting, and a failure is reported when it comes. The process is not tied to
// the window, so a viewer that xdg-open waits for stays open when the program ends.
bool openWithDesktop(const QUrl& url)
{
    const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (xdgOpen.isEmpty())
        return QDesktopServices::openUrl(url);
    auto* process = new QProcess;
    process->setProgram(xdgOpen);
    process->setArguments({url.toString()});
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    const QString hostPath = url.toLocalFile();
    QObject::connect(process, &QProcess::finished, process,
                     [process, hostPath](int code, QProcess::ExitStatus status) {
                         if (status != QProcess::NormalExit || code != 0)
                             tellWhereTheManualIs(hostPath);
                         process->deleteLater();
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, hostPath](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         tellWhereTheManualIs(hostPath);
                         process->deleteLater();
                     });
    process->start();
    return true;
}

}  // namespace

QString HelpFilePath(const QString& programFolder)
{
    return inFolder(programFolder, QStringLiteral("QUILLBOX2.HLP"));
}

QString ManualPath(const QString& programFolder)
{
    return inFolder(programFolder, QStringLiteral("QUILLBOX2.html"));
}

QString ProgramFolder()
{
    return QString::fromStdString(
        qb::platform::ToDrivePath(QCoreApplication::applicationDirPath().toStdString()));
}

bool ShowHelp()
{
    const QString folder = ProgramFolder();
    QString host;
    if (!folder.isEmpty())
        host = QString::fromStdString(qb::platform::ToHostPath(ManualPath(folder).toStdString()));
    // A drive table that does not cover the program's folder must not lose the manual.
    if (host.isEmpty())
        host =
            QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("QUILLBOX2.html"));
    // An installed program keeps its manual with its other data (<prefix>/share/quillbox2).
    if (!QFileInfo::exists(host)) {
        const QString data = QString::fromStdString(qb::platform::DataFolderHost());
        const QString installed = data + QStringLiteral("/QUILLBOX2.html");
        if (!data.isEmpty() && QFileInfo::exists(installed))
            host = installed;
    }
    const QUrl url = QUrl::fromLocalFile(host);
    const bool opened = opener() ? opener()(url) : openWithDesktop(url);
    if (!opened)
        tellWhereTheManualIs(host);
    return opened;
}

namespace test {
void SetOpener(std::function<bool(const QUrl&)> replacement)
{
    opener() = std::move(replacement);
}
}  // namespace test

}  // namespace qb::help
