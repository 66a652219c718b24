#pragma once
// The drive list and folder list of the folder-choosing windows, on the drive table.
//
// DriveList shows every drive of the table as "c: [/host/root]"; its Drive() is that text,
// which begins with the drive letter and colon.
//
// FolderList shows, top to bottom, the drive root, each folder down to the current one, the
// current folder (open), then its subfolders. Entries are indexed relative to the current
// folder: -1 is the current folder, -2 its parent and so on up to the root; the subfolders are
// 0 .. n-1. Setting the path to a folder that cannot be shown fails and changes nothing.
// The list follows the disk: subfolders created, removed or renamed outside the program show up
// (or go) by themselves, keeping the highlighted entry; when the current folder itself goes,
// the nearest folder above it that still exists becomes current.

#include <QComboBox>
#include <QListWidget>
#include <QString>

#include <functional>

namespace qb::ui {
class FolderWatch;
}

class DriveList : public QComboBox {
    Q_OBJECT
public:
    explicit DriveList(QWidget* parent = nullptr);

    QString Drive() const;  // "c: [/host/root]", "" when none
    // Selects the drive whose letter begins drive; false for an unknown drive.
    bool SetDrive(const QString& drive);
    void Refresh();  // re-reads the drive table

    std::function<void()> onChange;  // after the user picked another drive
    std::function<void()> onEnter;  // Enter pressed (the key itself is consumed)

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

class FolderList : public QListWidget {
    Q_OBJECT
public:
    explicit FolderList(QWidget* parent = nullptr);

    QString Path() const;  // the current folder, a drive path
    // Shows a folder (a drive path or a bare "c:" meaning that drive's current folder);
    // false when it does not exist or cannot be read, and then nothing changes.
    bool SetPath(const QString& path);
    void Refresh();  // re-reads the current folder

    int ListIndex() const;  // the highlighted entry, relative as above
    int ListCount() const;  // number of subfolders
    QString EntryPath(int index) const;  // the folder of an entry, "" when none

    std::function<void()> onChange;  // after the current folder changed

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fill();
    void openEntry(int index);
    void followDisk();

    QString m_path;
    QStringList m_subfolders;  // the names listed below the current folder
    qb::ui::FolderWatch* m_watch = nullptr;
    int m_currentRow = 0;  // row of the current folder in the list
};
