// The folder panes and the subfolder list follow changes made on disk by other programs, without
// the refresh menu item; a run in progress holds them back until it ends.

#include "support/WindowFixture.h"

#include "dialogs/FolderPicker.h"
#include "dialogs/FolderWatch.h"
#include "panes/SourceFolderPane.h"
#include "panes/SubfolderListPane.h"
#include "panes/OutputFolderPane.h"

#include <QListWidget>
#include <QTest>

#include <filesystem>

using namespace qbtest;

namespace {

class FollowDiskTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        qb::ui::FolderWatch::SetSettleMs(20);
    }
    void TearDown() override
    {
        qb::ui::FolderWatch::SetSettleMs(200);
        WindowTest::TearDown();
    }

    // The subfolder names a folder list shows below its current folder.
    static QStringList Subfolders(const FolderList* list)
    {
        QStringList out;
        for (int i = 0; i < list->ListCount(); ++i)
            out << list->EntryPath(i);
        return out;
    }
    void Remove(const std::string& drivePath) { std::filesystem::remove_all(Host(drivePath)); }
};

TEST_F(FollowDiskTest, FoldersMadeOrRemovedOutsideShowUpInBothListsKeepingTheSelection)
{
    MakeFolder("C:\\Src\\A");
    MakeFolder("C:\\Src\\C");
    MakeFolder("D:\\Out");
    Window();
    m_window->SourcePane()->SetFolder(QStringLiteral("C:\\Src"));
    m_window->OutputPane()->SetFolder(QStringLiteral("D:\\Out"));
    QListWidget* names = m_window->SubfolderPane()->subfolderList;
    ASSERT_EQ(Items(names), QStringList({"A", "C"}));
    names->item(1)->setSelected(true);

    MakeFolder("C:\\Src\\B");
    MakeFolder("D:\\Out\\New");
    ASSERT_TRUE(QTest::qWaitFor([&] { return Items(names).size() == 3; }, 5000));
    EXPECT_EQ(Items(names), QStringList({"A", "B", "C"}));
    EXPECT_FALSE(names->item(0)->isSelected());
    EXPECT_TRUE(names->item(2)->isSelected());  // C stays selected
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return Subfolders(m_window->SourcePane()->folderList) ==
                   QStringList({"C:\\Src\\A", "C:\\Src\\B", "C:\\Src\\C"});
        },
        5000));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return Subfolders(m_window->OutputPane()->folderList) == QStringList({"D:\\Out\\New"}); },
        5000));

    Remove("C:\\Src\\A");
    EXPECT_TRUE(QTest::qWaitFor([&] { return Items(names) == QStringList({"B", "C"}); }, 5000));
    EXPECT_TRUE(names->item(1)->isSelected());
}

TEST_F(FollowDiskTest, WhenTheShownFolderGoesThePaneMovesUpAndTheSubfolderListFollows)
{
    MakeFolder("C:\\Top\\Gone\\Inner");
    MakeFolder("C:\\Top\\Stays");
    Window();
    m_window->SourcePane()->SetFolder(QStringLiteral("C:\\Top\\Gone"));
    ASSERT_EQ(Items(m_window->SubfolderPane()->subfolderList), QStringList({"Inner"}));

    Remove("C:\\Top\\Gone");
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_window->SourcePane()->Folder() == "C:\\Top"; }, 5000));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return Items(m_window->SubfolderPane()->subfolderList) == QStringList({"Stays"}); }, 5000));
}

TEST_F(FollowDiskTest, ADisabledPaneCatchesUpWhenEnabledAgain)
{
    MakeFolder("C:\\Src\\A");
    Window();
    m_window->SourcePane()->SetFolder(QStringLiteral("C:\\Src"));
    // A run disables the panes and refreshes them itself after each folder.
    for (auto* pane : m_window->Panes())
        pane->setEnabled(false);
    MakeFolder("C:\\Src\\B");
    QTest::qWait(300);
    EXPECT_EQ(Items(m_window->SubfolderPane()->subfolderList), QStringList({"A"}));
    for (auto* pane : m_window->Panes())
        pane->setEnabled(true);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return Items(m_window->SubfolderPane()->subfolderList) == QStringList({"A", "B"});
        },
        5000));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return Subfolders(m_window->SourcePane()->folderList).size() == 2; }, 5000));
}

}  // namespace
