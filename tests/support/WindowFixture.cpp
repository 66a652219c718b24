#include "support/WindowFixture.h"

#include "common/SharedMessages.h"
#include "common/ProgramMessages.h"
#include "dialogs/UiSeams.h"
#include "engine/Options.h"
#include "engine/ProgramArguments.h"
#include "panes/RunProgress.h"
#include "platform/CurrentDir.h"
#include "platform/Drives.h"
#include "support/EngineFixture.h"

#include <QApplication>
#include <QListWidget>
#include <QTest>

#include <filesystem>

namespace qbtest {

QString Msg(int code)
{
    return QString::fromStdString(ProgramMessage(code));
}
QString SharedMsg(int code)
{
    return QString::fromStdString(SharedMessage(code));
}

void WindowTest::SetUp()
{
    m_sandbox = std::make_unique<Sandbox>();
    m_options = {};
    qb::engine::LoadSettings(m_options);
    m_options.TempFolder = "C:\\TEMP\\";
    qb::engine::CurrentJobFile.clear();
    InstallFake();
    qb::ui::test::Reset();
    qb::ui::test::SetNeverShow(true);
    qb::panes::RunProgress::SetShowDelayMs(60 * 60 * 1000);
    qb::platform::SetCurrentDirectory("C:\\");
}

void WindowTest::TearDown()
{
    if (m_window)
        CloseWindow();
    qb::ui::test::Reset();
    m_sandbox.reset();
}

MainWindow& WindowTest::Window(const QString& commandText)
{
    m_window = std::make_unique<MainWindow>(commandText, m_options);
    m_window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
    QApplication::processEvents();
    return *m_window;
}

void WindowTest::CloseWindow()
{
    m_window->close();
    m_window.reset();
}

std::string WindowTest::Host(const std::string& drivePath) const
{
    return Sandbox::Host(drivePath);
}

std::string WindowTest::MakeFolder(const std::string& drivePath)
{
    MakeDirs(Host(drivePath));
    return drivePath;
}

void WindowTest::WriteFile(const std::string& drivePath, const std::string& bytes)
{
    Sandbox::WriteFile(Host(drivePath), bytes);
}

bool WindowTest::Exists(const std::string& drivePath) const
{
    return Sandbox::Exists(Host(drivePath));
}

QStringList WindowTest::TakeRecord()
{
    m_record << qb::ui::test::TakeRecord();
    QStringList out;
    out.swap(m_record);
    return out;
}

QStringList WindowTest::TakeMessages()
{
    QStringList out;
    for (const QString& line : TakeRecord())
        if (line.startsWith(QStringLiteral("message: ")))
            out << line.mid(9);
    return out;
}

QStringList WindowTest::Items(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

}  // namespace qbtest
