#include "SubfolderListPane.h"

#include "common/PathHelpers.h"
#include "dialogs/FolderWatch.h"
#include "engine/Options.h"
#include "engine/PaneStart.h"
#include "engine/TargetList.h"
#include "panes/PaintNow.h"
#include "platform/FileSystem.h"

#include <QApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSet>
#include <QStyle>

using qb::panes::kButtonHeight;
using qb::panes::kButtonWidth;
using qb::panes::Msg;
using qb::panes::Shared;

namespace {

QString withBackslash(const QString& dir)
{
    return dir.endsWith(QLatin1Char('\\')) ? dir : dir + QLatin1Char('\\');
}

// The direct subfolders of a folder as full paths, sorted by name.
QStringList subfolders(const QString& dir)
{
    QStringList out;
    for (const auto& entry : qb::platform::ListFolder(dir.toStdString()))
        if (entry.isFolder && !entry.isHidden)
            out << withBackslash(dir) + QString::fromStdString(entry.name);
    return out;
}

// The pointer shows the hourglass while an add runs, and comes back on every way out.
struct BusyPointer {
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

SubfolderListPane::SubfolderListPane(PaneHost* host, const qb::engine::Options& options,
                                     qb::engine::TargetList& targets, QWidget* parent)
    : PaneBase(host, options, "SubfolderListPane", "InFile", parent), m_targets(targets),
      m_messages(this)
{
    SetDesignedTwips(QRectF(0, 2200, 4000, 2200));
    subfolderList = new QListWidget(this);
    subfolderList->setObjectName(QStringLiteral("subfolderList"));
    subfolderList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    subfolderList->setUniformItemSizes(true);
    addSelectedButton = new QPushButton(this);
    addSelectedButton->setObjectName(QStringLiteral("addSelectedButton"));
    addAllButton = new QPushButton(this);
    addAllButton->setObjectName(QStringLiteral("addAllButton"));
    addSubfoldersButton = new QPushButton(this);
    addSubfoldersButton->setObjectName(QStringLiteral("addSubfoldersButton"));
    addSelectedButton->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    addAllButton->setIcon(style()->standardIcon(QStyle::SP_MediaSkipForward));
    addSubfoldersButton->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    connect(addSelectedButton, &QPushButton::clicked, this, [this] { AddSelected(); });
    connect(addAllButton, &QPushButton::clicked, this, [this] { AddAll(); });
    connect(addSubfoldersButton, &QPushButton::clicked, this, [this] { AddAllSubfolders(); });
    connect(subfolderList, &QListWidget::itemDoubleClicked, this, [this] { OpenSelectedSubfolder(); });

    popupMenu = NewPopup();
    refreshAction = AddPopupItem("refreshAction", [this] { Reload(); });
    selectAllAction = AddPopupItem("selectAllAction", [this] { SelectAll(); });
    selectNoneAction = AddPopupItem("selectNoneAction", [this] { SelectNone(); });

    WatchRightButton(subfolderList);
    subfolderList->installEventFilter(this);
    m_dir = qb::panes::FallbackFolder();
    m_watch = new qb::ui::FolderWatch(subfolderList, [this] { FollowDisk(); });
}

QString SubfolderListPane::Folder() const
{
    return QString::fromStdString(PathHelpers::OnDiskPath(m_dir.toStdString()));
}

void SubfolderListPane::SetFolder(const QString& folder)
{
    // A folder that cannot be read leaves the working folder in its place.
    m_dir =
        qb::platform::IsFolder(folder.toStdString()) ? folder : qb::panes::FallbackFolder();
    Reload();
}

void SubfolderListPane::Reload()
{
    LoadSubfolders();
    qb::panes::PaintNow(subfolderList->viewport());
    SelectNone();
}

namespace {

QStringList subfolderNames(const QString& dir)
{
    QStringList names;
    for (const QString& path : subfolders(dir)) {
        if (path.endsWith(QLatin1Char('\\')))
            continue;
        names << path.mid(path.lastIndexOf(QLatin1Char('\\')) + 1);
    }
    return names;
}

}  // namespace

void SubfolderListPane::LoadSubfolders()
{
    subfolderList->clear();
    m_names = subfolderNames(m_dir);
    subfolderList->addItems(m_names);
    m_watch->Watch(m_dir);
}

void SubfolderListPane::FollowDisk()
{
    const QStringList names = subfolderNames(m_dir);
    if (names == m_names)
        return;
    QSet<QString> selected;
    for (const QListWidgetItem* item : subfolderList->selectedItems())
        selected.insert(item->text());
    const QString current = subfolderList->currentItem() ? subfolderList->currentItem()->text() : QString();
    const int top = subfolderList->verticalScrollBar()->value();
    LoadSubfolders();
    for (int i = 0; i < subfolderList->count(); ++i) {
        QListWidgetItem* item = subfolderList->item(i);
        if (item->text() == current)
            subfolderList->setCurrentItem(item, QItemSelectionModel::NoUpdate);
        item->setSelected(selected.contains(item->text()));
    }
    subfolderList->verticalScrollBar()->setValue(top);
}

void SubfolderListPane::SelectAll()
{
    qb::panes::SetAllSelected(subfolderList, true);
}
void SubfolderListPane::SelectNone()
{
    qb::panes::SetAllSelected(subfolderList, false);
}

QString SubfolderListPane::FullPath(const QString& name) const
{
    return QString::fromStdString(
        PathHelpers::OnDiskPath((withBackslash(m_dir) + name).toStdString()));
}

void SubfolderListPane::addNames(bool selectedOnly)
{
    {
        BusyPointer busy;
        const int count = subfolderList->count();
        for (int i = 0; i < count; ++i) {
            QListWidgetItem* item = subfolderList->item(i);
            if (selectedOnly && !item->isSelected())
                continue;
            const QString path = FullPath(item->text());
            if (!path.isEmpty() &&
                !qb::engine::AddTarget(m_targets, path.toStdString(), m_messages))
                break;  // the list is full; this name keeps its selection
            item->setSelected(false);
        }
    }
    emit TargetsAdded();
}

void SubfolderListPane::AddSelected()
{
    addNames(true);
}
void SubfolderListPane::AddAll()
{
    addNames(false);
}

void SubfolderListPane::AddAllSubfolders()
{
    {
        BusyPointer busy;
        bool full = false;
        for (int i = 0; i < subfolderList->count() && !full; ++i) {
            for (const QString& sub : subfolders(withBackslash(m_dir) + subfolderList->item(i)->text())) {
                const QString path =
                    QString::fromStdString(PathHelpers::OnDiskPath(sub.toStdString()));
                if (path.isEmpty())
                    continue;
                if (!qb::engine::AddTarget(m_targets, path.toStdString(), m_messages)) {
                    full = true;
                    break;
                }
            }
        }
        SelectNone();
    }
    emit TargetsAdded();
}

void SubfolderListPane::OpenSelectedSubfolder()
{
    for (int i = 0; i < subfolderList->count(); ++i) {
        if (!subfolderList->item(i)->isSelected())
            continue;
        const QString path = FullPath(subfolderList->item(i)->text());
        if (!path.isEmpty()) {
            emit SubfolderOpened(path);
            return;
        }
    }
}

bool SubfolderListPane::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == subfolderList && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            emit ReturnPressed();
            return true;
        }
    }
    return PaneBase::eventFilter(watched, event);
}

void SubfolderListPane::SetFontData()
{
    ApplySharedFont({subfolderList, addSelectedButton, addAllButton});
    LayOutControls();
}

void SubfolderListPane::SetToolTip(bool on)
{
    subfolderList->setToolTip(on ? Msg(kTipSubfolderList) : QString());
    addSelectedButton->setToolTip(on ? Msg(kTipSubfolderAdd) : QString());
    addAllButton->setToolTip(on ? Msg(kTipSubfolderAddAll) : QString());
    addSubfoldersButton->setToolTip(on ? Msg(kTipSubfolderAddSubfolders) : QString());
}

void SubfolderListPane::Initialize()
{
    LoadPosition();
    SetFontData();
    setWindowTitle(Msg(kCaptionSubfolderList));
    refreshAction->setText(Shared(kSharedMenuRefresh));
    selectAllAction->setText(Shared(kSharedMenuSelectAll));
    selectNoneAction->setText(Shared(kSharedMenuSelectNone));
    SetToolTip(ProgramOptions().ShowTooltips);
    m_dir = qb::panes::FallbackFolder();
}

void SubfolderListPane::LayOutControls()
{
    const double top = LayOutList(subfolderList, kButtonHeight);
    if (top < 0)
        return;
    const double allLeft = kButtonWidth + 120;
    addSelectedButton->setGeometry(PxX(60), PxY(top), PxX(kButtonWidth), PxY(kButtonHeight));
    addAllButton->setGeometry(PxX(allLeft), PxY(top), PxX(kButtonWidth), PxY(kButtonHeight));
    addSubfoldersButton->setGeometry(PxX(allLeft + kButtonWidth + 60), PxY(top), PxX(kButtonWidth),
                              PxY(kButtonHeight));
}
