#pragma once
// Qt's own texts (the buttons of message boxes, the file and font dialogs) in Japanese, so that
// a window that speaks Japanese does not answer with "Cancel" and "Open". They come from Qt's
// translation files (Debian package qt6-translations-l10n); without them Qt stays English and
// nothing else changes.

#include <QLocale>
#include <QString>

class QCoreApplication;

namespace qb::app {

// Japanese is wanted when the desktop's language is Japanese or the program's own texts are.
bool WantJapaneseQtTexts(const QLocale& desktop, const QString& programText);

// Loads and installs qtbase_ja when wanted (the program's own texts decide together with the
// desktop's language). Returns whether Japanese texts were installed.
bool InstallQtTranslations(QCoreApplication& app);

}  // namespace qb::app
