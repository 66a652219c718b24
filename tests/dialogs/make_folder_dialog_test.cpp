// Folder creation: the naming rules with their messages in order, trimming, the trailing
// backslash, existing names, and the working folder put back afterwards.

#include "support/DialogSandbox.h"

#include "dialogs/Messages.h"
#include "dialogs/UiSeams.h"
#include "dialogs/MakeFolderDialog.h"
#include "platform/CurrentDir.h"

#include <QDir>
#include <QFileInfo>

namespace {

using qb::ui::SharedMessageText;
namespace seam = qb::ui::test;

class MakeFolderDialogTest : public DialogSandbox {
protected:
    void SetUp() override
    {
        DialogSandbox::SetUp();
        makeFolder(QStringLiteral("C:\\data"));
    }
    // Makes a folder under parent with the typed answer; returns the result and the messages.
    QString make(const QString& parent, const QString& typed, QStringList* messages = nullptr)
    {
        seam::QueueInput(typed);
        const QString result = MakeFolderDialog::MakeFolder(nullptr, parent);
        const QStringList record = seam::TakeRecord();
        if (messages) {
            *messages = record.filter(QStringLiteral("message: "));
            for (QString& line : *messages)
                line.remove(0, 9);
        }
        return result;
    }
    bool exists(const QString& drivePath) { return QFileInfo(hostOf(drivePath)).isDir(); }
};

TEST_F(MakeFolderDialogTest, CreatesInsideTheParentAndAtARoot)
{
    QStringList messages;
    EXPECT_EQ(make(QStringLiteral("C:\\data"), QStringLiteral("work"), &messages),
              QStringLiteral("C:\\data\\work"));
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_TRUE(exists(QStringLiteral("C:\\data\\work")));
    EXPECT_EQ(make(QStringLiteral("C:\\"), QStringLiteral("work")), QStringLiteral("C:\\work"));
    EXPECT_TRUE(exists(QStringLiteral("C:\\work")));
}

TEST_F(MakeFolderDialogTest, PromptAndTitle)
{
    seam::QueueInput(std::nullopt);
    EXPECT_TRUE(MakeFolderDialog::MakeFolder(nullptr, QStringLiteral("C:\\data")).isEmpty());
    EXPECT_EQ(seam::TakeRecord(),
              QStringList{QStringLiteral("input: 作成するフォルダ名を入力してください\rC:\\data")});
}

TEST_F(MakeFolderDialogTest, NamingRulesInOrder)
{
    struct Case {
        const char* typed;
        int message;
    };
    const Case cases[] = {
        {"a\\b", 101},  // a backslash inside
        {"\\work", 101}, {"a*b", 102},
        {"a?b", 103},    {"*?", 102},  // the first rule broken is the one shown
        {"a\\*", 101},   {".work", 108},
        {"work.", 108},  {"..", 108},
    };
    for (const Case& c : cases) {
        QStringList messages;
        EXPECT_TRUE(
            make(QStringLiteral("C:\\data"), QString::fromUtf8(c.typed), &messages).isEmpty())
            << c.typed;
        EXPECT_EQ(messages, QStringList{SharedMessageText(c.message)}) << c.typed;
    }
    EXPECT_EQ(
        QDir(hostOf(QStringLiteral("C:\\data"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
        QStringList{});
    EXPECT_FALSE(MakeFolderDialog::CheckFolderName(nullptr, QString()));
    EXPECT_EQ(seam::TakeRecord(),
              QStringList{QStringLiteral("message: ") + SharedMessageText(kSharedMakeFolderNoName)});
}

TEST_F(MakeFolderDialogTest, TrailingBackslashAndLeadingSpaceAreAccepted)
{
    EXPECT_EQ(make(QStringLiteral("C:\\data"), QStringLiteral("work\\")),
              QStringLiteral("C:\\data\\work"));
    EXPECT_TRUE(exists(QStringLiteral("C:\\data\\work")));
    // A space before the dot passes the checks and is trimmed away afterwards.
    EXPECT_EQ(make(QStringLiteral("C:\\data"), QStringLiteral(" .work")),
              QStringLiteral("C:\\data\\.work"));
    EXPECT_TRUE(exists(QStringLiteral("C:\\data\\.work")));
}

TEST_F(MakeFolderDialogTest, SpacesOnlyDoNothingSilently)
{
    QStringList messages;
    EXPECT_TRUE(make(QStringLiteral("C:\\data"), QStringLiteral("   "), &messages).isEmpty());
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(MakeFolderDialogTest, CancelAndEmptyAnswerDoNothingSilently)
{
    seam::QueueInput(std::nullopt);
    EXPECT_TRUE(MakeFolderDialog::MakeFolder(nullptr, QStringLiteral("C:\\data")).isEmpty());
    seam::QueueInput(QString());
    EXPECT_TRUE(MakeFolderDialog::MakeFolder(nullptr, QStringLiteral("C:\\data")).isEmpty());
    EXPECT_TRUE(seam::TakeRecord().filter(QStringLiteral("message: ")).isEmpty());
}

TEST_F(MakeFolderDialogTest, ExistingNameAndSingleBackslashGiveCouldNotCreate)
{
    makeFolder(QStringLiteral("C:\\data\\old"));
    QStringList messages;
    EXPECT_TRUE(make(QStringLiteral("C:\\data"), QStringLiteral("old"), &messages).isEmpty());
    EXPECT_EQ(messages, QStringList{SharedMessageText(kSharedMakeFolderFailed)});
    // A lone backslash passes the checks, leaves an empty name, and so tries the parent itself.
    EXPECT_TRUE(make(QStringLiteral("C:\\data"), QStringLiteral("\\"), &messages).isEmpty());
    EXPECT_EQ(messages, QStringList{SharedMessageText(kSharedMakeFolderFailed)});
    EXPECT_TRUE(make(QStringLiteral("C:\\"), QStringLiteral("\\"), &messages).isEmpty());
    EXPECT_EQ(messages, QStringList{SharedMessageText(kSharedMakeFolderFailed)});
}

TEST_F(MakeFolderDialogTest, NamesTheFileSystemWouldReadAsAnotherPlaceAreRefused)
{
    QStringList messages;
    for (const char* typed : {"x/y", " .. ", " ../data2"}) {
        EXPECT_TRUE(make(QStringLiteral("C:\\data"), QString::fromUtf8(typed), &messages).isEmpty())
            << typed;
        EXPECT_EQ(messages, QStringList{SharedMessageText(kSharedMakeFolderFailed)}) << typed;
    }
    EXPECT_FALSE(exists(QStringLiteral("C:\\data2")));
    EXPECT_FALSE(exists(QStringLiteral("C:\\data\\x")));
}

TEST_F(MakeFolderDialogTest, AMissingParentGivesCouldNotCreate)
{
    QStringList messages;
    EXPECT_TRUE(make(QStringLiteral("C:\\nothere"), QStringLiteral("work"), &messages).isEmpty());
    EXPECT_EQ(messages, QStringList{SharedMessageText(kSharedMakeFolderFailed)});
    EXPECT_FALSE(exists(QStringLiteral("C:\\nothere")));
}

TEST_F(MakeFolderDialogTest, AReadOnlyParentGivesCouldNotCreate)
{
    QStringList messages;
    makeFolder(QStringLiteral("C:\\ro"));
    QFile::setPermissions(hostOf(QStringLiteral("C:\\ro")),
                          QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (QFileInfo(hostOf(QStringLiteral("C:\\ro"))).isWritable())
        GTEST_SKIP() << "running with rights that ignore permissions";
    EXPECT_TRUE(make(QStringLiteral("C:\\ro"), QStringLiteral("work"), &messages).isEmpty());
    EXPECT_EQ(messages, QStringList{SharedMessageText(kSharedMakeFolderFailed)});
    QFile::setPermissions(hostOf(QStringLiteral("C:\\ro")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST_F(MakeFolderDialogTest, TheWorkingFolderIsPutBack)
{
    makeFolder(QStringLiteral("D:\\keep"));
    ASSERT_TRUE(qb::platform::SetCurrentDirectory("D:\\keep"));
    const std::string before = qb::platform::CurrentDirectory();
    const std::string beforeD = qb::platform::CurrentDirectory('D');
    const QString cwd = QDir::currentPath();
    EXPECT_EQ(make(QStringLiteral("D:\\"), QStringLiteral("new")), QStringLiteral("D:\\new"));
    EXPECT_EQ(qb::platform::CurrentDirectory(), before);
    EXPECT_EQ(qb::platform::CurrentDirectory('D'), beforeD);
    EXPECT_EQ(QDir::currentPath(), cwd);
}

}  // namespace
