// Job files from the File menu, and the command line handed to the target list at start-up.

#include "app/MainWindowHosts.h"
#include "common/ProgramMessages.h"
#include "dialogs/UiSeams.h"
#include "panes/HistoryPane.h"
#include "panes/SourceFolderPane.h"
#include "panes/OutputFolderPane.h"

namespace {
QString jobFilter()
{
    return QString::fromStdString(ProgramMessage(kTextJobFilter));
}
const QString kJobExt = QStringLiteral(".QBJ");
}  // namespace

std::string MainWindow::JobHost::SourceFolder()
{
    return m_frame.m_sourceFolderPane->Folder().toStdString();
}

void MainWindow::JobHost::SetSourceFolder(const std::string& dir)
{
    m_frame.m_sourceFolderPane->SetFolder(QString::fromStdString(dir));
}

std::string MainWindow::JobHost::OutputFolder()
{
    return m_frame.m_outputFolderPane->Folder().toStdString();
}

void MainWindow::JobHost::SetOutputFolder(const std::string& dir)
{
    m_frame.m_outputFolderPane->SetFolder(QString::fromStdString(dir));
}

qb::engine::TargetList& MainWindow::JobHost::Targets()
{
    return m_frame.m_targets;
}

void MainWindow::JobHost::ShowMessage(const std::string& text)
{
    qb::ui::ShowMessage(&m_frame, QString::fromStdString(text));
}

bool MainWindow::JobHost::AskYesNo(const std::string& text)
{
    return qb::ui::AskYesNo(&m_frame, QString::fromStdString(text));
}

void MainWindow::LoadJobFile()
{
    qb::engine::LoadJobFile(qb::engine::CurrentJobFile, *m_jobHost, *m_jobHost, &m_startReport);
}

void MainWindow::OpenJobFile()
{
    const QString name = qb::ui::OpenFileName(
        this, jobFilter(), QString::fromStdString(qb::engine::CurrentJobFile), kJobExt);
    if (name.isEmpty())
        return;
    qb::engine::CurrentJobFile = name.toStdString();
    // The job replaces the list, and with it what was said about the folders before.
    m_startReport.Clear();
    LoadJobFile();
    ShowStartReport();
    UpdateRunButtons();
}

void MainWindow::ShowStartReport()
{
    for (const std::string& line : m_startReport.HistoryLines())
        m_historyPane->AddLine(QString::fromStdString(line));
}

void MainWindow::SaveJobFile()
{
    if (qb::engine::CurrentJobFile.empty()) {
        const QString name = qb::ui::SaveFileName(this, jobFilter(), QString(), kJobExt);
        if (!name.isEmpty())
            qb::engine::CurrentJobFile = name.toStdString();
    }
    if (!qb::engine::CurrentJobFile.empty())
        qb::engine::WriteJobFile(qb::engine::CurrentJobFile, *m_jobHost, *m_jobHost);
}

void MainWindow::SaveJobFileAs()
{
    const QString name = qb::ui::SaveFileName(
        this, jobFilter(), QString::fromStdString(qb::engine::CurrentJobFile), kJobExt);
    if (name.isEmpty())
        return;
    qb::engine::CurrentJobFile = name.toStdString();
    qb::engine::WriteJobFile(qb::engine::CurrentJobFile, *m_jobHost, *m_jobHost);
}
