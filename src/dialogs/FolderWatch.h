#pragma once
// Follows one folder on disk for a list that shows its contents: after something in it was
// created, removed or renamed, or the folder itself went away, it calls back once the changes
// have settled for a moment, so that a burst of changes (a copy of many folders, an archive
// being written) costs one look at the folder, not one per change. While the list's widget is
// disabled (during a packing run, which refreshes the lists itself after every folder) the
// call waits until the widget is enabled again.

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class QWidget;

namespace qb::ui {

class FolderWatch : public QObject {
    Q_OBJECT
public:
    FolderWatch(QWidget* owner, std::function<void()> onChange);

    // Follows the folder of a drive path; "" stops following. The same folder again costs
    // nothing, so callers may hand it over on every refresh.
    void Watch(const QString& drivePath);

    // How long changes must rest before the call; tests shorten it.
    static void SetSettleMs(int ms);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void changed();
    void settle();

    QWidget* m_owner;
    std::function<void()> m_onChange;
    QFileSystemWatcher m_watcher;
    QTimer m_timer;
    QString m_host;
    bool m_waiting = false;  // a change came while the owner was disabled
};

}  // namespace qb::ui
