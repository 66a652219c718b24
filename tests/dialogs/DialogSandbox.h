#pragma once
// Each dialog test runs in its own sandbox: a fresh settings folder (XDG_CONFIG_HOME), drives
// C: and D: on temporary folders (QUILLBOX2_DRIVES), the working folder on C:, the options at
// their defaults, and the message and input boxes answered by the test seam.

#include "engine/Options.h"

#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <string>

class DialogSandbox : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Host path of a drive path inside the sandbox; creates the folder when asked.
    QString hostOf(const QString &drivePath) const;
    void makeFolder(const QString &drivePath) const;

    // The value stored in Brambleworks.ini, or "<absent>".
    std::string stored(const std::string &key) const;

    // The program's options, loaded from the sandbox's empty store.
    qb::engine::Options m_options;
    QTemporaryDir m_dir;
    QByteArray m_oldCwd;
    QByteArray m_oldTmp;
};
