#include "ArchiveListPane.h"

#include "common/PathHelpers.h"
#include "engine/Options.h"
#include "platform/Drives.h"

#include <QApplication>
#include <QDrag>
#include <QListWidget>
#include <QMimeData>
#include <QUrl>

using qb::panes::Msg;
using qb::panes::Shared;

namespace {

constexpr int kMaxArchives = 1000;

// The list starts its own drags, offering the archives for copying only: a file manager must
// never move an archive out from under the program.
class ArchiveList : public QListWidget {
public:
    explicit ArchiveList(ArchiveListPane* pane) : QListWidget(pane), m_pane(pane)
    {
        setDragEnabled(true);
        setDragDropMode(QAbstractItemView::DragOnly);
        setDefaultDropAction(Qt::CopyAction);
    }

protected:
    void startDrag(Qt::DropActions) override
    {
        if (count() < 1)
            return;
        auto* drag = new QDrag(this);
        drag->setMimeData(m_pane->DragData());
        drag->exec(Qt::CopyAction, Qt::CopyAction);
    }

private:
    ArchiveListPane* m_pane;
};

}  // namespace

ArchiveListPane::ArchiveListPane(PaneHost* host, const qb::engine::Options& options,
                                 QWidget* parent)
    : PaneBase(host, options, "ArchiveListPane", "OutFile", parent)
{
    SetDesignedTwips(QRectF(4000, 4400, 4000, 2200));
    archiveList = new ArchiveList(this);
    archiveList->setObjectName(QStringLiteral("archiveList"));
    archiveList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    archiveList->setUniformItemSizes(true);

    popupMenu = NewPopup();
    clearAction = AddPopupItem("clearAction", [this] { ClearList(); });
    refreshAction = AddPopupItem("refreshAction", [this] { RefreshFromDisk(); });
    selectAllAction = AddPopupItem("selectAllAction", [this] { SelectAll(); });
    selectNoneAction = AddPopupItem("selectNoneAction", [this] { SelectNone(); });

    WatchRightButton(archiveList);
}

void ArchiveListPane::AddArchive(const QString& path)
{
    for (int i = 0; i < archiveList->count(); ++i)
        if (archiveList->item(i)->text() == path)
            return;
    if (archiveList->count() < kMaxArchives)
        archiveList->addItem(path);
}

void ArchiveListPane::SelectAll()
{
    qb::panes::SetAllSelected(archiveList, true);
}
void ArchiveListPane::SelectNone()
{
    qb::panes::SetAllSelected(archiveList, false);
}

void ArchiveListPane::ClearList()
{
    archiveList->clear();
}

void ArchiveListPane::RefreshFromDisk()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    int i = 0;
    while (i < archiveList->count()) {
        const std::string path = PathHelpers::OnDiskPath(archiveList->item(i)->text().toStdString());
        if (!path.empty() && PathHelpers::FileExists(path)) {
            archiveList->item(i)->setText(QString::fromStdString(path));
            ++i;
        } else {
            delete archiveList->takeItem(i);
        }
    }
    QApplication::restoreOverrideCursor();
}

QMimeData* ArchiveListPane::DragData() const
{
    QList<QUrl> urls;
    for (int i = 0; i < archiveList->count(); ++i) {
        if (!archiveList->item(i)->isSelected())
            continue;
        const std::string host =
            qb::platform::ToHostPath(archiveList->item(i)->text().toStdString());
        if (!host.empty())
            urls << QUrl::fromLocalFile(QString::fromStdString(host));
    }
    auto* data = new QMimeData;
    data->setUrls(urls);
    return data;
}

void ArchiveListPane::SetFontData()
{
    ApplySharedFont({archiveList});
    LayOutControls();
}

void ArchiveListPane::SetToolTip(bool on)
{
    archiveList->setToolTip(on ? Msg(kTipArchiveList) : QString());
}

void ArchiveListPane::Initialize()
{
    LoadPosition();
    SetFontData();
    setWindowTitle(Msg(kCaptionArchiveList));
    clearAction->setText(Shared(kSharedMenuClear));
    refreshAction->setText(QStringLiteral("リフレッシュ"));
    selectAllAction->setText(Shared(kSharedMenuSelectAll));
    selectNoneAction->setText(Shared(kSharedMenuSelectNone));
    SetToolTip(ProgramOptions().ShowTooltips);
}

void ArchiveListPane::LayOutControls()
{
    LayOutList(archiveList);
}
