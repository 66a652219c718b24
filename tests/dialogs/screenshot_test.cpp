// Pictures of every dialog with its Japanese texts, for a person to look at
// (build/screenshots/*.png). The test checks only that each picture was written and is not
// blank.

#include "support/DialogSandbox.h"

#include "app/frmAbout.h"
#include "app/frmOption.h"
#include "common/basQuill.h"
#include "dialogs/frmDefault.h"
#include "dialogs/frmMenuMente.h"
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
    basQuill::SetFreeSpaceProvider([](const std::string&) { return std::uint64_t(1234) << 20; });

    m_options.Jibun = true;
    m_options.Auto = true;
    frmOption option(m_options, {});
    save(option, "frmOption");

    frmAbout about(m_options, {true, true, 104, 104, 104}, nullptr);
    save(about, "frmAbout");

    frmDefault defaults(m_options);
    defaults.pstr_lblDrive_Caption = QStringLiteral("圧縮ファイル格納フォルダ名");
    defaults.SetDirName(QStringLiteral("D:\\Archives"));
    save(defaults, "frmDefault");

    frmMenuMente mente(m_options);
    mente.Set_Menu(0, QStringLiteral("作業フォルダ"), QStringLiteral("C:\\Work"));
    mente.Set_Menu(1, QStringLiteral("書庫"),
                   QStringLiteral("D:\\Archives\\2026\\January\\Week1\\Mon"));
    mente.Set_Menu(2, QStringLiteral("backup"), QStringLiteral("D:\\Backup"));
    mente.pstr_Me_Caption = QStringLiteral("圧縮フォルダ格納フォルダ");
    save(mente, "frmMenuMente");
}

}  // namespace
