#include "TargetListPane.h"

#include "common/PathHelpers.h"
#include "engine/Options.h"
#include "panes/PaintNow.h"
#include "panes/TrashIcons.h"
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

TargetListPane::TargetListPane(PaneHost* host, const qb::engine::Options& options,
                               qb::engine::TargetList& targets, QWidget* parent)
    : PaneBase(host, options, "TargetListPane", "File", parent), m_targets(targets),
      m_messages(this)
{
    SetDesignedTwips(QRectF(0, 4400, 4000, 2200));
    targetList = new QListWidget(this);
    targetList->setObjectName(QStringLiteral("targetList"));
    targetList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    targetList->setUniformItemSizes(true);
    targetList->setAcceptDrops(true);
    targetList->viewport()->setAcceptDrops(true);
    targetList->viewport()->installEventFilter(this);
    targetList->installEventFilter(this);

    removeButton = new QPushButton(this);
    removeButton->setObjectName(QStringLiteral("removeButton"));
    removeButton->setIcon(qb::panes::TrashIcon(false));
    removeAllButton = new QPushButton(this);
    removeAllButton->setObjectName(QStringLiteral("removeAllButton"));
    removeAllButton->setIcon(qb::panes::TrashIcon(true));
    connect(removeButton, &QPushButton::clicked, this, [this] { RemoveSelected(); });
    connect(removeAllButton, &QPushButton::clicked, this, [this] { RemoveAll(); });

    popupMenu = NewPopup();
    selectAllAction = AddPopupItem("selectAllAction", [this] { SelectAll(); });
    selectNoneAction = AddPopupItem("selectNoneAction", [this] { SelectNone(); });
    toOutputFolderAction = AddPopupItem("toOutputFolderAction", [this] { CopyParentToOutputPane(); });
    toSourceFolderAction = AddPopupItem("toSourceFolderAction", [this] { CopyParentToSourcePane(); });

    WatchRightButton(targetList);

    for (int i = 0; i < m_targets.Count(); ++i)
        TargetAdded(i);
    m_targets.SetWatcher(this);
}

void TargetListPane::TargetAdded(int index)
{
    targetList->addItem(QString::fromStdString(m_targets.Item(index)));
}

void TargetListPane::TargetRemoved(int index)
{
    delete targetList->takeItem(index);
}

void TargetListPane::TargetsCleared()
{
    targetList->clear();
}

void TargetListPane::TargetStateChanged(int index)
{
    using qb::engine::TargetState;
    QListWidgetItem* item = targetList->item(index);
    switch (m_targets.State(index)) {
    case TargetState::Pending:
        // From here on a selected item is a folder not yet packed.
        item->setSelected(true);
        break;
    case TargetState::Packing:
        // The folder being packed shows at the top, drawn before its archive is made.
        targetList->scrollToItem(item, QAbstractItemView::PositionAtTop);
        qb::panes::PaintNow(targetList->viewport());
        break;
    case TargetState::Packed:
        item->setSelected(false);
        qb::panes::PaintNow(targetList->viewport());
        break;
    case TargetState::Failed:
        break;  // keeps its mark: it stays on the list
    case TargetState::Listed:
        item->setSelected(false);  // the run is over, and so are its marks
        break;
    }
}

bool TargetListPane::AddTarget(const QString& name)
{
    return qb::engine::AddTarget(m_targets, name.toStdString(), m_messages);
}

bool TargetListPane::AddOutsidePath(const QString& path)
{
    return qb::engine::AddOutsidePath(m_targets, path.toStdString(), m_messages);
}


void TargetListPane::SelectAll()
{
    qb::panes::SetAllSelected(targetList, true);
}
void TargetListPane::SelectNone()
{
    qb::panes::SetAllSelected(targetList, false);
}

void TargetListPane::RemoveSelected()
{
    int i = 0;
    while (i < targetList->count()) {
        if (targetList->item(i)->isSelected())
            m_targets.RemoveAt(i);
        else
            ++i;
    }
    emit ListEdited();
}

void TargetListPane::RemoveAll()
{
    m_targets.Clear();
    emit ListEdited();
}

QString TargetListPane::GetFirstSelected() const
{
    for (int i = 0; i < targetList->count(); ++i)
        if (targetList->item(i)->isSelected())
            return QString::fromStdString(m_targets.Item(i));
    return {};
}

void TargetListPane::CopyParentToSourcePane()
{
    const QString first = GetFirstSelected();
    if (first.isEmpty())
        return;
    emit SourceFolderChosen(QString::fromStdString(PathHelpers::ParentFolder(first.toStdString())));
}

void TargetListPane::CopyParentToOutputPane()
{
    const QString first = GetFirstSelected();
    if (first.isEmpty())
        return;
    emit OutputFolderChosen(QString::fromStdString(PathHelpers::ParentFolder(first.toStdString())));
}

void TargetListPane::DropPaths(const QStringList& paths)
{
    for (const QString& path : paths) {
        // File managers hand over host paths; the list speaks drive paths.
        const QString drivePath =
            path.startsWith(QLatin1Char('/'))
                ? QString::fromStdString(qb::platform::ToDrivePath(path.toStdString()))
                : path;
        if (drivePath.isEmpty())
            continue;
        if (!AddOutsidePath(drivePath))
            break;
    }
    emit ListEdited();
}

bool TargetListPane::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == targetList->viewport()) {
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
    if (watched == targetList && event->type() == QEvent::KeyPress) {
        const auto* keyEvent = static_cast<QKeyEvent*>(event);
        const int key = keyEvent->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            emit ReturnPressed();
            return true;
        }
        // Delete removes the selected targets, as the remove button does; with Ctrl or Alt it
        // is some other command's key and passes on.
        if (key == Qt::Key_Delete &&
            !(keyEvent->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
            RemoveSelected();
            return true;
        }
    }
    return PaneBase::eventFilter(watched, event);
}

void TargetListPane::SetFontData()
{
    ApplySharedFont({targetList, removeButton, removeAllButton});
    LayOutControls();
}

void TargetListPane::SetToolTip(bool on)
{
    targetList->setToolTip(on ? Msg(kTipTargetList) : QString());
    removeButton->setToolTip(on ? Msg(kTipTargetRemove) : QString());
    removeAllButton->setToolTip(on ? Msg(kTipTargetRemoveAll) : QString());
}

void TargetListPane::Initialize()
{
    LoadPosition();
    SetFontData();
    setWindowTitle(Msg(kCaptionTargets));
    selectAllAction->setText(Shared(kSharedMenuSelectAll));
    selectNoneAction->setText(Shared(kSharedMenuSelectNone));
    toOutputFolderAction->setText(Msg(kMenuTargetCopyToOutput));
    toSourceFolderAction->setText(Msg(kMenuTargetCopyToSource));
    SetToolTip(ProgramOptions().ShowTooltips);
}

void TargetListPane::LayOutControls()
{
    const double top = LayOutList(targetList, kButtonHeight);
    if (top < 0)
        return;
    removeButton->setGeometry(PxX(60), PxY(top), PxX(kButtonWidth), PxY(kButtonHeight));
    removeAllButton->setGeometry(PxX(kButtonWidth + 120), PxY(top), PxX(kButtonWidth),
                           PxY(kButtonHeight));
}
