// The target list: duplicates, the 1000-folder limit on every way in, drops from file managers,
// removal, and the popup copies into the folder panes.

#include "support/WindowFixture.h"

#include "dialogs/FolderPicker.h"
#include "dialogs/UiSeams.h"
#include "engine/ProgramArguments.h"
#include "panes/TrashIcons.h"
#include "panes/TargetListPane.h"
#include "panes/SourceFolderPane.h"
#include "panes/SubfolderListPane.h"
#include "panes/OutputFolderPane.h"

#include <QApplication>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QUrl>

using namespace qbtest;

namespace {

class TargetListTest : public WindowTest {
protected:
    TargetListPane& Targets() { return *m_window->TargetPane(); }
    qb::engine::TargetList& List() { return m_window->Targets(); }

    // Fills the list with n distinct paths (the list itself does not look at the disk).
    void Fill(int n)
    {
        for (int i = 0; i < n; ++i)
            ASSERT_TRUE(Targets().AddTarget(QStringLiteral("C:\\FILL\\%1").arg(i)));
    }

    void SelectRows(std::initializer_list<int> rows)
    {
        Targets().SelectNone();
        for (int r : rows)
            Targets().targetList->item(r)->setSelected(true);
    }

    const QString full = Msg(kTextTargetListFull);
};

TEST_F(TargetListTest, SamePathTwiceIsListedOnceAndBothAddsSucceed)
{
    Window();
    EXPECT_TRUE(Targets().AddTarget(QStringLiteral("C:\\A")));
    EXPECT_TRUE(Targets().AddTarget(QStringLiteral("C:\\A")));
    // Direct adds compare exactly: another letter case is another item.
    EXPECT_TRUE(Targets().AddTarget(QStringLiteral("c:\\a")));
    EXPECT_EQ(Items(Targets().targetList), QStringList({"C:\\A", "c:\\a"}));
}

TEST_F(TargetListTest, OutsidePathsAreNormalisedSoOtherCaseIsADuplicate)
{
    MakeFolder("C:\\Data\\Proj");
    WriteFile("C:\\Data\\file.txt", "x");
    Window();
    EXPECT_TRUE(Targets().AddOutsidePath(QStringLiteral("c:\\data\\proj")));
    EXPECT_TRUE(Targets().AddOutsidePath(QStringLiteral("C:\\DATA\\PROJ\\")));
    // A file, a missing folder and a path without a drive add nothing and say nothing.
    EXPECT_TRUE(Targets().AddOutsidePath(QStringLiteral("C:\\Data\\file.txt")));
    EXPECT_TRUE(Targets().AddOutsidePath(QStringLiteral("C:\\Nowhere")));
    EXPECT_TRUE(Targets().AddOutsidePath(QStringLiteral("Data\\Proj")));
    EXPECT_EQ(Items(Targets().targetList), QStringList({"C:\\Data\\Proj"}));
    EXPECT_TRUE(TakeMessages().isEmpty());
}

TEST_F(TargetListTest, The1000thFolderFitsAndTheNextIsRefusedWithOneMessage)
{
    Window();
    Fill(999);
    EXPECT_TRUE(Targets().AddTarget(QStringLiteral("C:\\LAST")));
    EXPECT_TRUE(TakeMessages().isEmpty());
    EXPECT_FALSE(Targets().AddTarget(QStringLiteral("C:\\ONE_TOO_MANY")));
    EXPECT_EQ(TakeMessages(), QStringList{full});
    // A duplicate of a listed folder is still fine with a full list, and silent.
    EXPECT_TRUE(Targets().AddTarget(QStringLiteral("C:\\LAST")));
    EXPECT_TRUE(TakeMessages().isEmpty());
    EXPECT_EQ(List().Count(), 1000);
}

TEST_F(TargetListTest, SubfolderButtonsStopAtTheLimitWithOneMessage)
{
    for (const char* name : {"A", "B", "C"})
        MakeFolder(std::string("C:\\SRC\\") + name);
    Window();
    m_window->SourcePane()->SetFolder(QStringLiteral("C:\\SRC"));
    SubfolderListPane& names = *m_window->SubfolderPane();
    ASSERT_EQ(Items(names.subfolderList), QStringList({"A", "B", "C"}));

    Fill(999);
    names.SelectAll();
    names.AddSelected();
    EXPECT_EQ(TakeMessages(), QStringList{full});
    EXPECT_EQ(List().Count(), 1000);
    EXPECT_EQ(List().Item(999), "C:\\SRC\\A");
    // The refused name keeps its selection, the one never reached too; the added one lost it.
    EXPECT_FALSE(names.subfolderList->item(0)->isSelected());
    EXPECT_TRUE(names.subfolderList->item(1)->isSelected());
    EXPECT_TRUE(names.subfolderList->item(2)->isSelected());

    names.AddAll();
    EXPECT_EQ(TakeMessages(), QStringList{full});
    names.AddAllSubfolders();
    EXPECT_TRUE(TakeMessages().isEmpty());  // no subfolders below A, B, C: nothing to refuse
}

TEST_F(TargetListTest, DroppingFiveFoldersOnto998AddsTwoAndShowsOneMessage)
{
    QStringList hostPaths;
    for (int i = 0; i < 5; ++i)
        hostPaths << QString::fromStdString(Host(MakeFolder("C:\\DROP\\F" + std::to_string(i))));
    Window();
    Fill(998);
    Targets().DropPaths(hostPaths);
    EXPECT_EQ(TakeMessages(), QStringList{full});
    EXPECT_EQ(List().Count(), 1000);
    EXPECT_EQ(List().Item(998), "C:\\DROP\\F0");
    EXPECT_EQ(List().Item(999), "C:\\DROP\\F1");
}

TEST_F(TargetListTest, ADropOfFileUrlsAddsTheFoldersAndSkipsEverythingElse)
{
    const std::string folder = Host(MakeFolder("C:\\Work\\abc"));
    WriteFile("C:\\Work\\note.txt", "x");
    Window();
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(QString::fromStdString(folder)),
                   QUrl::fromLocalFile(QString::fromStdString(Host("C:\\Work\\note.txt"))),
                   QUrl(QStringLiteral("https://example.org/x")),
                   QUrl::fromLocalFile(QStringLiteral("/no/such/folder"))});
    QWidget* viewport = Targets().targetList->viewport();
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
    QApplication::processEvents();
    EXPECT_EQ(Items(Targets().targetList), QStringList({"C:\\Work\\abc"}));
    EXPECT_TRUE(m_window->runButtons[0]->isEnabled());
    EXPECT_TRUE(TakeMessages().isEmpty());

    // Plain text is no file list: the drop is refused.
    QMimeData text;
    text.setText(QStringLiteral("C:\\Work"));
    QDragEnterEvent textEnter(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &textEnter);
    EXPECT_FALSE(textEnter.isAccepted());
    delete data;
}

TEST_F(TargetListTest, ADropOntoAFullListLetsTheSourceGoBeforeItsMessage)
{
    const std::string folder = Host(MakeFolder("C:\\Late\\abc"));
    Window();
    Fill(1000);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(folder))});
    QWidget* viewport = Targets().targetList->viewport();
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
    // The drop has returned to the program that started it, and no message is waiting on it.
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_TRUE(TakeMessages().isEmpty());
    QApplication::processEvents();
    EXPECT_EQ(TakeMessages(), QStringList{full});
    EXPECT_EQ(List().Count(), 1000);
}

TEST_F(TargetListTest, ACommandLineBeyondTheLimitLeavesTheListEmptyAfterOneMessage)
{
    QStringList args;
    for (int i = 0; i < 1001; ++i)
        args << QString::fromStdString(MakeFolder("C:\\M\\F" + std::to_string(i)));
    Window(args.join(QLatin1Char(' ')));
    EXPECT_EQ(TakeMessages(), QStringList{full});
    EXPECT_EQ(List().Count(), 0);
    EXPECT_FALSE(m_window->runButtons[0]->isEnabled());
}

TEST_F(TargetListTest, AJobFileBeyondTheLimitKeepsTheFirst1000AfterOneMessage)
{
    std::string job = "Quillbox2 QBJ FILE\r\nINDIR=C:\\\r\nOUTDIR=D:\\\r\n";
    for (int i = 0; i < 1001; ++i)
        job += MakeFolder("C:\\J\\F" + std::to_string(i)) + "\r\n";
    WriteFile("C:\\BIG.QBJ", job);
    Window();
    qb::ui::test::QueueFileName(QStringLiteral("C:\\BIG.QBJ"));
    m_window->OpenJobFile();
    EXPECT_EQ(TakeMessages(), QStringList{full});
    EXPECT_EQ(List().Count(), 1000);
    EXPECT_EQ(List().Item(999), "C:\\J\\F999");
}

TEST_F(TargetListTest, RemoveSelectedKeepsTheOthersInOrder)
{
    Window();
    for (const char* p : {"C:\\0", "C:\\1", "C:\\2", "C:\\3", "C:\\4"})
        Targets().AddTarget(QString::fromLatin1(p));

    SelectRows({});
    Targets().RemoveSelected();
    EXPECT_EQ(List().Count(), 5);

    SelectRows({1});
    Targets().RemoveSelected();
    EXPECT_EQ(Items(Targets().targetList), QStringList({"C:\\0", "C:\\2", "C:\\3", "C:\\4"}));

    List().Clear();
    for (const char* p : {"C:\\0", "C:\\1", "C:\\2", "C:\\3", "C:\\4"})
        Targets().AddTarget(QString::fromLatin1(p));
    SelectRows({0, 1, 3});
    Targets().RemoveSelected();
    EXPECT_EQ(Items(Targets().targetList), QStringList({"C:\\2", "C:\\4"}));
    EXPECT_TRUE(m_window->runButtons[2]->isEnabled());

    Targets().RemoveAll();
    EXPECT_EQ(List().Count(), 0);
    for (QPushButton* b : m_window->runButtons)
        EXPECT_FALSE(b->isEnabled());
}

TEST_F(TargetListTest, PopupCopiesTheFirstSelectedFoldersParentIntoAFolderPane)
{
    MakeFolder("C:\\A\\B");
    MakeFolder("C:\\Start");
    Window();
    m_window->SourcePane()->SetFolder(QStringLiteral("C:\\Start"));
    Targets().AddTarget(QStringLiteral("C:\\A\\B"));
    Targets().AddTarget(QStringLiteral("C:\\A"));

    SelectRows({});
    Targets().CopyParentToSourcePane();
    EXPECT_EQ(m_window->SourcePane()->Folder(), "C:\\Start");

    SelectRows({0, 1});
    Targets().CopyParentToSourcePane();
    EXPECT_EQ(m_window->SourcePane()->Folder(), "C:\\A");
    // The subfolder list follows the source-holding pane.
    EXPECT_EQ(Items(m_window->SubfolderPane()->subfolderList), QStringList({"B"}));

    SelectRows({1});
    Targets().CopyParentToSourcePane();
    EXPECT_EQ(m_window->SourcePane()->Folder(), "C:\\");

    Targets().CopyParentToOutputPane();
    EXPECT_EQ(m_window->OutputPane()->Folder(), "C:\\");
}

TEST_F(TargetListTest, DeleteKeyRemovesTheSelectedTargetsAndUpdatesTheRunButtons)
{
    Window();
    for (const char* p : {"C:\\0", "C:\\1", "C:\\2"})
        Targets().AddTarget(QString::fromLatin1(p));
    m_window->UpdateRunButtons();
    QApplication::setActiveWindow(m_window.get());
    Targets().targetList->setFocus();

    SelectRows({0, 2});
    // With Ctrl the key is not the list's: nothing goes.
    QTest::keyClick(Targets().targetList, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(List().Count(), 3);
    QTest::keyClick(Targets().targetList, Qt::Key_Delete);
    EXPECT_EQ(Items(Targets().targetList), QStringList({"C:\\1"}));
    EXPECT_TRUE(m_window->runButtons[0]->isEnabled());

    SelectRows({});
    QTest::keyClick(Targets().targetList, Qt::Key_Delete);
    EXPECT_EQ(List().Count(), 1);
    SelectRows({0});
    QTest::keyClick(Targets().targetList, Qt::Key_Delete);
    EXPECT_EQ(List().Count(), 0);
    for (QPushButton* b : m_window->runButtons)
        EXPECT_FALSE(b->isEnabled());
}

TEST_F(TargetListTest, RemoveButtonsLookGreyedOnlyWhileDisabled)
{
    Window();
    for (QPushButton* button : {Targets().removeButton, Targets().removeAllButton}) {
        ASSERT_TRUE(button->isEnabled());
        const QImage shown = button->icon().pixmap(32, 32, QIcon::Normal).toImage();
        const QImage greyed = button->icon().pixmap(32, 32, QIcon::Disabled).toImage();
        EXPECT_NE(shown, greyed);
        // Our own picture has colour in it: an enabled button does not look disabled.
        const QImage own =
            qb::panes::OwnTrashIcon(button == Targets().removeAllButton).pixmap(32, 32).toImage();
        bool coloured = false;
        for (int y = 0; y < own.height() && !coloured; ++y)
            for (int x = 0; x < own.width() && !coloured; ++x) {
                const QColor c = own.pixelColor(x, y);
                coloured = c.alpha() > 200 && c.hsvSaturation() > 80;
            }
        EXPECT_TRUE(coloured);
    }
}

TEST_F(TargetListTest, EnterMovesTheFocusToTheOutputDriveList)
{
    Window();
    QApplication::setActiveWindow(m_window.get());
    Targets().targetList->setFocus();
    QTest::keyClick(Targets().targetList, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), m_window->OutputPane()->driveList);
}

}  // namespace
