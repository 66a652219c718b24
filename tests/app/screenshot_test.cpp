// Pictures of the main window in its default layout, for people to look at: before a run, the
// options dialog, during a run with the progress window over it, and after the run. They land in
// build/screenshots/, named after the variant the test runs in (QB_SCREENSHOT_VARIANT: "light",
// "dark" with a dark palette as a dark desktop theme gives, "2x" under QT_SCALE_FACTOR=2); the
// screen is a 1280 x 1024 one, and the window starts from a stored size of 1000 x 720 pixels,
// cut to the screen where it does not fit.

#include "support/WindowFixture.h"

#include "app/ActionProgress.h"
#include "app/RunOutcome.h"
#include "app/SilentRun.h"
#include "archivers/include/archiver_results.h"

#include "panes/RunProgress.h"
#include "panes/TargetListPane.h"
#include "panes/SourceFolderPane.h"
#include "panes/OutputFolderPane.h"
#include "platform/SettingsStore.h"
#include "support/EngineFixture.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

using namespace qbtest;

namespace {

QString Variant()
{
    const QString variant = qEnvironmentVariable("QB_SCREENSHOT_VARIANT");
    return variant.isEmpty() ? QStringLiteral("light") : variant;
}

// The palette of a dark desktop theme, on the style the program uses.
void UseDarkPalette()
{
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x2d, 0x2d, 0x30));
    dark.setColor(QPalette::WindowText, QColor(0xe6, 0xe6, 0xe6));
    dark.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    dark.setColor(QPalette::AlternateBase, QColor(0x2d, 0x2d, 0x30));
    dark.setColor(QPalette::Text, QColor(0xe6, 0xe6, 0xe6));
    dark.setColor(QPalette::Button, QColor(0x3c, 0x3c, 0x40));
    dark.setColor(QPalette::ButtonText, QColor(0xe6, 0xe6, 0xe6));
    dark.setColor(QPalette::Highlight, QColor(0x3d, 0x7a, 0xd6));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::ToolTipBase, QColor(0x3c, 0x3c, 0x40));
    dark.setColor(QPalette::ToolTipText, QColor(0xe6, 0xe6, 0xe6));
    dark.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x80, 0x80, 0x80));
    dark.setColor(QPalette::Disabled, QPalette::Text, QColor(0x80, 0x80, 0x80));
    dark.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x80, 0x80, 0x80));
    QApplication::setPalette(dark);
}

QString Save(const QPixmap& shot, const char* name)
{
    QDir().mkpath(QStringLiteral(QB_SCREENSHOT_DIR));
    const QString path = QStringLiteral(QB_SCREENSHOT_DIR "/") + Variant() + QLatin1Char('_') +
                         QString::fromLatin1(name);
    EXPECT_TRUE(shot.save(path)) << path.toStdString();
    return path;
}

class ScreenshotTest : public WindowTest { };

TEST_F(ScreenshotTest, MainWindowBeforeDuringAndAfterARun)
{
    for (const char* p : {"C:\\作業\\資料A\\doc", "C:\\作業\\資料B", "C:\\作業\\写真"})
        MakeFolder(p);
    WriteFile("C:\\作業\\資料A\\doc\\メモ.txt", "memo");
    MakeFolder("D:\\出力");
    if (Variant() == QStringLiteral("dark"))
        UseDarkPalette();
    qb::platform::SaveSetting("Brambleworks", "Quillbox2", "Main_Width", "15000");
    qb::platform::SaveSetting("Brambleworks", "Quillbox2", "Main_Height", "10800");
    Window();
    // Whatever the scale, the window starts inside the screen's free area.
    EXPECT_TRUE(m_window->screen()->availableGeometry().contains(m_window->frameGeometry()));
    m_window->SourcePane()->SetFolder(QStringLiteral("C:\\作業"));
    m_window->OutputPane()->SetFolder(QStringLiteral("D:\\出力"));
    for (const char* p : {"C:\\作業\\資料A", "C:\\作業\\資料B"})
        m_window->TargetPane()->AddOutsidePath(QString::fromUtf8(p));
    m_window->UpdateRunButtons();
    QApplication::processEvents();
    const QPixmap before = m_window->grab();
    EXPECT_FALSE(before.isNull());
    Save(before, "window_before_run.png");

    bool optionsShown = false;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog)
            return;
        optionsShown = true;
        EXPECT_TRUE(m_window->screen()->availableGeometry().contains(dialog->frameGeometry()));
        Save(dialog->grab(), "options.png");
        dialog->close();
    });
    m_window->EditOptions();
    EXPECT_TRUE(optionsShown);

    qb::panes::RunProgress::SetShowDelayMs(0);
    qb::panes::RunProgress::SetRefreshMs(0);
    Fake().reportProgress = true;
    bool progressShown = false;
    Fake().onCall = [&](const FakeCall&) {
        if (progressShown)
            return;
        qb::panes::RunProgress* progress = m_window->Progress();
        progressShown = progress->isVisible();
        QApplication::processEvents();
        QPixmap during = m_window->grab();
        QPainter painter(&during);
        const QPixmap dialog = progress->grab();
        // In the window's own units, so the dialog sits in the middle at any scale.
        const QSizeF room = during.deviceIndependentSize() - dialog.deviceIndependentSize();
        painter.drawPixmap(QPointF(room.width() / 2, room.height() / 2), dialog);
        painter.end();
        Save(during, "window_during_run.png");
    };
    m_window->runButtons[0]->click();
    EXPECT_TRUE(progressShown);

    QApplication::processEvents();
    Save(m_window->grab(), "window_after_run.png");
    EXPECT_EQ(m_window->Targets().Count(), 0);
}

// A run a file manager started: its progress window while the first of two folders is packed,
// then the window that tells the outcome when the second could not be packed.
TEST_F(ScreenshotTest, ActionRunProgressAndTheHistoryOfAFailedOne)
{
    for (const char* p : {"C:\\写真\\2024 夏の旅行", "C:\\写真\\2025 春"})
        MakeFolder(p);
    if (Variant() == QStringLiteral("dark"))
        UseDarkPalette();
    qb::app::ActionProgress::SetShowDelayMs(0);
    Fake().reportProgress = true;
    Fake().results = {0, ARC_ERROR_READ_SOURCE};
    bool shown = false;
    Fake().onCall = [&](const FakeCall&) {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<qb::app::ActionProgress*>(w); p && p->isVisible() && !shown) {
                shown = true;
                Save(p->grab(), "action_progress.png");
            }
    };
    qb::app::SilentRunChoices choices;
    choices.besideFolders = true;
    choices.progressWindow = true;
    const auto r = qb::app::AutoStart("\"C:\\写真\\2024 夏の旅行\" \"C:\\写真\\2025 春\"",
                                      m_options, choices);
    qb::app::ActionProgress::SetShowDelayMs(1000);
    EXPECT_TRUE(shown);
    EXPECT_EQ(r.exitStatus, qb::app::kExitSomeNotPacked);

    qb::app::RunOutcomeWindow outcome(r.history);
    outcome.show();
    QApplication::processEvents();
    Save(outcome.grab(), "action_history_after_failure.png");
}

}  // namespace
