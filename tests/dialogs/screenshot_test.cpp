// Pictures of every dialog with its Japanese texts, for a person to look at
// (build/screenshots/*.png). The test checks only that each picture was written and is not
// blank.

#include "support/DialogSandbox.h"

#include "app/AboutDialog.h"
#include "app/OptionsDialog.h"
#include "common/PathHelpers.h"
#include "dialogs/InitialFoldersDialog.h"
#include "dialogs/FolderAliasDialog.h"
#include "engine/Options.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPixmap>

namespace {

class Screenshot : public DialogSandbox {
protected:
    void save(QWidget& dialog, const char* name)
    {
        dialog.show();
        QApplication::processEvents();
        const QImage image = dialog.grab().toImage();
        QDir().mkpath(QStringLiteral(QB_SCREENSHOT_DIR));
        const QString path = QStringLiteral(QB_SCREENSHOT_DIR "/%1.png").arg(QLatin1String(name));
        ASSERT_TRUE(image.save(path)) << path.toStdString();
        // Not one flat colour: the texts were drawn.
        const QRgb first = image.pixel(image.width() / 2, image.height() / 2);
        bool varied = false;
        for (int y = 0; y < image.height() && !varied; y += 3) {
            for (int x = 0; x < image.width() && !varied; x += 3)
                varied = image.pixel(x, y) != first;
        }
        EXPECT_TRUE(varied) << name;
        dialog.hide();
    }
};

TEST_F(Screenshot, EveryDialog)
{
    makeFolder(QStringLiteral("D:\\Archives\\2026"));
    makeFolder(QStringLiteral("D:\\Archives\\Old"));
    PathHelpers::SetFreeSpaceProvider([](const std::string&) { return std::uint64_t(1234) << 20; });

    m_options.StoreFolderPath = true;
    m_options.AutoRun = true;
    OptionsDialog option(m_options, {});
    save(option, "OptionsDialog");

    AboutDialog about(m_options, {true, true, 104, 104, 104}, nullptr);
    save(about, "AboutDialog");

    InitialFoldersDialog defaults(m_options);
    defaults.folderCaption = QStringLiteral("圧縮ファイル格納フォルダ名");
    defaults.SetFolder(QStringLiteral("D:\\Archives"));
    save(defaults, "InitialFoldersDialog");

    FolderAliasDialog aliasDialog(m_options);
    aliasDialog.SetAlias(0, QStringLiteral("作業フォルダ"), QStringLiteral("C:\\Work"));
    aliasDialog.SetAlias(1, QStringLiteral("書庫"),
                   QStringLiteral("D:\\Archives\\2026\\January\\Week1\\Mon"));
    aliasDialog.SetAlias(2, QStringLiteral("backup"), QStringLiteral("D:\\Backup"));
    aliasDialog.ownerTitle = QStringLiteral("圧縮フォルダ格納フォルダ");
    save(aliasDialog, "FolderAliasDialog");
}

}  // namespace
