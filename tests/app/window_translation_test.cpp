// Qt's own texts speak Japanese with the program: the buttons of a real message box.

#include "app/QtTranslations.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>
#include <gtest/gtest.h>

namespace {

TEST(QtTranslations, JapaneseWhenTheDesktopOrTheProgramSpeaksIt)
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    EXPECT_TRUE(qb::app::WantJapaneseQtTexts(QLocale(QLocale::Japanese, QLocale::Japan),
                                             QStringLiteral("Run")));
    EXPECT_TRUE(qb::app::WantJapaneseQtTexts(english, QStringLiteral("通常圧縮")));
    EXPECT_TRUE(qb::app::WantJapaneseQtTexts(english, QStringLiteral("ｷｬﾝｾﾙ")));
    EXPECT_FALSE(qb::app::WantJapaneseQtTexts(english, QStringLiteral("Run (normal)")));
}

TEST(QtTranslations, MessageBoxButtonsReadAsOnAJapaneseDesktop)
{
    ASSERT_TRUE(qb::app::InstallQtTranslations(*QCoreApplication::instance()))
        << "Qt's Japanese translations (qt6-translations-l10n) are missing";
    QMessageBox box(QMessageBox::Question, QStringLiteral("Quillbox2"), QStringLiteral("?"),
                    QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Yes | QMessageBox::No);
    auto text = [&](QMessageBox::StandardButton b) {
        return box.button(b)->text().remove(QLatin1Char('&'));
    };
    EXPECT_EQ(text(QMessageBox::Ok), QStringLiteral("OK"));
    EXPECT_EQ(text(QMessageBox::Cancel), QStringLiteral("キャンセル"));
    EXPECT_TRUE(text(QMessageBox::Yes).startsWith(QStringLiteral("はい")))
        << text(QMessageBox::Yes).toStdString();
    EXPECT_TRUE(text(QMessageBox::No).startsWith(QStringLiteral("いいえ")))
        << text(QMessageBox::No).toStdString();
    // The other window tests see Qt's texts as they were.
    for (QTranslator* t : QCoreApplication::instance()->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(t);
        delete t;
    }
}

}  // namespace
