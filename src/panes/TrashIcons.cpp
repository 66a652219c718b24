#include "TrashIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace qb::panes {
namespace {

// One can at the given place and scale (a 16-unit grid): lid, handle, body with ribs.
void drawCan(QPainter& p, double x, double y, double unit, const QColor& body)
{
    const QColor edge = body.darker(160);
    p.setPen(QPen(edge, std::max(1.0, unit * 0.8)));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(x + 3 * unit, y + 5 * unit, 10 * unit, 10 * unit), unit, unit);
    p.drawRect(QRectF(x + 1.5 * unit, y + 3 * unit, 13 * unit, 2 * unit));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(x + 6 * unit, y + 1 * unit, 4 * unit, 2 * unit));
    p.setPen(QPen(body.lighter(170), std::max(1.0, unit * 0.9)));
    for (double rib : {6.0, 8.0, 10.0})
        p.drawLine(QPointF(x + rib * unit, y + 7 * unit), QPointF(x + rib * unit, y + 13.5 * unit));
}

QPixmap drawn(int size, bool all)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const double unit = size / 16.0;
    if (all) {
        // Two cans: everything goes.
        drawCan(p, -2.5 * unit, 1 * unit, unit * 0.85, QColor(0x5b, 0x7d, 0xb1));
        drawCan(p, 3 * unit, 2.4 * unit, unit * 0.85, QColor(0xc8, 0x4b, 0x3c));
    } else {
        drawCan(p, 0, 0, unit, QColor(0x5b, 0x7d, 0xb1));
    }
    return pixmap;
}

}  // namespace

QIcon OwnTrashIcon(bool all)
{
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64})
        icon.addPixmap(drawn(size, all));
    return icon;
}

QIcon TrashIcon(bool all)
{
    return QIcon::fromTheme(all ? QStringLiteral("user-trash-full") : QStringLiteral("edit-delete"),
                            OwnTrashIcon(all));
}

}  // namespace qb::panes
