// The shared font (rounding, the Windows Mincho name, the Font menu's comparison), the about
// dialog's module rows and version texts, and the help path rule.

#include "support/DialogSandbox.h"

#include "app/FontTips.h"
#include "app/HelpFile.h"
#include "app/AboutDialog.h"
#include "dialogs/FormPlacement.h"
#include "dialogs/SharedFont.h"
#include "dialogs/UiSeams.h"
#include "engine/Options.h"
#include "platform/SettingsStore.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFontDatabase>
#include <QLabel>

namespace {

namespace seam = qb::ui::test;

using FontTest = DialogSandbox;

TEST_F(FontTest, HalvesRoundToTheEvenNeighbour)
{
    EXPECT_EQ(qb::ui::RoundHalfEven(10.5), 10);
    EXPECT_EQ(qb::ui::RoundHalfEven(11.5), 12);
    EXPECT_EQ(qb::ui::RoundHalfEven(12.25), 12);
    EXPECT_EQ(qb::ui::RoundHalfEven(12.75), 13);
    EXPECT_EQ(qb::ui::RoundHalfEven(-0.5), 0);
    EXPECT_EQ(qb::ui::RoundHalfEven(-1.5), -2);
}

TEST_F(FontTest, DefaultMinchoNameResolvesToAnInstalledMincho)
{
    const QString resolved = qb::ui::ResolveFontFamily(QStringLiteral("ＭＳ 明朝"));
    EXPECT_TRUE(QFontDatabase::families().contains(resolved)) << resolved.toStdString();
    const bool ipaInstalled = QFontDatabase::families().contains(QStringLiteral("IPAMincho"));
    if (ipaInstalled) {
        EXPECT_EQ(resolved, QStringLiteral("IPAMincho"));
    }
    if (QFontDatabase::families().contains(QStringLiteral("IPAPGothic"))) {
        EXPECT_EQ(qb::ui::ResolveFontFamily(QStringLiteral("ＭＳ Ｐゴシック")),
                  QStringLiteral("IPAPGothic"));
    }
    // An unknown face falls back to the application's font rather than to nothing.
    EXPECT_EQ(qb::ui::ResolveFontFamily(QStringLiteral("No Such Face 123")),
              QApplication::font().family());
}

TEST_F(FontTest, SharedFontFollowsTheOptionsAndSurvivesNonsenseSizes)
{
    m_options.FontSize = 14;
    m_options.FontBold = true;
    EXPECT_EQ(qb::ui::SharedFont(m_options).pointSize(), 14);
    EXPECT_TRUE(qb::ui::SharedFont(m_options).bold());
    m_options.FontSize = 0;
    EXPECT_EQ(qb::ui::SharedFont(m_options).pointSize(), 10);
    m_options.FontSize = 30000;
    EXPECT_EQ(qb::ui::SharedFont(m_options).pointSize(), 10);
}

TEST_F(FontTest, ChosenSizesAreStoredRoundedToEven)
{
    QFont chosen(qb::ui::ResolveFontFamily(QString::fromStdString(m_options.FontName)));
    chosen.setPointSizeF(10.5);
    EXPECT_TRUE(qb::fonts::StoreFontChoice(m_options, chosen));
    EXPECT_EQ(m_options.FontSize, 10);
    EXPECT_EQ(m_options.FontName, "ＭＳ 明朝");  // the same face: the stored name is kept
    chosen.setPointSizeF(11.5);
    EXPECT_TRUE(qb::fonts::StoreFontChoice(m_options, chosen));
    EXPECT_EQ(m_options.FontSize, 12);
}

TEST_F(FontTest, FontMenuReappliesOnlyOnAChange)
{
    int applied = 0;
    const auto apply = [&applied] { ++applied; };
    seam::QueueFont(std::nullopt);  // cancelled
    EXPECT_FALSE(qb::fonts::FontMenu(nullptr, m_options, apply));
    seam::QueueFont(qb::ui::SharedFont(m_options));  // the same font again
    EXPECT_FALSE(qb::fonts::FontMenu(nullptr, m_options, apply));
    EXPECT_EQ(applied, 0);

    QFont italic = qb::ui::SharedFont(m_options);
    italic.setItalic(true);
    seam::QueueFont(italic);
    EXPECT_TRUE(qb::fonts::FontMenu(nullptr, m_options, apply));
    EXPECT_EQ(applied, 1);
    EXPECT_TRUE(m_options.FontItalic);

    if (QFontDatabase::families().contains(QStringLiteral("IPAGothic"))) {
        seam::QueueFont(QFont(QStringLiteral("IPAGothic"), 9));
        EXPECT_TRUE(qb::fonts::FontMenu(nullptr, m_options, apply));
        EXPECT_EQ(m_options.FontName, "IPAGothic");
        EXPECT_EQ(m_options.FontSize, 9);
    }
}

using AboutTest = DialogSandbox;

TEST_F(AboutTest, VersionTexts)
{
    EXPECT_EQ(AboutDialog::FormatLibraryVersion(104), QStringLiteral("1.04"));
    EXPECT_EQ(AboutDialog::FormatLibraryVersion(250), QStringLiteral("2.50"));
    EXPECT_EQ(AboutDialog::FormatLibraryVersion(7), QStringLiteral("0.07"));
    EXPECT_EQ(AboutDialog::FormatLibraryVersion(0), QStringLiteral("0.00"));
}

QStringList rows(AboutDialog& dialog)
{
    QStringList out;
    for (int i = 0; i < 3; ++i) {
        out << dialog.findChild<QLabel*>(QStringLiteral("moduleLabel%1").arg(i))->text() +
                   QLatin1Char('|') +
                   dialog.findChild<QLabel*>(QStringLiteral("moduleVersionLabel%1").arg(i))->text();
    }
    return out;
}

TEST_F(AboutTest, RowsListTheModulesFoundFromTheTop)
{
    AboutDialog onlyLzh(m_options, {true, false, 104, 0, 0}, nullptr);
    EXPECT_EQ(rows(onlyLzh), (QStringList{QStringLiteral("UNLHA32.DLL|Ver.1.04"),
                                          QStringLiteral("|"), QStringLiteral("|")}));
    AboutDialog all(m_options, {true, true, 104, 105, 250}, nullptr);
    EXPECT_EQ(rows(all), (QStringList{QStringLiteral("UNLHA32.DLL|Ver.1.04"),
                                      QStringLiteral("UNZIP32.DLL|Ver.1.05"),
                                      QStringLiteral("ZIP32J.DLL|Ver.2.50")}));
    EXPECT_EQ(all.findChild<QLabel*>(QStringLiteral("versionLabel"))->text(),
              QStringLiteral("Ver.1.02"));
    EXPECT_EQ(all.findChild<QLabel*>(QStringLiteral("titleLabel"))->text(),
              QStringLiteral("クイルボックス２"));
    EXPECT_EQ(all.windowTitle(), QStringLiteral("About"));
}

TEST_F(AboutTest, AnOffScreenPositionOpensAt1000)
{
    qb::platform::SaveSetting("Brambleworks", "Quillbox2", "About_Left", "-5000");
    qb::platform::SaveSetting("Brambleworks", "Quillbox2", "About_Top", "99999999");
    AboutDialog dialog(m_options, {true, false, 104, 0, 0}, nullptr);
    EXPECT_EQ(dialog.pos(), QPoint(qb::ui::TwipsToPixels(1000), qb::ui::TwipsToPixels(1000)));
}

TEST_F(AboutTest, TheOldLocationIsReadWhenItHoldsThePosition)
{
    qb::platform::SaveSetting("Quillbox2", "Quillbox2", "About_Left", "1500");
    qb::platform::SaveSetting("Quillbox2", "Quillbox2", "About_Top", "3000");
    qb::platform::SaveSetting("Brambleworks", "Quillbox2", "About_Left", "4500");
    AboutDialog dialog(m_options, {true, false, 104, 0, 0}, nullptr);
    EXPECT_EQ(dialog.pos(), QPoint(qb::ui::TwipsToPixels(1500), qb::ui::TwipsToPixels(3000)));
    dialog.SavePosition();
    EXPECT_EQ(stored("About_Left"), "1500");
}

using HelpTest = DialogSandbox;

TEST_F(HelpTest, TheHelpFileStandsBesideTheProgram)
{
    EXPECT_EQ(qb::help::HelpFilePath(QStringLiteral("C:\\usr\\bin")),
              QStringLiteral("C:\\usr\\bin\\QUILLBOX2.HLP"));
    EXPECT_EQ(qb::help::HelpFilePath(QStringLiteral("C:\\")), QStringLiteral("C:\\QUILLBOX2.HLP"));
    EXPECT_EQ(qb::help::ManualPath(QStringLiteral("C:\\opt")),
              QStringLiteral("C:\\opt\\QUILLBOX2.html"));
}

TEST_F(HelpTest, HelpOpensTheManualBesideTheProgram)
{
    QUrl opened;
    qb::help::test::SetOpener([&opened](const QUrl& url) {
        opened = url;
        return true;
    });
    EXPECT_TRUE(qb::help::ShowHelp());
    qb::help::test::SetOpener({});
    EXPECT_EQ(
        opened.toLocalFile(),
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("QUILLBOX2.html")));
}

}  // namespace
