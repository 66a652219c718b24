// The interactive packing run behind the three run buttons, and what the run reports to.

#include "app/frmQuillbox.hosts.h"
#include "common/basQuill.h"
#include "common/resQuill.h"
#include "dialogs/UiSeams.h"
#include "engine/PackFolder.h"
#include "engine/PackRun.h"
#include "panes/PaintNow.h"
#include "panes/RunProgress.h"
#include "panes/mdiFile.h"
#include "panes/mdiInDir.h"
#include "panes/mdiInFile.h"
#include "panes/mdiOutDir.h"
#include "panes/mdiOutFile.h"
#include "panes/mdiStatus.h"

#include <QCoreApplication>
#include <QListWidget>
#include <QPushButton>

using namespace qb::panes;

void frmQuillbox::RunHost::HistoryAdd(const std::string& line)
{
    m_frame.m_status->ListInAdd(QString::fromStdString(line));
}

void frmQuillbox::RunHost::CreatedArchiveAdd(const std::string& path)
{
    m_frame.m_outFile->ListInAdd(QString::fromStdString(path));
}

void frmQuillbox::RunHost::ShowMessage(const std::string& text)
{
    qb::ui::ShowMessage(&m_frame, QString::fromStdString(text));
}

bool frmQuillbox::RunHost::AskYesNo(const std::string& text)
{
    return qb::ui::AskYesNo(&m_frame, QString::fromStdString(text));
}

bool frmQuillbox::RunHost::Progress(const std::string& member, std::uint64_t done,
                                    std::uint64_t total)
{
    return m_frame.m_progress->Report(QString::fromStdString(member), done, total);
}

void frmQuillbox::btnCancel_Click()
{
    CancelRequested = true;
}

void frmQuillbox::setPanesEnabled(bool flag)
{
    for (PaneBase* pane : Panes())
        pane->setEnabled(flag);
    for (PaneBase* pane : Panes())
        pane->Menu_Enabled(flag);
    // The frame's own menu bar shows while no pane is active (for instance while the progress
    // window has the focus); a job opened or a font changed in the middle of a run would pull
    // the target list or the panes from under it, so it goes off too.
    m_menus.SetEnabled(flag);
}

void frmQuillbox::btnExe_Click(int Index)
{
    if (m_running || Index < 0 || Index > 2)
        return;
    m_running = true;
    for (QPushButton* b : btnExe)
        b->setEnabled(false);
    setPanesEnabled(false);
    m_status->RefreshForm();
    m_inFile->SelectClear();
    m_file->SelectAll();  // from here on a selected item is a folder not yet packed
    btnCancel->setEnabled(true);

    m_progress->BeginRun();
    const std::string outputFolder = m_outDir->DirName().toStdString();
    qb::engine::PackRun(*m_file, outputFolder, Index, m_options, *m_runHost);

    CancelRequested = false;
    btnCancel->setEnabled(false);
    setPanesEnabled(true);
    m_inDir->RefreshForm();
    m_inFile->RefreshForm();
    m_outDir->RefreshForm();
    BtnEnabledChange();
    m_running = false;
    if (m_closeAfterRun)
        close();
}

bool frmQuillbox::RunHost::BeforeFolder(int index)
{
    QListWidget* list = m_frame.m_file->lstFile;
    list->scrollToItem(list->item(index), QAbstractItemView::PositionAtTop);
    qb::panes::PaintNow(list->viewport());
    // The one point of the loop where clicks are taken, the cancel button's among them.
    QCoreApplication::processEvents();
    // The progress window may still be up from the folder before; its cancel counts too.
    if (m_frame.m_progress->Cancelled())
        m_frame.CancelRequested = true;
    if (m_frame.CancelRequested) {
        m_frame.m_inDir->RefreshForm();
        m_frame.m_outDir->RefreshForm();
        return false;
    }
    const std::string folder = list->item(index)->text().toStdString();
    // The list keeps every item until the run ends, so its count is the run's.
    m_frame.m_progress->BeginFolder(index, list->count(),
                                    QString::fromStdString(basQuill::ShortDisplayPath(folder)));
    return true;
}

void frmQuillbox::RunHost::AfterFolder(int index, int result)
{
    m_frame.m_progress->EndFolder();
    QListWidget* list = m_frame.m_file->lstFile;
    if (result == qb::engine::kPacked) {
        list->item(index)->setSelected(false);
        qb::panes::PaintNow(list->viewport());
    } else if (result == qb::engine::kStopRun) {
        m_frame.CancelRequested = true;
    }
    // New archives and the free space show at once.
    m_frame.m_inDir->RefreshForm();
    m_frame.m_outDir->RefreshForm();
}

void frmQuillbox::RunHost::RunEnded(bool aborted)
{
    (void)aborted;
    m_frame.m_progress->EndRun();
    // What stays on the list are the folders that failed or were never started.
    QListWidget* list = m_frame.m_file->lstFile;
    for (int j = 0; j < list->count();) {
        if (!list->item(j)->isSelected())
            delete list->takeItem(j);
        else
            ++j;
    }
    m_frame.m_file->SelectClear();
}
