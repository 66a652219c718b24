// The interactive packing run behind the three run buttons, and what the run reports to.

#include "app/MainWindowHosts.h"
#include "common/PathHelpers.h"
#include "common/SharedMessages.h"
#include "dialogs/UiSeams.h"
#include "engine/PackFolder.h"
#include "engine/PackRun.h"
#include "panes/RunProgress.h"
#include "panes/SourceFolderPane.h"
#include "panes/SubfolderListPane.h"
#include "panes/OutputFolderPane.h"
#include "panes/ArchiveListPane.h"
#include "panes/HistoryPane.h"

#include <QCoreApplication>
#include <QPushButton>

using namespace qb::panes;

void MainWindow::RunHost::HistoryAdd(const std::string& line)
{
    m_frame.m_historyPane->AddLine(QString::fromStdString(line));
}

void MainWindow::RunHost::CreatedArchiveAdd(const std::string& path)
{
    m_frame.m_archiveListPane->AddArchive(QString::fromStdString(path));
}

void MainWindow::RunHost::ShowMessage(const std::string& text)
{
    qb::ui::ShowMessage(&m_frame, QString::fromStdString(text));
}

bool MainWindow::RunHost::AskYesNo(const std::string& text)
{
    return qb::ui::AskYesNo(&m_frame, QString::fromStdString(text));
}

bool MainWindow::RunHost::Progress(const std::string& member, std::uint64_t done,
                                    std::uint64_t total)
{
    return m_frame.m_progress->Report(QString::fromStdString(member), done, total);
}

void MainWindow::RequestCancel()
{
    CancelRequested = true;
}

void MainWindow::setPanesEnabled(bool flag)
{
    for (PaneBase* pane : Panes())
        pane->setEnabled(flag);
    for (PaneBase* pane : Panes())
        pane->SetMenusEnabled(flag);
    // The frame's own menu bar shows while no pane is active (for instance while the progress
    // window has the focus); a job opened or a font changed in the middle of a run would pull
    // the target list or the panes from under it, so it goes off too.
    m_menus.SetEnabled(flag);
}

void MainWindow::StartRun(int mode)
{
    if (m_running || mode < 0 || mode > 2)
        return;
    m_running = true;
    for (QPushButton* b : runButtons)
        b->setEnabled(false);
    setPanesEnabled(false);
    m_historyPane->Clear();
    m_subfolderListPane->SelectNone();
    cancelButton->setEnabled(true);

    // What the command line or the job named but the list did not take heads the history
    // again and counts among the run's folders; this run ends it.
    ShowStartReport();
    const int leftOut = m_startReport.FoldersLeftOut();
    m_startReport.Clear();

    m_progress->BeginRun();
    const std::string outputFolder = m_outputFolderPane->Folder().toStdString();
    // The run marks the targets as it goes (the target list pane shows the marks) and leaves
    // on the list only the folders that were not packed.
    qb::engine::PackRun(m_targets, outputFolder, qb::engine::RunModeFromNumber(mode), m_options,
                        *m_runHost, leftOut);

    CancelRequested = false;
    cancelButton->setEnabled(false);
    setPanesEnabled(true);
    m_sourceFolderPane->Reload();
    m_subfolderListPane->Reload();
    m_outputFolderPane->Reload();
    UpdateRunButtons();
    m_running = false;
    if (m_closeAfterRun)
        close();
}

bool MainWindow::RunHost::BeforeFolder(int index)
{
    // The one point of the loop where clicks are taken, the cancel button's among them.
    QCoreApplication::processEvents();
    // The progress window may still be up from the folder before; its cancel counts too.
    if (m_frame.m_progress->Cancelled())
        m_frame.CancelRequested = true;
    if (m_frame.CancelRequested) {
        m_frame.m_sourceFolderPane->Reload();
        m_frame.m_outputFolderPane->Reload();
        return false;
    }
    const qb::engine::TargetList& targets = m_frame.m_targets;
    // The list keeps every item until the run ends, so its count is the run's.
    m_frame.m_progress->BeginFolder(
        index, targets.Count(),
        QString::fromStdString(PathHelpers::ShortDisplayPath(targets.Item(index))));
    return true;
}

void MainWindow::RunHost::AfterFolder(int index, qb::engine::FolderOutcome outcome)
{
    (void)index;
    m_frame.m_progress->EndFolder();
    if (outcome == qb::engine::FolderOutcome::StopRun)
        m_frame.CancelRequested = true;
    // New archives and the free space show at once.
    m_frame.m_sourceFolderPane->Reload();
    m_frame.m_outputFolderPane->Reload();
}

void MainWindow::RunHost::RunEnded(bool aborted)
{
    (void)aborted;
    m_frame.m_progress->EndRun();
}
