#include "FolderWatch.h"

#include "platform/Drives.h"

#include <QEvent>
#include <QWidget>

namespace qb::ui {
namespace {
int settleMs = 200;
}  // namespace

void FolderWatch::SetSettleMs(int ms)
{
    settleMs = ms;
}

FolderWatch::FolderWatch(QWidget* owner, std::function<void()> onChange)
    : QObject(owner), m_owner(owner), m_onChange(std::move(onChange))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { settle(); });
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] { changed(); });
    owner->installEventFilter(this);
}

void FolderWatch::Watch(const QString& drivePath)
{
    const QString host =
        drivePath.isEmpty()
            ? QString()
            : QString::fromStdString(qb::platform::ToHostPath(drivePath.toStdString()));
    // A folder that went away drops out of the watcher by itself: watch it again when asked.
    if (host == m_host && (host.isEmpty() || m_watcher.directories().contains(host)))
        return;
    if (!m_watcher.directories().isEmpty())
        m_watcher.removePaths(m_watcher.directories());
    m_host = host;
    if (!host.isEmpty())
        m_watcher.addPath(host);
}

void FolderWatch::changed()
{
    m_timer.start(settleMs);
}

void FolderWatch::settle()
{
    if (!m_owner->isEnabled()) {
        m_waiting = true;
        return;
    }
    m_waiting = false;
    if (m_onChange)
        m_onChange();
}

bool FolderWatch::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_owner && event->type() == QEvent::EnabledChange && m_waiting &&
        m_owner->isEnabled())
        m_timer.start(0);
    return QObject::eventFilter(watched, event);
}

}  // namespace qb::ui
