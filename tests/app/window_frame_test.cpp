// The frame: pane layout in the real window, the cancel button's place, menus that reach the
// frame from any pane, first activation, placement and its corrections, shutdown and restore.

#include "support/WindowFixture.h"

#include "dialogs/FolderPicker.h"
#include "dialogs/UiSeams.h"
#include "engine/Options.h"
#include "engine/ProgramArguments.h"
#include "panes/HistoryList.h"
#include "panes/Twips.h"
#include "panes/TargetListPane.h"
#include "panes/SourceFolderPane.h"
#include "panes/SubfolderListPane.h"
#include "panes/OutputFolderPane.h"
#include "panes/HistoryPane.h"
#include "platform/SettingsStore.h"

#include <QApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

using namespace qbtest;

namespace {

class FrameTest : public WindowTest {
protected:
    // Resizes the window so that its client area below the button bar has the given pixels.
    void SetClientPixels(int w, int h)
    {
        const QSize now = m_window->paneArea()->viewport()->size();
        m_window->resize(m_window->size() + QSize(w - now.width(), h - now.height()));
        QApplication::processEvents();
        ASSERT_EQ(m_window->paneArea()->viewport()->size(), QSize(w, h));
    }
    QRect PaneRect(int slot) { return m_window->Panes()[slot]->SubWindow()->geometry(); }
    std::string Stored(const std::string& key)
    {
        return qb::platform::GetSetting("Brambleworks", "Quillbox2", key, "<none>");
    }
};

TEST_F(FrameTest, PanesFillTwoColumnsOfThreeInTheClientArea)
{
    Window();
    ASSERT_EQ(m_window->logicalDpiX(), 96) << "the figures below assume 15 twips a pixel";
    SetClientPixels(800, 600);  // 12000 x 9000 twips: panes of 6000 x 3000, 400 x 200 pixels
    EXPECT_EQ(PaneRect(0), QRect(0, 0, 400, 200));
    EXPECT_EQ(PaneRect(1), QRect(0, 200, 400, 200));
    EXPECT_EQ(PaneRect(2), QRect(0, 400, 400, 200));
    EXPECT_EQ(PaneRect(3), QRect(400, 0, 400, 200));
    EXPECT_EQ(PaneRect(4), QRect(400, 200, 400, 200));
    EXPECT_EQ(PaneRect(5), QRect(400, 400, 400, 200));
    // The cancel button keeps 60 twips (4 pixels) to the right edge.
    EXPECT_EQ(m_window->cancelButton->geometry().right() + 1, m_window->width() - 4);
}

TEST_F(FrameTest, WithoutResizeOnlyTheCancelButtonFollowsTheWindow)
{
    m_options.PanesFollowWindow = false;
    Window();
    const QRect before = PaneRect(2);
    SetClientPixels(900, 500);
    EXPECT_EQ(PaneRect(2), before);
    EXPECT_EQ(m_window->cancelButton->geometry().right() + 1, m_window->width() - 4);
}

TEST_F(FrameTest, CtrlSFromAnActivePaneReachesTheFramesSave)
{
    Window();
    QApplication::setActiveWindow(m_window.get());
    m_window->paneArea()->setActiveSubWindow(m_window->TargetPane()->SubWindow());
    QApplication::processEvents();
    // The frame shows the active pane's own menu bar, with the same captions.
    EXPECT_EQ(m_window->menuBar()->actions(), m_window->TargetPane()->Menus().BarActions());
    QStringList captions;
    for (QAction* a : m_window->menuBar()->actions())
        captions << a->text();
    EXPECT_EQ(captions, QStringList({"E(&x)it", "Fon(&t)", "(&F)ile", "(&L)og", "(&D)efault",
                                     "(&O)ption", "M(&k)dir", "(&H)elp", "(&A)bout"}));

    qb::ui::test::QueueFileName(QStringLiteral("C:\\JOB.QBJ"));
    m_window->TargetPane()->targetList->setFocus();
    QTest::keyClick(m_window->TargetPane()->targetList, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(TakeRecord(), QStringList({"save: "}));
    EXPECT_EQ(qb::engine::CurrentJobFile, "C:\\JOB.QBJ");
    EXPECT_EQ(Sandbox::ReadFile(Host("C:\\JOB.QBJ")),
              "Quillbox2 QBJ FILE\r\nINDIR=C:\\\r\nOUTDIR=C:\\\r\n");

    // Again from another pane: the current job file is written after the overwrite question.
    m_window->paneArea()->setActiveSubWindow(m_window->LogPane()->SubWindow());
    QApplication::processEvents();
    qb::ui::test::QueueYesNo(true);
    QTest::keyClick(m_window->LogPane()->historyList, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(TakeRecord(), QStringList({"question: " + Msg(kTextOverwriteJob)}));

    // Ctrl+A is Save As here, even in a list, where it would otherwise select everything.
    qb::ui::test::QueueFileName(QString());
    QTest::keyClick(m_window->LogPane()->historyList, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(TakeRecord(), QStringList({"save: C:\\JOB.QBJ"}));
    // Ctrl+O opens a job, starting from the current one.
    qb::ui::test::QueueFileName(QString());
    QTest::keyClick(m_window->LogPane()->historyList, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(TakeRecord(), QStringList({"open: C:\\JOB.QBJ"}));
}

TEST_F(FrameTest, FirstActivationShowsThePanesAndEnablesTheRunButtonsForACommandLine)
{
    MakeFolder("C:\\Data\\abc");
    MakeFolder("C:\\Data\\def");
    Window(QStringLiteral("C:\\Data\\abc \"C:\\Data\\def\""));
    EXPECT_TRUE(m_window->FirstActivationDone);
    for (auto* pane : m_window->Panes())
        EXPECT_TRUE(pane->SubWindow()->isVisible());
    EXPECT_EQ(Items(m_window->TargetPane()->targetList), QStringList({"C:\\Data\\abc", "C:\\Data\\def"}));
    EXPECT_TRUE(m_window->runButtons[0]->isEnabled());
    EXPECT_FALSE(m_window->cancelButton->isEnabled());
    EXPECT_EQ(m_window->windowTitle(), "Quillbox2 for Win32");
    EXPECT_FALSE(m_window->windowIcon().pixmap(32, 32).isNull());
    EXPECT_EQ(m_window->runButtons[2]->text(), Msg(kCaptionRunDouble));
    EXPECT_EQ(m_window->cancelButton->text(), SharedMsg(kSharedCancel));
}

TEST_F(FrameTest, StoredPlacementIsCorrectedWhenOutOfBounds)
{
    qb::platform::SaveSetting("Brambleworks", "Quillbox2", "Main_Left", "-200");
    qb::platform::SaveSetting("Brambleworks", "Quillbox2", "Main_Top", "99999999");
    qb::platform::SaveSetting("Brambleworks", "Quillbox2", "Main_Width", "1500");
    qb::platform::SaveSetting("Brambleworks", "Quillbox2", "Main_Height", "400");
    m_window = std::make_unique<MainWindow>(QString(), m_options);
    const int px8000 = qb::panes::TwipsToPxX(8000, m_window.get());
    EXPECT_EQ(m_window->size(), QSize(px8000, px8000));
    EXPECT_EQ(m_window->pos(), QPoint(qb::panes::TwipsToPxX(1000, m_window.get()),
                                      qb::panes::TwipsToPxY(1000, m_window.get())));
}

TEST_F(FrameTest, WindowDialogsAndPanesStoredForALargerScreenFitInsideThisOne)
{
    auto store = [](const char* key, const char* value) {
        qb::platform::SaveSetting("Brambleworks", "Quillbox2", key, value);
    };
    store("Main_Width", "60000");  // 4000 pixels on a screen of 800 x 600
    store("Main_Height", "60000");
    store("Main_Left", "11000");  // still on the screen, so not reset to 1000
    store("Option_Left", "11500");  // the options dialog would hang off the right edge
    store("Option_Top", "8500");
    store("InDir_Left", "60000");  // a pane far beyond the client area
    store("InDir_Top", "40000");
    m_options.PanesFollowWindow = false;
    Window();
    const QRect area = m_window->screen()->availableGeometry();
    EXPECT_TRUE(area.contains(m_window->frameGeometry())) << m_window->frameGeometry().width();
    const QRect client = m_window->paneArea()->viewport()->rect();
    for (auto* pane : m_window->Panes())
        EXPECT_TRUE(client.contains(pane->SubWindow()->geometry()))
            << pane->objectName().toStdString();

    QRect dialogFrame;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        dialogFrame = dialog->frameGeometry();
        dialog->close();
    });
    m_window->EditOptions();
    EXPECT_FALSE(dialogFrame.isEmpty());
    EXPECT_TRUE(area.contains(dialogFrame)) << dialogFrame.x() << "," << dialogFrame.y();
}

TEST_F(FrameTest, ClosingWritesTheSettingsAndTheNextStartRestoresTheFolders)
{
    MakeFolder("C:\\In\\Here");
    MakeFolder("D:\\Out");
    Window();
    m_window->SourcePane()->SetInitialDir(QStringLiteral("C:\\In"), false);
    m_window->SourcePane()->SetFolder(QStringLiteral("c:\\in\\here"));
    m_window->OutputPane()->SetFolder(QStringLiteral("D:\\Out"));
    CloseWindow();
    EXPECT_EQ(Stored("Version"), "1.02");
    EXPECT_EQ(Stored("Main_WindowState"), "0");
    EXPECT_NE(Stored("Main_Width"), "<none>");
    EXPECT_EQ(Stored("Dir_In"), "C:\\In");
    EXPECT_EQ(Stored("Dir_In_Yuko"), "False");
    EXPECT_EQ(Stored("OldDir_In"), "C:\\In\\Here");
    EXPECT_EQ(Stored("OldDir_Out"), "D:\\Out");
    EXPECT_EQ(Stored("Dir_In_DirName9"), "");
    // With Resize on, the panes' own positions are neither read nor written.
    EXPECT_EQ(Stored("InDir_Left"), "<none>");

    m_options = {};
    qb::engine::LoadSettings(m_options);
    Window();
    EXPECT_EQ(m_window->SourcePane()->Folder(), "C:\\In\\Here");  // Dir_In_Yuko off: last folder
    EXPECT_EQ(m_window->SourcePane()->folderPathBox->text(), "C:\\In\\Here");
    EXPECT_EQ(m_window->OutputPane()->Folder(), "C:\\");  // Dir_Out in force: the working folder
    EXPECT_EQ(m_window->SubfolderPane()->Folder(), "C:\\In\\Here");
}

TEST_F(FrameTest, AMaximisedWindowKeepsItsLastNormalPlacement)
{
    qb::platform::SaveSetting("Brambleworks", "Quillbox2", "Main_Left", "1500");
    Window();
    m_window->showMaximized();
    QApplication::processEvents();
    CloseWindow();
    EXPECT_EQ(Stored("Main_WindowState"), "2");
    EXPECT_EQ(Stored("Main_Left"), "1500");
}

TEST_F(FrameTest, PanePositionsAreSavedAndRestoredWhenTheyDoNotFollowTheWindow)
{
    m_options.PanesFollowWindow = false;
    Window();
    m_window->TargetPane()->MoveTwips(300, 450, 3000, 1500);
    CloseWindow();
    EXPECT_EQ(Stored("File_Left"), "300");
    EXPECT_EQ(Stored("File_Height"), "1500");
    m_options = {};
    qb::engine::LoadSettings(m_options);
    m_options.PanesFollowWindow = false;
    Window();
    EXPECT_EQ(m_window->TargetPane()->TwipsGeometry(), QRectF(300, 450, 3000, 1500));
}

TEST_F(FrameTest, APaneLeftMinimisedOrMaximisedComesBackInItsNormalPlace)
{
    m_options.PanesFollowWindow = false;
    Window();
    m_window->TargetPane()->MoveTwips(300, 450, 3000, 1500);
    m_window->SubfolderPane()->MoveTwips(600, 900, 4500, 1800);
    QApplication::processEvents();
    m_window->TargetPane()->SubWindow()->showMinimized();
    m_window->SubfolderPane()->SubWindow()->showMaximized();
    QApplication::processEvents();
    CloseWindow();
    EXPECT_EQ(Stored("File_Left"), "300");
    EXPECT_EQ(Stored("File_Top"), "450");
    EXPECT_EQ(Stored("File_Width"), "3000");
    EXPECT_EQ(Stored("File_Height"), "1500");
    EXPECT_EQ(Stored("InFile_Left"), "600");
    EXPECT_EQ(Stored("InFile_Width"), "4500");
    EXPECT_EQ(Stored("InFile_Height"), "1800");
}

TEST_F(FrameTest, TooltipsGoOffAndOnEverywhere)
{
    Window();
    EXPECT_EQ(m_window->runButtons[0]->toolTip(), Msg(kTipRunNormal));
    m_window->SetToolTipEverywhere(false);
    EXPECT_TRUE(m_window->cancelButton->toolTip().isEmpty());
    EXPECT_TRUE(m_window->TargetPane()->targetList->toolTip().isEmpty());
    EXPECT_TRUE(m_window->OutputPane()->driveList->toolTip().isEmpty());
    m_window->SetToolTipEverywhere(true);
    EXPECT_EQ(m_window->OutputPane()->driveList->toolTip(), Msg(kTipOutputDrive));
    EXPECT_EQ(m_window->LogPane()->historyList->toolTip(), Msg(kTipHistory));
    EXPECT_EQ(m_window->cancelButton->toolTip(), SharedMsg(kSharedCancelTip));
}

TEST_F(FrameTest, JobFilesRoundTripThroughTheFileMenu)
{
    MakeFolder("C:\\Data\\abc");
    MakeFolder("D:\\Archive");
    Window();
    m_window->SourcePane()->SetFolder(QStringLiteral("C:\\Data"));
    m_window->OutputPane()->SetFolder(QStringLiteral("D:\\Archive"));
    m_window->TargetPane()->AddOutsidePath(QStringLiteral("C:\\Data\\abc"));
    qb::ui::test::QueueFileName(QStringLiteral("C:\\WORK"));
    m_window->SaveJobFileAs();
    EXPECT_EQ(Sandbox::ReadFile(Host("C:\\WORK.QBJ")),
              "Quillbox2 QBJ FILE\r\nINDIR=C:\\Data\r\nOUTDIR=D:\\Archive\r\nC:\\Data\\abc\r\n");

    m_window->TargetPane()->RemoveAll();
    m_window->OutputPane()->SetFolder(QStringLiteral("C:\\"));
    qb::ui::test::QueueFileName(QStringLiteral("C:\\WORK.QBJ"));
    m_window->OpenJobFile();
    EXPECT_EQ(Items(m_window->TargetPane()->targetList), QStringList({"C:\\Data\\abc"}));
    EXPECT_EQ(m_window->OutputPane()->Folder(), "D:\\Archive");
    EXPECT_TRUE(m_window->runButtons[0]->isEnabled());

    // An unreadable job says 202; declining the overwrite question writes nothing.
    WriteFile("C:\\BAD.QBJ", "");
    qb::ui::test::QueueFileName(QStringLiteral("C:\\BAD.QBJ"));
    m_window->OpenJobFile();
    EXPECT_EQ(TakeMessages(), QStringList({Msg(kTextJobNotRead)}));
    WriteFile("C:\\KEEP.QBJ", "keep");
    qb::ui::test::QueueFileName(QStringLiteral("C:\\KEEP.QBJ"));
    qb::ui::test::QueueYesNo(false);
    m_window->SaveJobFileAs();
    EXPECT_EQ(Sandbox::ReadFile(Host("C:\\KEEP.QBJ")), "keep");
    // A job that cannot be written says 201.
    qb::ui::test::QueueFileName(QStringLiteral("C:\\NO\\SUCH\\X.QBJ"));
    m_window->SaveJobFileAs();
    EXPECT_EQ(TakeMessages(), QStringList({Msg(kTextJobNotSaved)}));
}

}  // namespace
