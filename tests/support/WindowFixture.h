// Ground of the window tests: a sandbox with drives C: and D: and its own settings folder, the
// options at their defaults, the recording fake in place of the archiver modules, every message
// box answered by the dialog seam, and a main window built on demand.
#pragma once

#include "app/MainWindow.h"
#include "common/SharedMessages.h"
#include "common/ProgramMessages.h"
#include "engine/Options.h"
#include "support/Sandbox.h"

#include <QListWidget>
#include <QStringList>
#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace qbtest {

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Builds and shows the main window (start-up steps after the archiver check).
    MainWindow& Window(const QString& commandText = QString());
    // Closes the window the way the user does (shutdown saves the settings).
    void CloseWindow();

    // Host path of a drive path in the sandbox.
    std::string Host(const std::string& drivePath) const;
    // Creates a folder (with its parents) named by a drive path; returns the drive path.
    std::string MakeFolder(const std::string& drivePath);
    void WriteFile(const std::string& drivePath, const std::string& bytes);
    bool Exists(const std::string& drivePath) const;

    // The texts shown by message boxes, resp. asked as questions, since the last call.
    QStringList TakeMessages();
    QStringList TakeRecord();

    // The items of a list widget.
    static QStringList Items(const QListWidget* list);

    std::unique_ptr<Sandbox> m_sandbox;
    // The program's options, as loaded at start-up; the window works on them.
    qb::engine::Options m_options;
    std::unique_ptr<MainWindow> m_window;
    QStringList m_record;
};

// Message texts of the two tables.
QString Msg(int code);
QString SharedMsg(int code);

}  // namespace qbtest
