#pragma once
// The one font every window shares (name, size, bold, italic, kept in the Font_ options) and
// the small rules around it. Windows-only font names such as the default "ＭＳ 明朝" are
// mapped onto a font that is really installed here, so Japanese text never falls back to
// boxes or to a random face.

#include <QFont>
#include <QString>

#include <initializer_list>

class QWidget;

namespace qb::engine {
struct Options;
}

namespace qb::ui {

// The installed family to use for a stored font name: the name itself when installed, else
// for the Windows Mincho/Gothic names the matching IPA family (IPAMincho, IPAGothic, ...),
// else the application's default family.
QString ResolveFontFamily(const QString& name);

// The shared font built from the options Font_Name, Font_Size, Font_Bold and Font_Italic.
QFont SharedFont(const qb::engine::Options& options);

// Gives each widget the shared font; null entries are skipped.
void ApplySharedFont(const qb::engine::Options& options, std::initializer_list<QWidget*> widgets);

// Rounds to the nearest whole number, halves to the even neighbour (10.5 -> 10, 11.5 -> 12).
int RoundHalfEven(double value);

}  // namespace qb::ui
