#pragma once
// Window measures are kept in twips, 1440 per logical inch of the screen, so that stored
// positions mean the same size on every screen. These convert to and from pixels.

#include <QWidget>
#include <cmath>

namespace qb::panes {

inline int TwipsToPxX(double twips, const QWidget* w)
{
    return static_cast<int>(std::lround(twips * w->logicalDpiX() / 1440.0));
}
inline int TwipsToPxY(double twips, const QWidget* w)
{
    return static_cast<int>(std::lround(twips * w->logicalDpiY() / 1440.0));
}
inline double PxToTwipsX(int px, const QWidget* w)
{
    return px * 1440.0 / w->logicalDpiX();
}
inline double PxToTwipsY(int px, const QWidget* w)
{
    return px * 1440.0 / w->logicalDpiY();
}

// Rounds halves to the even neighbour, as the layout arithmetic of the windows does.
inline double RoundHalfEven(double value)
{
    return std::nearbyint(value);
}

}  // namespace qb::panes
