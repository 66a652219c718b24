// The created-archive list: duplicates, its silent limit, refresh against the disk, and what a
// drag carries.

#include "support/WindowFixture.h"

#include "panes/ArchiveListPane.h"

#include <QListWidget>
#include <QMimeData>
#include <QUrl>

#include <filesystem>
#include <memory>

using namespace qbtest;

namespace {

class ArchiveListTest : public WindowTest {
protected:
    ArchiveListPane& Archives() { return *m_window->ArchivePane(); }
};

TEST_F(ArchiveListTest, EachArchiveIsListedOnceAndAt1000TheListStopsSilently)
{
    Window();
    Archives().AddArchive(QStringLiteral("D:\\OUT\\ABC.LZH"));
    Archives().AddArchive(QStringLiteral("D:\\OUT\\ABC.LZH"));
    EXPECT_EQ(Archives().archiveList->count(), 1);
    for (int i = 1; i < 1000; ++i)
        Archives().AddArchive(QStringLiteral("D:\\OUT\\%1.LZH").arg(i));
    EXPECT_EQ(Archives().archiveList->count(), 1000);
    Archives().AddArchive(QStringLiteral("D:\\OUT\\MORE.LZH"));
    EXPECT_EQ(Archives().archiveList->count(), 1000);
    EXPECT_TRUE(TakeMessages().isEmpty());
}

TEST_F(ArchiveListTest, RefreshDropsDeletedArchivesAndTakesTheDiskSpelling)
{
    MakeFolder("D:\\Out");
    WriteFile("D:\\Out\\Keep.lzh", "x");
    WriteFile("D:\\Out\\Gone.lzh", "x");
    Window();
    Archives().AddArchive(QStringLiteral("D:\\OUT\\KEEP.LZH"));
    Archives().AddArchive(QStringLiteral("D:\\Out\\Gone.lzh"));
    std::filesystem::remove(Host("D:\\Out\\Gone.lzh"));
    Archives().RefreshFromDisk();
    EXPECT_EQ(Items(Archives().archiveList), QStringList({"D:\\Out\\Keep.lzh"}));
    Archives().ClearList();
    EXPECT_EQ(Archives().archiveList->count(), 0);
}

TEST_F(ArchiveListTest, ADragCarriesTheSelectedArchivesAsFileUrlsOnly)
{
    MakeFolder("D:\\Out");
    Window();
    for (const char* p : {"D:\\Out\\A.LZH", "D:\\Out\\B.LZH", "D:\\Out\\C.LZH"})
        Archives().AddArchive(QString::fromLatin1(p));
    Archives().archiveList->item(0)->setSelected(true);
    Archives().archiveList->item(2)->setSelected(true);
    std::unique_ptr<QMimeData> data(Archives().DragData());
    const QList<QUrl> urls = data->urls();
    ASSERT_EQ(urls.size(), 2);
    EXPECT_EQ(urls[0].toLocalFile().toStdString(), m_sandbox->D() + "/Out/A.LZH");
    EXPECT_EQ(urls[1].toLocalFile().toStdString(), m_sandbox->D() + "/Out/C.LZH");
    EXPECT_EQ(data->formats(), QStringList({"text/uri-list"}));

    Archives().SelectNone();
    std::unique_ptr<QMimeData> none(Archives().DragData());
    EXPECT_TRUE(none->urls().isEmpty());
}

}  // namespace
