#include "PaneBase.h"

#include "common/SharedMessages.h"
#include "common/ProgramMessages.h"
#include "dialogs/SharedFont.h"
#include "engine/Options.h"
#include "engine/PaneStart.h"
#include "panes/Twips.h"
#include "platform/CurrentDir.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>

namespace qb::panes {

QString Msg(int code)
{
    return QString::fromStdString(ProgramMessage(code));
}
QString Shared(int code)
{
    return QString::fromStdString(SharedMessage(code));
}

QString FallbackFolder()
{
    std::string here = engine::WorkingFolder();
    if (here.empty())
        here = platform::CurrentDirectory(0);
    return QString::fromStdString(here);
}

PaneBase::PaneBase(PaneHost* host, const engine::Options& options, const char* objectName,
                   const char* positionPrefix, QWidget* parent)
    : QWidget(parent), m_host(host), m_options(options), m_prefix(positionPrefix)
{
    setObjectName(QString::fromLatin1(objectName));
    m_menus = BuildMainMenus(this, this);
}

void PaneBase::SetMenusEnabled(bool enabled)
{
    m_menus.SetEnabled(enabled);
}

QMdiSubWindow* PaneBase::SubWindow() const
{
    return qobject_cast<QMdiSubWindow*>(parentWidget());
}

QRectF PaneBase::ToTwips(const QRect& g) const
{
    return {PxToTwipsX(g.x(), this), PxToTwipsY(g.y(), this), PxToTwipsX(g.width(), this),
            PxToTwipsY(g.height(), this)};
}

QRectF PaneBase::TwipsGeometry() const
{
    const QWidget* w = SubWindow() ? static_cast<const QWidget*>(SubWindow()) : this;
    return ToTwips(w->geometry());
}

void PaneBase::MoveTwips(double left, double top, double width, double height)
{
    QWidget* w = SubWindow() ? static_cast<QWidget*>(SubWindow()) : this;
    const int x = TwipsToPxX(left, this);
    const int y = TwipsToPxY(top, this);
    // Neighbouring panes share their edges exactly: the far edge is rounded, not the size.
    const int r = TwipsToPxX(left + width, this);
    const int b = TwipsToPxY(top + height, this);
    w->setGeometry(x, y, std::max(0, r - x), std::max(0, b - y));
}

std::string PaneBase::key(const char* suffix) const
{
    return m_prefix + "_" + suffix;
}

void PaneBase::LoadPosition()
{
    if (m_options.PanesFollowWindow)
        return;
    const QRectF now = m_designed;
    auto read = [&](const char* suffix, double fallback) {
        const std::string text = qb::engine::ReadWindowSetting(key("Left"), key(suffix),
                                                             qb::engine::NumberToText(fallback));
        return qb::engine::TextToNumber(text).value_or(fallback);
    };
    MoveTwips(read("Left", now.x()), read("Top", now.y()), read("Width", now.width()),
              read("Height", now.height()));
}

void PaneBase::SavePosition()
{
    if (m_options.PanesFollowWindow || !m_host->IsNormalState())
        return;
    QRectF g = TwipsGeometry();
    if (const QMdiSubWindow* sub = SubWindow(); sub && (sub->isMinimized() || sub->isMaximized())) {
        // The icon strip or the whole area is no place to come back to: keep the last normal
        // place, or what is stored when the pane never had one.
        if (!m_normalGeometry.isValid())
            return;
        g = ToTwips(m_normalGeometry);
    }
    qb::engine::WriteWindowSetting(key("Left"), qb::engine::NumberToText(g.x()));
    qb::engine::WriteWindowSetting(key("Top"), qb::engine::NumberToText(g.y()));
    qb::engine::WriteWindowSetting(key("Width"), qb::engine::NumberToText(g.width()));
    qb::engine::WriteWindowSetting(key("Height"), qb::engine::NumberToText(g.height()));
}

double PaneBase::InnerWidthTwips() const
{
    return PxToTwipsX(width(), this);
}
double PaneBase::InnerHeightTwips() const
{
    return PxToTwipsY(height(), this);
}

void PaneBase::ApplySharedFont(std::initializer_list<QWidget*> controls)
{
    const QFont font = qb::ui::SharedFont(m_options);
    setFont(font);
    for (QWidget* c : controls)
        if (c)
            c->setFont(font);
}

int PaneBase::PxX(double twips) const
{
    return TwipsToPxX(twips, this);
}
int PaneBase::PxY(double twips) const
{
    return TwipsToPxY(twips, this);
}
double PaneBase::TwY(int px) const
{
    return PxToTwipsY(px, this);
}

void SetAllSelected(QListWidget* list, bool selected)
{
    for (int i = 0; i < list->count(); ++i)
        list->item(i)->setSelected(selected);
}

QMenu* PaneBase::NewPopup()
{
    m_popup = new QMenu(this);
    m_popup->setObjectName(QStringLiteral("popupMenu"));
    return m_popup;
}

QAction* PaneBase::AddPopupItem(const char* name, std::function<void()> handler)
{
    QAction* item = m_popup->addAction(QString());
    item->setObjectName(QString::fromLatin1(name));
    connect(item, &QAction::triggered, this, [handler = std::move(handler)] { handler(); });
    return item;
}

void PaneBase::ShowPopupAt(const QPoint& globalPos)
{
    if (m_popup)
        m_popup->popup(globalPos);
}

double PaneBase::LayOutList(QWidget* list, double buttonHeight)
{
    const double w = InnerWidthTwips() - 120;
    const double h = InnerHeightTwips() - 120 - (buttonHeight > 0 ? buttonHeight + 60 : 0);
    if (w <= 0)
        return -1;
    // A pane too low for the list leaves its height alone.
    const int height = h >= 1 ? PxY(h) : list->height();
    list->setGeometry(PxX(60), PxY(60), PxX(w), height);
    return h + 120;
}

void PaneBase::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayOutControls();
}

void PaneBase::WatchRightButton(QWidget* watched)
{
    watched->installEventFilter(this);
    // The right button means the pane's popup here; a control's own menu (the text box's
    // cut-and-paste menu) would otherwise open on top of it or in its place.
    watched->setContextMenuPolicy(Qt::PreventContextMenu);
    if (auto* area = qobject_cast<QAbstractScrollArea*>(watched)) {
        area->viewport()->installEventFilter(this);
        area->viewport()->setContextMenuPolicy(Qt::PreventContextMenu);
    }
}

bool PaneBase::event(QEvent* event)
{
    if (event->type() == QEvent::ParentChange)
        if (QMdiSubWindow* sub = SubWindow())
            sub->installEventFilter(this);
    return QWidget::event(event);
}

bool PaneBase::eventFilter(QObject* watched, QEvent* event)
{
    if (const QMdiSubWindow* sub = SubWindow(); sub && watched == sub) {
        // The pane's window is watched only for its place; clicks that reach it (on its title
        // bar, or passed up from the drive list) are not the pane's to answer.
        if ((event->type() == QEvent::Move || event->type() == QEvent::Resize) &&
            !sub->isMinimized() && !sub->isMaximized())
            m_normalGeometry = sub->geometry();
        return QWidget::eventFilter(watched, event);
    }
    if (event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            ShowPopupAt(mouse->globalPosition().toPoint());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void PaneBase::mousePressEvent(QMouseEvent* event)
{
    // Only the pane's free area opens the popup here; a right click that a control (the drive
    // list, a button) passed on is not meant for it.
    if (event->button() == Qt::RightButton && !childAt(event->position().toPoint())) {
        ShowPopupAt(event->globalPosition().toPoint());
        return;
    }
    QWidget::mousePressEvent(event);
}

}  // namespace qb::panes
