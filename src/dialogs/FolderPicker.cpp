#include "FolderPicker.h"

#include "dialogs/FolderWatch.h"
#include "platform/CurrentDir.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"

#include <QApplication>
#include <QKeyEvent>
#include <QStyle>

namespace {

// The on-disk drive form of a folder in any form the platform accepts ("" when there is none).
QString onDiskFolder(const QString& path)
{
    const std::string text = path.toStdString();
    const std::string host = qb::platform::ResolveHostPath(text);
    if (host.empty())
        return {};
    return QString::fromStdString(qb::platform::ToDrivePath(host));
}

bool isBareDrive(const QString& text)
{
    // "c:" alone or the drive list's "c: [/root]" form: that drive's current folder.
    return text.size() >= 2 && text[1] == QLatin1Char(':') && text[0].isLetter() &&
           (text.size() == 2 || text[2] == QLatin1Char(' '));
}

}  // namespace

// ---- DriveList --------------------------------------------------------------------------------

DriveList::DriveList(QWidget* parent) : QComboBox(parent)
{
    Refresh();
    // activated is raised only by the user's choice, never by SetDrive.
    connect(this, &QComboBox::activated, this, [this](int) {
        if (onChange)
            onChange();
    });
}

QString DriveList::Drive() const
{
    return currentText();
}

bool DriveList::SetDrive(const QString& drive)
{
    if (drive.size() < 2 || drive[1] != QLatin1Char(':'))
        return false;
    const QChar letter = drive[0].toLower();
    for (int i = 0; i < count(); ++i) {
        if (itemText(i).at(0) == letter) {
            setCurrentIndex(i);
            return true;
        }
    }
    return false;
}

void DriveList::Refresh()
{
    const QString keep = currentText();
    const QSignalBlocker block(this);
    clear();
    for (const auto& drive : qb::platform::Drives()) {
        const QChar letter = QChar::fromLatin1(drive.letter).toLower();
        addItem(QStringLiteral("%1: [%2]").arg(letter).arg(QString::fromStdString(drive.root)));
    }
    if (!keep.isEmpty())
        SetDrive(keep);
}

void DriveList::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        if (onEnter)
            onEnter();
        return;
    }
    QComboBox::keyPressEvent(event);
}

// ---- FolderList -------------------------------------------------------------------------------

namespace {

// The names of the subfolders a folder list shows: hidden (dot) folders stay out.
QStringList listedSubfolders(const QString& path)
{
    QStringList names;
    for (const auto& entry : qb::platform::ListFolder(path.toStdString()))
        if (entry.isFolder && !entry.isHidden)
            names << QString::fromStdString(entry.name);
    return names;
}

}  // namespace

FolderList::FolderList(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    m_watch = new qb::ui::FolderWatch(this, [this] { followDisk(); });
    connect(this, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { openEntry(row(item) - m_currentRow - 1); });
}

QString FolderList::Path() const
{
    return m_path;
}

bool FolderList::SetPath(const QString& path)
{
    QString target = path;
    if (isBareDrive(path)) {
        const std::string current = qb::platform::CurrentDirectory(path[0].toUpper().toLatin1());
        if (current.empty())
            return false;
        target = QString::fromStdString(current);
    }
    const QString folder = onDiskFolder(target);
    if (folder.isEmpty() || !qb::platform::IsFolder(folder.toStdString()) ||
        !qb::platform::CanEnterFolder(folder.toStdString()))
        return false;
    const bool changed = folder != m_path;
    m_path = folder;
    fill();
    if (changed && onChange)
        onChange();
    return true;
}

void FolderList::Refresh()
{
    // The current folder may have been removed meanwhile: keep the nearest one that exists.
    QString path = m_path;
    while (path.size() > 3 && !qb::platform::IsFolder(path.toStdString())) {
        const int cut = path.lastIndexOf(QLatin1Char('\\'));
        path = cut <= 2 ? path.left(3) : path.left(cut);
    }
    if (path != m_path && SetPath(path))
        return;
    fill();
}

int FolderList::ListIndex() const
{
    const int r = currentRow();
    return r < 0 ? -1 : r - m_currentRow - 1;
}

int FolderList::ListCount() const
{
    return count() - m_currentRow - 1;
}

QString FolderList::EntryPath(int index) const
{
    const int r = index + m_currentRow + 1;
    if (r < 0 || r >= count())
        return {};
    return item(r)->data(Qt::UserRole).toString();
}

void FolderList::fill()
{
    const QSignalBlocker block(this);
    clear();
    if (m_path.isEmpty()) {
        m_currentRow = -1;
        return;
    }
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);

    // The root, each folder on the way down, and the current folder itself.
    const QString root = m_path.left(3);
    const QStringList parts = m_path.mid(3).split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    QString path = root;
    auto addRow = [this](const QIcon& icon, const QString& text, const QString& entry, int level) {
        auto* row = new QListWidgetItem(icon, QString(level * 2, QLatin1Char(' ')) + text, this);
        row->setData(Qt::UserRole, entry);
    };
    addRow(open, root.toLower(), root, 0);
    for (int i = 0; i < parts.size(); ++i) {
        path = (i == 0 ? root : path + QLatin1Char('\\')) + parts[i];
        addRow(open, parts[i], path, i + 1);
    }
    m_currentRow = parts.size();

    // Then its subfolders. Dot-folders are hidden ones and stay out of the list, as hidden
    // folders do in a folder list.
    const QString prefix = m_path.endsWith(QLatin1Char('\\')) ? m_path : m_path + QLatin1Char('\\');
    m_subfolders = listedSubfolders(m_path);
    for (const QString& name : m_subfolders)
        addRow(closed, name, prefix + name, parts.size() + 1);
    setCurrentRow(m_currentRow);
    m_watch->Watch(m_path);
}

void FolderList::followDisk()
{
    if (m_path.isEmpty())
        return;
    if (qb::platform::IsFolder(m_path.toStdString()) && listedSubfolders(m_path) == m_subfolders)
        return;
    // Re-read, keeping the entry the user had highlighted when it is still there.
    const QString highlighted = EntryPath(ListIndex());
    const QString before = m_path;
    Refresh();
    if (m_path != before || highlighted.isEmpty())
        return;
    for (int r = 0; r < count(); ++r) {
        if (item(r)->data(Qt::UserRole).toString() == highlighted) {
            const QSignalBlocker block(this);
            setCurrentRow(r);
            break;
        }
    }
}

void FolderList::openEntry(int index)
{
    const QString target = EntryPath(index);
    if (!target.isEmpty())
        SetPath(target);
}

void FolderList::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        openEntry(ListIndex());
        return;
    case Qt::Key_Backspace:
        event->accept();
        openEntry(ListIndex() - 1);
        return;
    default:
        QListWidget::keyPressEvent(event);
    }
}
