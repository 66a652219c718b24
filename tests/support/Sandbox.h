// A throw-away world for tests of the program: a temporary folder holding the drives C: and D:,
// a temporary folder and a configuration folder, with QUILLBOX2_DRIVES, TMPDIR and
// XDG_CONFIG_HOME pointed into it and the working folder on C:. Nothing a test does reaches the
// real home or root; the environment and the working folder are given back at the end.
#pragma once

#include "support/Files.h"

#include <map>
#include <string>

namespace qbtest {

class Sandbox {
public:
    // TMPDIR is C:\TEMP, which exists; with tempOnC false it is C:\ itself and C: starts empty.
    explicit Sandbox(bool tempOnC = true);
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    std::string Root() const { return m_folder.Root(); }
    std::string C() const { return Root() + "/c"; }
    std::string D() const { return Root() + "/d"; }
    std::string Config() const { return Root() + "/config"; }
    // Host path of a drive path ("C:\\SRC\\A") inside the sandbox.
    static std::string Host(const std::string& drivePath);

    // Sets an environment variable for the life of the sandbox.
    void Save(const std::string& name, const std::string& value);
    // Removes an environment variable for the life of the sandbox.
    void Unset(const std::string& name);

    static void MakeDirs(const std::string& hostPath) { qbtest::MakeDirs(hostPath); }
    static void WriteFile(const std::string& hostPath, const std::string& content)
    {
        qbtest::WriteFile(hostPath, content);
    }
    static std::string ReadFile(const std::string& hostPath) { return qbtest::ReadFile(hostPath); }
    static bool Exists(const std::string& hostPath) { return qbtest::Exists(hostPath); }

private:
    TempFolder m_folder{"qb-sandbox"};
    std::string m_oldCwd;
    std::map<std::string, std::pair<std::string, bool>> m_saved;
};

}  // namespace qbtest
