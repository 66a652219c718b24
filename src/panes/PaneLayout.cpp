#include "PaneLayout.h"

#include "panes/Twips.h"

namespace qb::panes {

std::array<QRectF, SlotCount> ComputePaneLayout(double clientWidth, double clientHeight)
{
    const double w = RoundHalfEven(clientWidth / 2);
    const double h = RoundHalfEven(clientHeight / 3);
    std::array<QRectF, SlotCount> r;
    r[SlotSourceFolder] = QRectF(0, 0, w, h);
    r[SlotSubfolders] = QRectF(0, h, w, h);
    r[SlotTargets] = QRectF(0, 2 * h, w, h);
    r[SlotOutputFolder] = QRectF(w, 0, w, h);
    r[SlotHistory] = QRectF(w, h, w, h);
    r[SlotArchives] = QRectF(w, 2 * h, w, h);
    return r;
}

std::optional<double> CancelButtonLeft(double clientWidth, double buttonWidth)
{
    const double x = RoundHalfEven(clientWidth - 60 - buttonWidth);
    if (x > 0)
        return x;
    return std::nullopt;
}

}  // namespace qb::panes
