// The subfolder list: what its three add buttons add, double click, stale names and Enter.

#include "support/WindowFixture.h"

#include "panes/TargetListPane.h"
#include "panes/SourceFolderPane.h"
#include "panes/SubfolderListPane.h"

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <filesystem>

using namespace qbtest;

namespace {

class SubfolderTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        for (const char* p :
             {"C:\\S\\A\\A1", "C:\\S\\A\\A2", "C:\\S\\B", "C:\\S\\C\\C1", "C:\\S\\.hidden"})
            MakeFolder(p);
        WriteFile("C:\\S\\file.txt", "x");
        Window();
        m_window->SourcePane()->SetFolder(QStringLiteral("C:\\S"));
    }
    SubfolderListPane& Names() { return *m_window->SubfolderPane(); }
    QStringList Targets() { return Items(m_window->TargetPane()->targetList); }
    void Select(int row) { Names().subfolderList->item(row)->setSelected(true); }
};

TEST_F(SubfolderTest, ListsTheFoldersByNameWithoutFilesOrHiddenOnes)
{
    EXPECT_EQ(Items(Names().subfolderList), QStringList({"A", "B", "C"}));
}

TEST_F(SubfolderTest, AddSelectedTakesOnlyTheSelectedAndClearsTheirMarks)
{
    Select(1);
    Names().AddSelected();
    EXPECT_EQ(Targets(), QStringList({"C:\\S\\B"}));
    EXPECT_TRUE(Names().subfolderList->selectedItems().isEmpty());
    EXPECT_TRUE(m_window->runButtons[0]->isEnabled());
}

TEST_F(SubfolderTest, AddAllSubfoldersGoesOneLevelDownOnly)
{
    Names().AddAllSubfolders();
    EXPECT_EQ(Targets(), QStringList({"C:\\S\\A\\A1", "C:\\S\\A\\A2", "C:\\S\\C\\C1"}));
    Names().AddAll();
    EXPECT_EQ(Targets().mid(3), QStringList({"C:\\S\\A", "C:\\S\\B", "C:\\S\\C"}));
}

TEST_F(SubfolderTest, AnEmptyFolderAddsNothingButStillUpdatesTheRunButtons)
{
    m_window->SourcePane()->SetFolder(QStringLiteral("C:\\S\\B"));
    EXPECT_EQ(Names().subfolderList->count(), 0);
    m_window->runButtons[0]->setEnabled(true);
    Names().AddAll();
    EXPECT_TRUE(Targets().isEmpty());
    EXPECT_FALSE(m_window->runButtons[0]->isEnabled());
}

TEST_F(SubfolderTest, ANameWhoseFolderWasDeletedIsSkipped)
{
    std::filesystem::remove_all(Host("C:\\S\\B"));
    Names().SelectAll();
    Names().AddSelected();
    EXPECT_EQ(Targets(), QStringList({"C:\\S\\A", "C:\\S\\C"}));
    // Double click takes the first selected name that still exists.
    Names().SelectNone();
    Select(1);
    Select(2);
    Names().OpenSelectedSubfolder();
    EXPECT_EQ(m_window->SourcePane()->Folder(), "C:\\S\\C");
    EXPECT_EQ(Items(Names().subfolderList), QStringList({"C1"}));
}

TEST_F(SubfolderTest, EnterMovesTheFocusToTheTargetList)
{
    QApplication::setActiveWindow(m_window.get());
    Names().subfolderList->setFocus();
    QTest::keyClick(Names().subfolderList, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), m_window->TargetPane()->targetList);
}

}  // namespace
