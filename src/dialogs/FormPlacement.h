#pragma once
// Dialog positions in the settings store. Positions are kept in twips (1440 per logical inch)
// as the text of a single-precision number, read from the old or the current location by a
// probe on the dialog's own left key, and corrected when they would put the dialog off screen.

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
void RestoreFormPosition(QWidget *form, const std::string &prefix, bool withSize = false);

// Writes <prefix>_Left and <prefix>_Top (and the size when withSize) to the current location.
void SaveFormPosition(const QWidget *form, const std::string &prefix, bool withSize = false);

} // namespace qb::ui
