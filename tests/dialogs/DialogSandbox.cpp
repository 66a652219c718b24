#include "DialogSandbox.h"

#include "common/basQuill.h"
#include "dialogs/UiSeams.h"
#include "engine/Archivers.h"
#include "engine/Options.h"
#include "platform/CurrentDir.h"
#include "platform/Drives.h"
#include "platform/SettingsStore.h"

#include <QDir>

#include <unistd.h>

void DialogSandbox::SetUp()
{
    ASSERT_TRUE(m_dir.isValid());
    const QString root = m_dir.path();
    for (const char *sub : {"config", "c", "d"})
        ASSERT_TRUE(QDir(root).mkpath(QLatin1String(sub)));
    qputenv("XDG_CONFIG_HOME", (root + QStringLiteral("/config")).toUtf8());
    qputenv("QUILLBOX2_DRIVES", QStringLiteral("C:=%1/c;D:=%1/d").arg(root).toUtf8());
    m_oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", (root + QStringLiteral("/c")).toUtf8());
    m_oldCwd = QDir::currentPath().toUtf8();
    ASSERT_EQ(::chdir((root + QStringLiteral("/c")).toUtf8().constData()), 0);
    qb::platform::ReloadDrives();
    m_options = {};
    qb::engine::LoadSettings(m_options);
    qb::engine::Modules.LzhAvailable = true;
    qb::engine::Modules.ZipAvailable = true;
    qb::ui::test::Reset();
    qb::ui::test::SetNeverShow(true);
}

void DialogSandbox::TearDown()
{
    basQuill::SetFreeSpaceProvider({});
    qb::ui::test::Reset();
    [[maybe_unused]] const int rc = ::chdir(m_oldCwd.constData());
    if (m_oldTmp.isEmpty())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", m_oldTmp);
}

QString DialogSandbox::hostOf(const QString &drivePath) const
{
    return QString::fromStdString(qb::platform::ToHostPath(drivePath.toStdString()));
}

void DialogSandbox::makeFolder(const QString &drivePath) const
{
    ASSERT_TRUE(QDir().mkpath(hostOf(drivePath))) << drivePath.toStdString();
}

std::string DialogSandbox::stored(const std::string &key) const
{
    return qb::platform::GetSetting("Brambleworks", "Quillbox2", key, "<absent>");
}
