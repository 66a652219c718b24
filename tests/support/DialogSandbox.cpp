#include "support/DialogSandbox.h"

#include "common/PathHelpers.h"
#include "dialogs/UiSeams.h"
#include "engine/Archivers.h"
#include "engine/Options.h"
#include "platform/Drives.h"
#include "platform/SettingsStore.h"

#include <QDir>

void DialogSandbox::SetUp()
{
    m_sandbox = std::make_unique<qbtest::Sandbox>(false);
    m_options = {};
    qb::engine::LoadSettings(m_options);
    qb::engine::Modules.LzhAvailable = true;
    qb::engine::Modules.ZipAvailable = true;
    qb::ui::test::Reset();
    qb::ui::test::SetNeverShow(true);
}

void DialogSandbox::TearDown()
{
    PathHelpers::SetFreeSpaceProvider({});
    qb::ui::test::Reset();
    m_sandbox.reset();
}

QString DialogSandbox::hostOf(const QString& drivePath) const
{
    return QString::fromStdString(qb::platform::ToHostPath(drivePath.toStdString()));
}

void DialogSandbox::makeFolder(const QString& drivePath) const
{
    ASSERT_TRUE(QDir().mkpath(hostOf(drivePath))) << drivePath.toStdString();
}

std::string DialogSandbox::stored(const std::string& key) const
{
    return qb::platform::GetSetting("Brambleworks", "Quillbox2", key, "<absent>");
}
