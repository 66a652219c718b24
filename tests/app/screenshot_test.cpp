// Pictures of the main window in its default layout, for people to look at: before a run, during
// a run with the progress window over it, and after the run. They land in build/screenshots/.

#include "WindowFixture.h"

#include "engine/EngineFixture.h"
#include "panes/RunProgress.h"
#include "panes/mdiFile.h"
#include "panes/mdiInDir.h"
#include "panes/mdiOutDir.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>

using namespace qbtest;

namespace {

QString Save(const QPixmap &shot, const char *name)
{
    QDir().mkpath(QStringLiteral(QB_SCREENSHOT_DIR));
    const QString path = QStringLiteral(QB_SCREENSHOT_DIR "/") + QString::fromLatin1(name);
    EXPECT_TRUE(shot.save(path)) << path.toStdString();
    return path;
}

class ScreenshotTest : public WindowTest {};

TEST_F(ScreenshotTest, MainWindowBeforeDuringAndAfterARun)
{
    for (const char *p : {"C:\\作業\\資料A\\doc", "C:\\作業\\資料B", "C:\\作業\\写真"})
        MakeFolder(p);
    WriteFile("C:\\作業\\資料A\\doc\\メモ.txt", "memo");
    MakeFolder("D:\\出力");
    Window();
    m_window->resize(1000, 720);
    m_window->InDir()->SetDirName(QStringLiteral("C:\\作業"));
    m_window->OutDir()->SetDirName(QStringLiteral("D:\\出力"));
    for (const char *p : {"C:\\作業\\資料A", "C:\\作業\\資料B"})
        m_window->File()->Gaibu_ListInAdd(QString::fromUtf8(p));
    m_window->BtnEnabledChange();
    QApplication::processEvents();
    const QPixmap before = m_window->grab();
    EXPECT_FALSE(before.isNull());
    Save(before, "window_before_run.png");

    qb::panes::RunProgress::SetShowDelayMs(0);
    qb::panes::RunProgress::SetRefreshMs(0);
    Fake().reportProgress = true;
    bool progressShown = false;
    Fake().onCall = [&](const FakeCall &) {
        if (progressShown)
            return;
        qb::panes::RunProgress *progress = m_window->Progress();
        progressShown = progress->isVisible();
        QApplication::processEvents();
        QPixmap during = m_window->grab();
        QPainter painter(&during);
        const QPixmap dialog = progress->grab();
        painter.drawPixmap((during.width() - dialog.width()) / 2, (during.height() - dialog.height()) / 2, dialog);
        painter.end();
        Save(during, "window_during_run.png");
    };
    m_window->btnExe[0]->click();
    EXPECT_TRUE(progressShown);

    QApplication::processEvents();
    Save(m_window->grab(), "window_after_run.png");
    EXPECT_EQ(m_window->File()->Count(), 0);
}

} // namespace
