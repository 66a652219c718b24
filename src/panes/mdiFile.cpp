#include "mdiFile.h"

#include "common/basQuill.h"
#include "engine/Options.h"
#include "panes/TrashIcons.h"
#include "panes/mdiInDir.h"
#include "panes/mdiOutDir.h"
#include "platform/Drives.h"

#include <QDropEvent>
#include <QKeyEvent>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QUrl>

#include "dialogs/FolderPicker.h"

using qb::panes::kButtonHeight;
using qb::panes::kButtonWidth;
using qb::panes::Msg;
using qb::panes::Shared;

mdiFile::mdiFile(FormHost* host, QWidget* parent)
    : PaneBase(host, "mdiFile", "File", parent), m_messages(this)
{
    SetDesignedTwips(QRectF(0, 4400, 4000, 2200));
    lstFile = new QListWidget(this);
    lstFile->setObjectName(QStringLiteral("lstFile"));
    lstFile->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstFile->setUniformItemSizes(true);
    lstFile->setAcceptDrops(true);
    lstFile->viewport()->setAcceptDrops(true);
    lstFile->viewport()->installEventFilter(this);
    lstFile->installEventFilter(this);

    btnDel = new QPushButton(this);
    btnDel->setObjectName(QStringLiteral("btnDel"));
    btnDel->setIcon(qb::panes::TrashIcon(false));
    btnDelAll = new QPushButton(this);
    btnDelAll->setObjectName(QStringLiteral("btnDelAll"));
    btnDelAll->setIcon(qb::panes::TrashIcon(true));
    connect(btnDel, &QPushButton::clicked, this, [this] { btnDel_Click(); });
    connect(btnDelAll, &QPushButton::clicked, this, [this] { btnDelAll_Click(); });

    mnuPopup = NewPopup();
    mnuAll = AddPopupItem("mnuAll", [this] { SelectAll(); });
    mnuClear = AddPopupItem("mnuClear", [this] { SelectClear(); });
    mnuOutCopy = AddPopupItem("mnuOutCopy", [this] { mnuOutCopy_Click(); });
    mnuInCopy = AddPopupItem("mnuInCopy", [this] { mnuInCopy_Click(); });

    WatchRightButton(lstFile);
}

int mdiFile::Count() const
{
    return lstFile->count();
}

std::string mdiFile::Item(int index) const
{
    const QListWidgetItem* item = lstFile->item(index);
    return item ? item->text().toStdString() : std::string();
}

void mdiFile::Append(const std::string& path)
{
    lstFile->addItem(QString::fromStdString(path));
}

void mdiFile::Clear()
{
    lstFile->clear();
}

bool mdiFile::ListInAdd(const QString& name)
{
    return qb::engine::ListInAdd(*this, name.toStdString(), m_messages);
}

bool mdiFile::Gaibu_ListInAdd(const QString& path)
{
    return qb::engine::Gaibu_ListInAdd(*this, path.toStdString(), m_messages);
}

void mdiFile::RefreshForm()
{
    lstFile->clear();
}

void mdiFile::SelectAll()
{
    qb::panes::SetAllSelected(lstFile, true);
}
void mdiFile::SelectClear()
{
    qb::panes::SetAllSelected(lstFile, false);
}

void mdiFile::btnDel_Click()
{
    int i = 0;
    while (i < lstFile->count()) {
        if (lstFile->item(i)->isSelected())
            delete lstFile->takeItem(i);
        else
            ++i;
    }
    host()->BtnEnabledChange();
}

void mdiFile::btnDelAll_Click()
{
    lstFile->clear();
    host()->BtnEnabledChange();
}

QString mdiFile::GetFirstSelected() const
{
    for (int i = 0; i < lstFile->count(); ++i)
        if (lstFile->item(i)->isSelected())
            return lstFile->item(i)->text();
    return {};
}

void mdiFile::mnuInCopy_Click()
{
    const QString first = GetFirstSelected();
    if (first.isEmpty())
        return;
    if (mdiInDir* pane = host()->InDir())
        pane->SetDirName(QString::fromStdString(basQuill::ParentFolder(first.toStdString())));
}

void mdiFile::mnuOutCopy_Click()
{
    const QString first = GetFirstSelected();
    if (first.isEmpty())
        return;
    if (mdiOutDir* pane = host()->OutDir())
        pane->SetDirName(QString::fromStdString(basQuill::ParentFolder(first.toStdString())));
}

void mdiFile::DropPaths(const QStringList& paths)
{
    for (const QString& path : paths) {
        // File managers hand over host paths; the list speaks drive paths.
        const QString drivePath =
            path.startsWith(QLatin1Char('/'))
                ? QString::fromStdString(qb::platform::ToDrivePath(path.toStdString()))
                : path;
        if (drivePath.isEmpty())
            continue;
        if (!Gaibu_ListInAdd(drivePath))
            break;
    }
    host()->BtnEnabledChange();
}

bool mdiFile::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lstFile->viewport()) {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDropEvent*>(event);
            if (drag->mimeData() && drag->mimeData()->hasUrls()) {
                drag->setDropAction(Qt::CopyAction);
                drag->accept();
            } else {
                drag->ignore();
            }
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            QStringList paths;
            if (drop->mimeData() && drop->mimeData()->hasUrls())
                for (const QUrl& url : drop->mimeData()->urls())
                    if (url.isLocalFile())
                        paths << url.toLocalFile();
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
            // The file manager waits for the drop to return; the folders are added just after
            // it, so that the message of a full list never leaves the other program hanging.
            QTimer::singleShot(0, this, [this, paths] { DropPaths(paths); });
            return true;
        }
        default:
            break;
        }
    }
    if (watched == lstFile && event->type() == QEvent::KeyPress) {
        const auto* keyEvent = static_cast<QKeyEvent*>(event);
        const int key = keyEvent->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (mdiOutDir* out = host()->OutDir())
                out->drvDrive->setFocus();
            return true;
        }
        // Delete removes the selected targets, as the remove button does; with Ctrl or Alt it
        // is some other command's key and passes on.
        if (key == Qt::Key_Delete &&
            !(keyEvent->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
            btnDel_Click();
            return true;
        }
    }
    return PaneBase::eventFilter(watched, event);
}

void mdiFile::SetFontData()
{
    ApplySharedFont({lstFile, btnDel, btnDelAll});
    Form_Resize();
}

void mdiFile::SetToolTip(bool on)
{
    lstFile->setToolTip(on ? Msg(kTipTargetList) : QString());
    btnDel->setToolTip(on ? Msg(kTipTargetRemove) : QString());
    btnDelAll->setToolTip(on ? Msg(kTipTargetRemoveAll) : QString());
}

void mdiFile::Form_Load()
{
    LoadPosition();
    SetFontData();
    setWindowTitle(Msg(kCaptionTargets));
    mnuAll->setText(Shared(kSharedMenuSelectAll));
    mnuClear->setText(Shared(kSharedMenuSelectNone));
    mnuOutCopy->setText(Msg(kMenuTargetSameOutDir));
    mnuInCopy->setText(Msg(kMenuTargetSameInDir));
    SetToolTip(host()->ProgramOptions().Tip);
}

void mdiFile::Form_Resize()
{
    const double top = LayOutList(lstFile, kButtonHeight);
    if (top < 0)
        return;
    btnDel->setGeometry(PxX(60), PxY(top), PxX(kButtonWidth), PxY(kButtonHeight));
    btnDelAll->setGeometry(PxX(kButtonWidth + 120), PxY(top), PxX(kButtonWidth),
                           PxY(kButtonHeight));
}
