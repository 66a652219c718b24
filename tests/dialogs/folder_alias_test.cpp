// Folder aliases of the two folder panes and their maintenance dialog: loading and saving
// the ten slots, adding through the input box, the popup entries' states, and the dialog's
// edits, which reach the pane only through OK.

#include "support/DialogSandbox.h"

#include "dialogs/FolderAliases.h"
#include "dialogs/Messages.h"
#include "dialogs/UiSeams.h"
#include "dialogs/FolderAliasDialog.h"
#include "platform/SettingsStore.h"

#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <string>

namespace {

using qb::ui::SharedMessageText;
namespace seam = qb::ui::test;

// A pane stand-in: a widget with a popup menu and a current folder.
struct FakePane {
    QWidget widget;
    QMenu popup{&widget};
    QString folder = QStringLiteral("C:\\");
    QString jumpedTo;
    FolderAliases aliases;
    explicit FakePane(FolderAliases::Pane pane, FolderAliasDialog* aliasDialog)
        : aliases(
              pane, &widget, [this] { return folder; },
              [this](const QString& dir) { jumpedTo = dir; })
    {
        aliases.SetMaintenanceDialog(aliasDialog);
        aliases.AddToMenu(&popup);
    }
    bool add(const QString& name)
    {
        const int before = aliases.AliasLast();
        seam::QueueInput(name);
        aliases.AddAlias();
        return aliases.AliasLast() == before + 1;
    }
};

class FolderAliasTest : public DialogSandbox {
protected:
    FolderAliasDialog aliasDialog{m_options};

    // Runs the maintenance dialog of a pane; `inside` acts while it is open, then OK or Cancel.
    void maintain(FakePane& pane, const std::function<void()>& inside, bool pressOk)
    {
        QTimer::singleShot(0, &aliasDialog, [&] {
            inside();
            button(pressOk ? "okButton" : "cancelButton")->click();
            if (aliasDialog.isVisible()) {
                ADD_FAILURE() << "the dialog did not close";
                aliasDialog.reject();
            }
        });
        pane.aliases.EditAliases();
    }
    QPushButton* button(const char* name)
    {
        return aliasDialog.findChild<QPushButton*>(QLatin1String(name));
    }
    QListWidget* list() { return aliasDialog.findChild<QListWidget*>(QStringLiteral("aliasList")); }
    QLineEdit* folderText() { return aliasDialog.findChild<QLineEdit*>(QStringLiteral("folderPathBox")); }
    void storeAlias(const std::string& prefix, int i, const std::string& name,
                    const std::string& dir)
    {
        qb::platform::SaveSetting("Brambleworks", "Quillbox2",
                                  prefix + "_DirName" + std::to_string(i), name);
        qb::platform::SaveSetting("Brambleworks", "Quillbox2",
                                  prefix + "_DirDir" + std::to_string(i), dir);
    }
};

TEST_F(FolderAliasTest, EmptyPaneMenuState)
{
    FakePane pane(FolderAliases::Pane::SourceFolder, &aliasDialog);
    EXPECT_EQ(pane.aliases.AliasLast(), -1);
    EXPECT_TRUE(pane.aliases.AddAliasAction()->isEnabled());
    EXPECT_FALSE(pane.aliases.EditAliasesAction()->isEnabled());
    EXPECT_FALSE(pane.aliases.AliasSeparator()->isVisible());
    EXPECT_EQ(pane.aliases.AddAliasAction()->text(), SharedMessageText(kSharedMenuAddAlias));
    EXPECT_EQ(pane.aliases.EditAliasesAction()->text(), SharedMessageText(kSharedMenuAliases));
    for (int i = 0; i < 10; ++i)
        EXPECT_FALSE(pane.aliases.AliasAction(i)->isVisible());
}

TEST_F(FolderAliasTest, AddUsesTheShortFormAsDefaultNameAndKeepsTheFullFolder)
{
    makeFolder(QStringLiteral("C:\\A\\B\\C\\D"));
    FakePane pane(FolderAliases::Pane::SourceFolder, &aliasDialog);
    pane.folder = QStringLiteral("C:\\A\\B\\C\\D");
    seam::QueueInput(QStringLiteral("C:\\A\\...\\C\\D"));
    pane.aliases.AddAlias();
    EXPECT_EQ(seam::TakeRecord(),
              QStringList{QStringLiteral("input: ") + SharedMessageText(kSharedAliasPrompt) +
                          QLatin1Char('\r') + pane.folder});
    ASSERT_EQ(pane.aliases.AliasLast(), 0);
    EXPECT_EQ(pane.aliases.AliasName(0), QStringLiteral("C:\\A\\...\\C\\D"));
    EXPECT_EQ(pane.aliases.AliasDir(0), QStringLiteral("C:\\A\\B\\C\\D"));
    EXPECT_TRUE(pane.aliases.AliasAction(0)->isVisible());
    EXPECT_EQ(pane.aliases.AliasAction(0)->text(), QStringLiteral("C:\\A\\...\\C\\D"));
    EXPECT_TRUE(pane.aliases.AliasSeparator()->isVisible());
    EXPECT_TRUE(pane.aliases.EditAliasesAction()->isEnabled());

    pane.aliases.AliasAction(0)->trigger();
    EXPECT_EQ(pane.jumpedTo, QStringLiteral("C:\\A\\B\\C\\D"));
}

TEST_F(FolderAliasTest, CancelOrEmptyAnswerAddsNothing)
{
    FakePane pane(FolderAliases::Pane::OutputFolder, &aliasDialog);
    seam::QueueInput(std::nullopt);
    pane.aliases.AddAlias();
    seam::QueueInput(QString());
    pane.aliases.AddAlias();
    EXPECT_EQ(pane.aliases.AliasLast(), -1);
    for (const QString& line : seam::TakeRecord())
        EXPECT_TRUE(line.startsWith(QStringLiteral("input: ")));
}

TEST_F(FolderAliasTest, DuplicateNameRefusedInTheSamePaneAllowedInTheOther)
{
    FakePane in(FolderAliases::Pane::SourceFolder, &aliasDialog);
    FakePane out(FolderAliases::Pane::OutputFolder, &aliasDialog);
    ASSERT_TRUE(in.add(QStringLiteral("work")));
    ASSERT_TRUE(in.add(QStringLiteral("data")));
    seam::TakeRecord();
    // Equal to the first, not the last: still refused.
    EXPECT_FALSE(in.add(QStringLiteral("work")));
    EXPECT_TRUE(
        seam::TakeRecord().contains(QStringLiteral("message: ") + SharedMessageText(kSharedAliasExists)));
    EXPECT_EQ(in.aliases.AliasLast(), 1);
    // Exact comparison: other case and surrounding blanks are other names.
    EXPECT_TRUE(in.add(QStringLiteral("Work")));
    EXPECT_TRUE(in.add(QStringLiteral(" work")));
    EXPECT_TRUE(out.add(QStringLiteral("work")));
}

TEST_F(FolderAliasTest, TenAliasesDisableAddUntilOneIsDeleted)
{
    FakePane pane(FolderAliases::Pane::SourceFolder, &aliasDialog);
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(pane.add(QStringLiteral("a%1").arg(i)));
    EXPECT_EQ(pane.aliases.AliasLast(), 9);
    EXPECT_FALSE(pane.aliases.AddAliasAction()->isEnabled());
    seam::TakeRecord();
    pane.aliases.AddAlias();  // even called directly, it adds nothing and asks nothing
    EXPECT_TRUE(seam::TakeRecord().isEmpty());

    maintain(
        pane,
        [&] {
            list()->setCurrentRow(4);
            button("removeButton")->click();
        },
        true);
    EXPECT_EQ(pane.aliases.AliasLast(), 8);
    EXPECT_EQ(pane.aliases.AliasName(4), QStringLiteral("a5"));
    EXPECT_TRUE(pane.aliases.AddAliasAction()->isEnabled());
    EXPECT_FALSE(pane.aliases.AliasAction(9)->isVisible());
}

TEST_F(FolderAliasTest, AGapInTheStoredSlotsEndsTheListAndIsClearedAtSave)
{
    storeAlias("Dir_In", 0, "zero", "C:\\z");
    storeAlias("Dir_In", 1, "one", "C:\\o");
    storeAlias("Dir_In", 3, "three", "C:\\t");
    storeAlias("Dir_In", 4, "name-without-folder", "");
    FakePane pane(FolderAliases::Pane::SourceFolder, &aliasDialog);
    pane.aliases.Load("Brambleworks");
    EXPECT_EQ(pane.aliases.AliasLast(), 1);
    EXPECT_TRUE(pane.aliases.AliasAction(1)->isVisible());
    EXPECT_FALSE(pane.aliases.AliasAction(3)->isVisible());

    pane.aliases.Save();
    EXPECT_EQ(stored("Dir_In_DirName1"), "one");
    for (int i = 2; i < 10; ++i) {
        EXPECT_EQ(stored("Dir_In_DirName" + std::to_string(i)), "") << i;
        EXPECT_EQ(stored("Dir_In_DirDir" + std::to_string(i)), "") << i;
    }
    // The other pane's keys are its own.
    EXPECT_EQ(stored("Dir_Out_DirName0"), "<absent>");
}

TEST_F(FolderAliasTest, ReadsTheLocationItIsGiven)
{
    qb::platform::SaveSetting("Quillbox2", "Quillbox2", "Dir_Out_DirName0", "old");
    qb::platform::SaveSetting("Quillbox2", "Quillbox2", "Dir_Out_DirDir0", "D:\\old");
    FakePane pane(FolderAliases::Pane::OutputFolder, &aliasDialog);
    pane.aliases.Load("Quillbox2");
    ASSERT_EQ(pane.aliases.AliasLast(), 0);
    EXPECT_EQ(pane.aliases.AliasDir(0), QStringLiteral("D:\\old"));
    pane.aliases.Save();
    EXPECT_EQ(stored("Dir_Out_DirName0"), "old");
}

TEST_F(FolderAliasTest, DeleteAllThenCancelKeepsThenOkRemovesEverything)
{
    FakePane pane(FolderAliases::Pane::OutputFolder, &aliasDialog);
    ASSERT_TRUE(pane.add(QStringLiteral("a")));
    ASSERT_TRUE(pane.add(QStringLiteral("b")));
    maintain(
        pane,
        [&] {
            EXPECT_EQ(aliasDialog.windowTitle(),
                      QStringLiteral("圧縮ファイル格納フォルダのエリアスメンテナンス"));
            EXPECT_EQ(list()->count(), 2);
            button("removeAllButton")->click();
            EXPECT_EQ(list()->count(), 0);
            EXPECT_FALSE(button("renameButton")->isEnabled());
            EXPECT_TRUE(folderText()->text().isEmpty());
        },
        false);
    EXPECT_EQ(pane.aliases.AliasLast(), 1);
    EXPECT_EQ(pane.aliases.AliasName(1), QStringLiteral("b"));

    maintain(
        pane, [&] { button("removeAllButton")->click(); }, true);
    EXPECT_EQ(pane.aliases.AliasLast(), -1);
    EXPECT_FALSE(pane.aliases.AliasSeparator()->isVisible());
    EXPECT_FALSE(pane.aliases.EditAliasesAction()->isEnabled());
    EXPECT_FALSE(pane.aliases.AliasAction(0)->isVisible());
}

TEST_F(FolderAliasTest, UpDownAndTheirEnds)
{
    FakePane pane(FolderAliases::Pane::SourceFolder, &aliasDialog);
    pane.folder = QStringLiteral("C:\\1");
    ASSERT_TRUE(pane.add(QStringLiteral("one")));
    pane.folder = QStringLiteral("C:\\2");
    ASSERT_TRUE(pane.add(QStringLiteral("two")));
    pane.folder = QStringLiteral("C:\\3");
    ASSERT_TRUE(pane.add(QStringLiteral("three")));
    maintain(
        pane,
        [&] {
            EXPECT_EQ(list()->currentRow(), 0);
            EXPECT_EQ(folderText()->text(), QStringLiteral("C:\\1"));
            button("moveUpButton")->click();  // first entry: nothing
            EXPECT_EQ(list()->item(0)->text(), QStringLiteral("one"));
            button("moveDownButton")->click();
            EXPECT_EQ(list()->currentRow(), 1);
            EXPECT_EQ(folderText()->text(), QStringLiteral("C:\\1"));
            list()->setCurrentRow(2);
            button("moveDownButton")->click();  // last entry: nothing
            EXPECT_EQ(list()->item(2)->text(), QStringLiteral("three"));
            button("moveUpButton")->click();
        },
        true);
    EXPECT_EQ(pane.aliases.AliasName(0), QStringLiteral("two"));
    EXPECT_EQ(pane.aliases.AliasName(1), QStringLiteral("three"));
    EXPECT_EQ(pane.aliases.AliasDir(1), QStringLiteral("C:\\3"));
    EXPECT_EQ(pane.aliases.AliasName(2), QStringLiteral("one"));
    EXPECT_EQ(pane.aliases.AliasAction(0)->text(), QStringLiteral("two"));
}

TEST_F(FolderAliasTest, RenameRules)
{
    FakePane pane(FolderAliases::Pane::SourceFolder, &aliasDialog);
    ASSERT_TRUE(pane.add(QStringLiteral("one")));
    ASSERT_TRUE(pane.add(QStringLiteral("two")));
    seam::TakeRecord();
    maintain(
        pane,
        [&] {
            seam::QueueInput(QStringLiteral("one"));  // its own name: nothing, no message
            button("renameButton")->click();
            seam::QueueInput(QStringLiteral("two"));  // another alias's name
            button("renameButton")->click();
            seam::QueueInput(QString());  // empty: nothing
            button("renameButton")->click();
            list()->setCurrentRow(1);
            seam::QueueInput(QStringLiteral("second"));
            button("renameButton")->click();
            EXPECT_EQ(list()->item(1)->text(), QStringLiteral("second"));
        },
        true);
    const QStringList record = seam::TakeRecord();
    EXPECT_EQ(record.filter(QStringLiteral("message: ")),
              QStringList{QStringLiteral("message: ") + SharedMessageText(kSharedRenameExists)});
    EXPECT_EQ(record.first(), QStringLiteral("input: ") + SharedMessageText(kSharedRenamePrompt));
    EXPECT_EQ(pane.aliases.AliasName(0), QStringLiteral("one"));
    EXPECT_EQ(pane.aliases.AliasName(1), QStringLiteral("second"));
}

TEST_F(FolderAliasTest, EditsInTheDialogStayThereOnCancelAndDoNotCrossPanes)
{
    FakePane in(FolderAliases::Pane::SourceFolder, &aliasDialog);
    FakePane out(FolderAliases::Pane::OutputFolder, &aliasDialog);
    ASSERT_TRUE(in.add(QStringLiteral("in-a")));
    ASSERT_TRUE(in.add(QStringLiteral("in-b")));
    ASSERT_TRUE(out.add(QStringLiteral("out-a")));
    maintain(
        in,
        [&] {
            button("removeButton")->click();
            EXPECT_EQ(list()->count(), 1);
            EXPECT_EQ(list()->currentRow(), 0);
        },
        false);
    EXPECT_EQ(in.aliases.AliasLast(), 1);
    maintain(
        out,
        [&] {
            EXPECT_EQ(aliasDialog.windowTitle(),
                      QStringLiteral("圧縮ファイル格納フォルダのエリアスメンテナンス"));
            EXPECT_EQ(list()->count(), 1);
            EXPECT_EQ(list()->item(0)->text(), QStringLiteral("out-a"));
        },
        true);
    EXPECT_EQ(out.aliases.AliasName(0), QStringLiteral("out-a"));
}

TEST_F(FolderAliasTest, GetAliasOutsideTheListGivesEmptyTexts)
{
    aliasDialog.SetAlias(0, QStringLiteral("n"), QStringLiteral("C:\\n"));
    aliasDialog.SetAlias(10, QStringLiteral("x"), QStringLiteral("C:\\x"));  // ignored
    aliasDialog.SetAlias(-1, QStringLiteral("x"), QStringLiteral("C:\\x"));
    aliasDialog.show();
    EXPECT_EQ(aliasDialog.LastAliasIndex(), 0);
    QString name = QStringLiteral("junk");
    QString dir = QStringLiteral("junk");
    aliasDialog.GetAlias(1, name, dir);
    EXPECT_TRUE(name.isEmpty() && dir.isEmpty());
    aliasDialog.GetAlias(0, name, dir);
    EXPECT_EQ(name, QStringLiteral("n"));
    aliasDialog.hide();
}

TEST_F(FolderAliasTest, AnAmpersandIsShownAsTyped)
{
    FakePane pane(FolderAliases::Pane::SourceFolder, &aliasDialog);
    ASSERT_TRUE(pane.add(QStringLiteral("R&D")));
    EXPECT_EQ(pane.aliases.AliasAction(0)->text(), QStringLiteral("R&&D"));
    EXPECT_EQ(pane.aliases.AliasName(0), QStringLiteral("R&D"));
}

}  // namespace
