#include "mdiInFile.h"

#include "common/basQuill.h"
#include "dialogs/FolderWatch.h"
#include "engine/Options.h"
#include "engine/PaneStart.h"
#include "panes/PaintNow.h"
#include "panes/mdiFile.h"
#include "panes/mdiInDir.h"
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

mdiInFile::mdiInFile(FormHost* host, QWidget* parent)
    : PaneBase(host, "mdiInFile", "InFile", parent)
{
    SetDesignedTwips(QRectF(0, 2200, 4000, 2200));
    lstDir = new QListWidget(this);
    lstDir->setObjectName(QStringLiteral("lstDir"));
    lstDir->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstDir->setUniformItemSizes(true);
    btnAdd = new QPushButton(this);
    btnAdd->setObjectName(QStringLiteral("btnAdd"));
    btnAddAll = new QPushButton(this);
    btnAddAll->setObjectName(QStringLiteral("btnAddAll"));
    btnAddAllAll = new QPushButton(this);
    btnAddAllAll->setObjectName(QStringLiteral("btnAddAllAll"));
    btnAdd->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    btnAddAll->setIcon(style()->standardIcon(QStyle::SP_MediaSkipForward));
    btnAddAllAll->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    connect(btnAdd, &QPushButton::clicked, this, [this] { btnAdd_Click(); });
    connect(btnAddAll, &QPushButton::clicked, this, [this] { btnAddAll_Click(); });
    connect(btnAddAllAll, &QPushButton::clicked, this, [this] { btnAddAllAll_Click(); });
    connect(lstDir, &QListWidget::itemDoubleClicked, this, [this] { lstDir_DblClick(); });

    mnuPopup = NewPopup();
    mnuRefresh = AddPopupItem("mnuRefresh", [this] { RefreshForm(); });
    mnuAll = AddPopupItem("mnuAll", [this] { SelectAll(); });
    mnuClear = AddPopupItem("mnuClear", [this] { SelectClear(); });

    WatchRightButton(lstDir);
    lstDir->installEventFilter(this);
    m_dir = qb::panes::FallbackFolder();
    m_watch = new qb::ui::FolderWatch(lstDir, [this] { FollowDisk(); });
}

QString mdiInFile::DirName() const
{
    return QString::fromStdString(basQuill::OnDiskPath(m_dir.toStdString()));
}

void mdiInFile::SetDirName(const QString& strDirName)
{
    // A folder that cannot be read leaves the working folder in its place.
    m_dir =
        qb::platform::IsFolder(strDirName.toStdString()) ? strDirName : qb::panes::FallbackFolder();
    RefreshForm();
}

void mdiInFile::RefreshForm()
{
    LoadSubfolders();
    qb::panes::PaintNow(lstDir->viewport());
    SelectClear();
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

void mdiInFile::LoadSubfolders()
{
    lstDir->clear();
    m_names = subfolderNames(m_dir);
    lstDir->addItems(m_names);
    m_watch->Watch(m_dir);
}

void mdiInFile::FollowDisk()
{
    const QStringList names = subfolderNames(m_dir);
    if (names == m_names)
        return;
    QSet<QString> selected;
    for (const QListWidgetItem* item : lstDir->selectedItems())
        selected.insert(item->text());
    const QString current = lstDir->currentItem() ? lstDir->currentItem()->text() : QString();
    const int top = lstDir->verticalScrollBar()->value();
    LoadSubfolders();
    for (int i = 0; i < lstDir->count(); ++i) {
        QListWidgetItem* item = lstDir->item(i);
        if (item->text() == current)
            lstDir->setCurrentItem(item, QItemSelectionModel::NoUpdate);
        item->setSelected(selected.contains(item->text()));
    }
    lstDir->verticalScrollBar()->setValue(top);
}

void mdiInFile::SelectAll()
{
    qb::panes::SetAllSelected(lstDir, true);
}
void mdiInFile::SelectClear()
{
    qb::panes::SetAllSelected(lstDir, false);
}

QString mdiInFile::FullPath(const QString& name) const
{
    return QString::fromStdString(
        basQuill::OnDiskPath((withBackslash(m_dir) + name).toStdString()));
}

void mdiInFile::addNames(bool selectedOnly)
{
    {
        BusyPointer busy;
        mdiFile* targets = host()->File();
        const int count = lstDir->count();
        for (int i = 0; i < count && targets; ++i) {
            QListWidgetItem* item = lstDir->item(i);
            if (selectedOnly && !item->isSelected())
                continue;
            const QString path = FullPath(item->text());
            if (!path.isEmpty() && !targets->ListInAdd(path))
                break;  // the list is full; this name keeps its selection
            item->setSelected(false);
        }
    }
    host()->BtnEnabledChange();
}

void mdiInFile::btnAdd_Click()
{
    addNames(true);
}
void mdiInFile::btnAddAll_Click()
{
    addNames(false);
}

void mdiInFile::btnAddAllAll_Click()
{
    {
        BusyPointer busy;
        mdiFile* targets = host()->File();
        bool full = false;
        for (int i = 0; i < lstDir->count() && targets && !full; ++i) {
            for (const QString& sub : subfolders(withBackslash(m_dir) + lstDir->item(i)->text())) {
                const QString path =
                    QString::fromStdString(basQuill::OnDiskPath(sub.toStdString()));
                if (path.isEmpty())
                    continue;
                if (!targets->ListInAdd(path)) {
                    full = true;
                    break;
                }
            }
        }
        SelectClear();
    }
    host()->BtnEnabledChange();
}

void mdiInFile::lstDir_DblClick()
{
    for (int i = 0; i < lstDir->count(); ++i) {
        if (!lstDir->item(i)->isSelected())
            continue;
        const QString path = FullPath(lstDir->item(i)->text());
        if (!path.isEmpty()) {
            if (mdiInDir* inDir = host()->InDir())
                inDir->SetDirName(path);
            return;
        }
    }
}

bool mdiInFile::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lstDir && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (mdiFile* targets = host()->File())
                targets->lstFile->setFocus();
            return true;
        }
    }
    return PaneBase::eventFilter(watched, event);
}

void mdiInFile::SetFontData()
{
    ApplySharedFont({lstDir, btnAdd, btnAddAll});
    Form_Resize();
}

void mdiInFile::SetToolTip(bool on)
{
    lstDir->setToolTip(on ? Msg(kTipInFileList) : QString());
    btnAdd->setToolTip(on ? Msg(kTipInFileAdd) : QString());
    btnAddAll->setToolTip(on ? Msg(kTipInFileAddAll) : QString());
    btnAddAllAll->setToolTip(on ? Msg(kTipInFileAddSubfolders) : QString());
}

void mdiInFile::Form_Load()
{
    LoadPosition();
    SetFontData();
    setWindowTitle(Msg(kCaptionInFile));
    mnuRefresh->setText(Shared(kSharedMenuRefresh));
    mnuAll->setText(Shared(kSharedMenuSelectAll));
    mnuClear->setText(Shared(kSharedMenuSelectNone));
    SetToolTip(host()->ProgramOptions().Tip);
    m_dir = qb::panes::FallbackFolder();
}

void mdiInFile::Form_Resize()
{
    const double top = LayOutList(lstDir, kButtonHeight);
    if (top < 0)
        return;
    const double allLeft = kButtonWidth + 120;
    btnAdd->setGeometry(PxX(60), PxY(top), PxX(kButtonWidth), PxY(kButtonHeight));
    btnAddAll->setGeometry(PxX(allLeft), PxY(top), PxX(kButtonWidth), PxY(kButtonHeight));
    btnAddAllAll->setGeometry(PxX(allLeft + kButtonWidth + 60), PxY(top), PxX(kButtonWidth),
                              PxY(kButtonHeight));
}
