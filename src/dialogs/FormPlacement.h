#pragma once
// Dialog positions in the settings store. Positions are kept in twips (1440 per logical inch)
// as the text of a single-precision number, read from the old or the current location by a
// probe on the dialog's own left key, and corrected when they would put the dialog off screen.

#include <QRect>
#include <QString>

#include <string>

class QWidget;

namespace qb::ui {

// Twips <-> pixels at the screen's logical resolution (15 twips a pixel at 96 dpi).
int TwipsToPixels(double twips);
double PixelsToTwips(int pixels);

// Reads <prefix>_Left and <prefix>_Top (default 1000 twips each, location by the probe on
// <prefix>_Left), corrects a left below 0 or beyond the screen width and a top below 0 or
// beyond the screen height to 1000, and moves the widget there. When withSize is set,
// <prefix>_Width and <prefix>_Height (default 5000) give its size too.
void RestoreFormPosition(QWidget* form, const std::string& prefix, bool withSize = false);

// Shrinks a top-level window to the available area of its screen (the screen less the desktop's
// panels) and moves it so that all of it, frame included, lies inside: a stored size from a
// larger screen or another scale factor never leaves a button out of reach. A window that
// cannot be made smaller than its minimum is put at the area's top left corner.
void FitOnScreen(QWidget* window);

// A rectangle moved (and shrunk, not below `minimum`) so that it lies inside `area`; one that
// cannot shrink enough starts at the area's top left corner.
QRect FitInside(const QRect& rect, const QRect& area, const QSize& minimum = QSize(0, 0));

// Fits every dialog of the program into its screen each time it is shown (see FitOnScreen).
// Installed once for the application; later calls do nothing.
void KeepDialogsOnScreen();

// Writes <prefix>_Left and <prefix>_Top (and the size when withSize) to the current location.
void SaveFormPosition(const QWidget* form, const std::string& prefix, bool withSize = false);

}  // namespace qb::ui
