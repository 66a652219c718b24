#include "PaintNow.h"

#include <QElapsedTimer>
#include <QWidget>

namespace qb::panes {

void PaintNow(QWidget* widget)
{
    static QElapsedTimer last;
    constexpr qint64 kFrameMs = 20;
    if (!last.isValid() || last.elapsed() >= kFrameMs) {
        widget->repaint();
        last.start();
    } else {
        widget->update();
    }
}

}  // namespace qb::panes
