#include "mdiOutFile.h"

#include "common/basQuill.h"
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
    explicit ArchiveList(mdiOutFile* pane) : QListWidget(pane), m_pane(pane)
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
    mdiOutFile* m_pane;
};

}  // namespace

mdiOutFile::mdiOutFile(FormHost* host, QWidget* parent)
    : PaneBase(host, "mdiOutFile", "OutFile", parent)
{
    SetDesignedTwips(QRectF(4000, 4400, 4000, 2200));
    lstOutFile = new ArchiveList(this);
    lstOutFile->setObjectName(QStringLiteral("lstOutFile"));
    lstOutFile->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstOutFile->setUniformItemSizes(true);

    mnuPopup = NewPopup();
    mnuDel = AddPopupItem("mnuDel", [this] { mnuDel_Click(); });
    mnuRefresh = AddPopupItem("mnuRefresh", [this] { mnuRefresh_Click(); });
    mnuAll = AddPopupItem("mnuAll", [this] { SelectAll(); });
    mnuClear = AddPopupItem("mnuClear", [this] { SelectClear(); });

    WatchRightButton(lstOutFile);
}

void mdiOutFile::ListInAdd(const QString& path)
{
    for (int i = 0; i < lstOutFile->count(); ++i)
        if (lstOutFile->item(i)->text() == path)
            return;
    if (lstOutFile->count() < kMaxArchives)
        lstOutFile->addItem(path);
}

void mdiOutFile::SelectAll()
{
    qb::panes::SetAllSelected(lstOutFile, true);
}
void mdiOutFile::SelectClear()
{
    qb::panes::SetAllSelected(lstOutFile, false);
}

void mdiOutFile::mnuDel_Click()
{
    lstOutFile->clear();
}

void mdiOutFile::mnuRefresh_Click()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    int i = 0;
    while (i < lstOutFile->count()) {
        const std::string path = basQuill::OnDiskPath(lstOutFile->item(i)->text().toStdString());
        if (!path.empty() && basQuill::FileExists(path)) {
            lstOutFile->item(i)->setText(QString::fromStdString(path));
            ++i;
        } else {
            delete lstOutFile->takeItem(i);
        }
    }
    QApplication::restoreOverrideCursor();
}

QMimeData* mdiOutFile::DragData() const
{
    QList<QUrl> urls;
    for (int i = 0; i < lstOutFile->count(); ++i) {
        if (!lstOutFile->item(i)->isSelected())
            continue;
        const std::string host =
            qb::platform::ToHostPath(lstOutFile->item(i)->text().toStdString());
        if (!host.empty())
            urls << QUrl::fromLocalFile(QString::fromStdString(host));
    }
    auto* data = new QMimeData;
    data->setUrls(urls);
    return data;
}

void mdiOutFile::SetFontData()
{
    ApplySharedFont({lstOutFile});
    Form_Resize();
}

void mdiOutFile::SetToolTip(bool on)
{
    lstOutFile->setToolTip(on ? Msg(kTipOutFile) : QString());
}

void mdiOutFile::Form_Load()
{
    LoadPosition();
    SetFontData();
    setWindowTitle(Msg(kCaptionOutFile));
    mnuDel->setText(Shared(kSharedMenuClear));
    mnuRefresh->setText(QStringLiteral("リフレッシュ"));
    mnuAll->setText(Shared(kSharedMenuSelectAll));
    mnuClear->setText(Shared(kSharedMenuSelectNone));
    SetToolTip(host()->ProgramOptions().Tip);
}

void mdiOutFile::Form_Resize()
{
    LayOutList(lstOutFile);
}
