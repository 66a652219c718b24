#pragma once
// Each dialog test runs in its own sandbox (Sandbox.h) with TMPDIR on C:\ itself and C: empty,
// the options at their defaults, and the message and input boxes answered by the test seam.

#include "engine/Options.h"
#include "support/Sandbox.h"

#include <QString>
#include <gtest/gtest.h>

#include <memory>
#include <string>

class DialogSandbox : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The sandbox's host folder (drive C: is sandboxRoot() + "/c").
    QString sandboxRoot() const { return QString::fromStdString(m_sandbox->Root()); }
    // Host path of a drive path inside the sandbox; creates the folder when asked.
    QString hostOf(const QString& drivePath) const;
    void makeFolder(const QString& drivePath) const;

    // The value stored in Brambleworks.ini, or "<absent>".
    std::string stored(const std::string& key) const;

    // The program's options, loaded from the sandbox's empty store.
    std::unique_ptr<qbtest::Sandbox> m_sandbox;
    qb::engine::Options m_options;
};
