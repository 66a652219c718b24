// The subfolder list: what its three add buttons add, double click, stale names and Enter.

#include "support/WindowFixture.h"

#include "panes/mdiFile.h"
#include "panes/mdiInDir.h"
#include "panes/mdiInFile.h"

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
        m_window->InDir()->SetDirName(QStringLiteral("C:\\S"));
    }
    mdiInFile& Names() { return *m_window->InFile(); }
    QStringList Targets() { return Items(m_window->File()->lstFile); }
    void Select(int row) { Names().lstDir->item(row)->setSelected(true); }
};

TEST_F(SubfolderTest, ListsTheFoldersByNameWithoutFilesOrHiddenOnes)
{
    EXPECT_EQ(Items(Names().lstDir), QStringList({"A", "B", "C"}));
}

TEST_F(SubfolderTest, AddSelectedTakesOnlyTheSelectedAndClearsTheirMarks)
{
    Select(1);
    Names().btnAdd_Click();
    EXPECT_EQ(Targets(), QStringList({"C:\\S\\B"}));
    EXPECT_TRUE(Names().lstDir->selectedItems().isEmpty());
    EXPECT_TRUE(m_window->btnExe[0]->isEnabled());
}

TEST_F(SubfolderTest, AddAllSubfoldersGoesOneLevelDownOnly)
{
    Names().btnAddAllAll_Click();
    EXPECT_EQ(Targets(), QStringList({"C:\\S\\A\\A1", "C:\\S\\A\\A2", "C:\\S\\C\\C1"}));
    Names().btnAddAll_Click();
    EXPECT_EQ(Targets().mid(3), QStringList({"C:\\S\\A", "C:\\S\\B", "C:\\S\\C"}));
}

TEST_F(SubfolderTest, AnEmptyFolderAddsNothingButStillUpdatesTheRunButtons)
{
    m_window->InDir()->SetDirName(QStringLiteral("C:\\S\\B"));
    EXPECT_EQ(Names().lstDir->count(), 0);
    m_window->btnExe[0]->setEnabled(true);
    Names().btnAddAll_Click();
    EXPECT_TRUE(Targets().isEmpty());
    EXPECT_FALSE(m_window->btnExe[0]->isEnabled());
}

TEST_F(SubfolderTest, ANameWhoseFolderWasDeletedIsSkipped)
{
    std::filesystem::remove_all(Host("C:\\S\\B"));
    Names().SelectAll();
    Names().btnAdd_Click();
    EXPECT_EQ(Targets(), QStringList({"C:\\S\\A", "C:\\S\\C"}));
    // Double click takes the first selected name that still exists.
    Names().SelectClear();
    Select(1);
    Select(2);
    Names().lstDir_DblClick();
    EXPECT_EQ(m_window->InDir()->DirName(), "C:\\S\\C");
    EXPECT_EQ(Items(Names().lstDir), QStringList({"C1"}));
}

TEST_F(SubfolderTest, EnterMovesTheFocusToTheTargetList)
{
    QApplication::setActiveWindow(m_window.get());
    Names().lstDir->setFocus();
    QTest::keyClick(Names().lstDir, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), m_window->File()->lstFile);
}

}  // namespace
