// A sandbox for running the real program: drive C: in a temporary folder, settings, temporary
// files and a copy of the archiver modules inside it, no display. Helpers run the program and
// the independent archive tools and compare folder trees.
#pragma once

#include "support/Files.h"

#include <map>
#include <string>
#include <vector>

namespace e2e {

struct RunResult {
    int status = -1;  // exit status; -1 when killed or not started
    bool timedOut = false;
    std::string out;
    std::string err;
};

class Sandbox {
public:
    Sandbox();
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    // True when the build's system folder holds all four modules.
    static bool ModulesBuilt();

    const std::string& Root() const { return m_folder.Root(); }
    std::string C(const std::string& relative) const { return Root() + "/c/" + relative; }
    std::string SettingsFile() const { return Root() + "/config/Brambleworks.ini"; }

    // Writes the settings file with [Quillbox2] and the given keys, in order.
    void WriteSettings(const std::vector<std::pair<std::string, std::string>>& keys);
    // Removes a module from the sandbox's system folder.
    void RemoveModule(const std::string& name);
    // Puts another file in place of a module.
    void ReplaceModule(const std::string& name, const std::string& from);
    // When the tests run as root, which reads every file whatever its mode, the program is run
    // from now on as an ordinary user (nobody) who owns the sandbox, so that a file of mode 0
    // cannot be read. False when that is not possible here.
    bool RunAsOrdinaryUser();

    // Runs the program with args and the sandbox's environment (plus extra variables) and waits
    // at most timeoutSeconds. An empty value in extraEnv leaves that variable out.
    RunResult Run(const std::vector<std::string>& args,
                  const std::map<std::string, std::string>& extraEnv = {},
                  int timeoutSeconds = 120) const;
    // Starts the program and returns its pid without waiting.
    int Start(const std::vector<std::string>& args) const;
    // Starts the program with its own output files (named after tag), so that several can run
    // at once; Wait collects one of them.
    int StartTagged(const std::string& tag, const std::vector<std::string>& args,
                    const std::map<std::string, std::string>& extraEnv = {}) const;
    RunResult Wait(int pid, const std::string& tag, int timeoutSeconds = 120) const;

    // The program's environment in the sandbox, as NAME=VALUE (see Run for extraEnv).
    std::vector<std::string> Environment(const std::map<std::string, std::string>& extra) const;

private:
    qbtest::TempFolder m_folder{"qb-e2e"};
    const std::string& m_root = m_folder.Root();
    bool m_asNobody = false;
};

// Tools (support/Files.h).
inline std::string ReadBytes(const std::string& path)
{
    return qbtest::ReadFile(path);
}
// Writes the whole file, making its folders.
inline void WriteBytes(const std::string& path, const std::string& bytes)
{
    qbtest::WriteFile(path, bytes);
}
using qbtest::Quote;
using qbtest::Shell;
using qbtest::Tree;
// Fills a folder with a small tree of text and binary files.
void MakeSourceTree(const std::string& folder, unsigned seed);

}  // namespace e2e
