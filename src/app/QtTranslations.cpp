#include "QtTranslations.h"

#include "common/ProgramMessages.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace qb::app {
namespace {

bool isJapaneseLetter(char32_t c)
{
    return (c >= 0x3040 && c <= 0x30FF)  // hiragana, katakana
           || (c >= 0x4E00 && c <= 0x9FFF)  // kanji
           || (c >= 0xFF66 && c <= 0xFF9F);  // half-width katakana
}

}  // namespace

bool WantJapaneseQtTexts(const QLocale& desktop, const QString& programText)
{
    if (desktop.language() == QLocale::Japanese)
        return true;
    for (const char32_t c : programText.toUcs4())
        if (isJapaneseLetter(c))
            return true;
    return false;
}

bool InstallQtTranslations(QCoreApplication& app)
{
    // The caption of the first run button stands for the program's texts.
    if (!WantJapaneseQtTexts(QLocale::system(),
                             QString::fromStdString(ProgramMessage(kCaptionRunNormal))))
        return false;
    auto* translator = new QTranslator(&app);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                          QStringLiteral("_"), folder)) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

}  // namespace qb::app
