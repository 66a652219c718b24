// A throw-away world for tests: a temporary host folder holding the drives C: and D:, a
// temporary folder and a configuration folder, with QUILLBOX2_DRIVES, TMPDIR and
// XDG_CONFIG_HOME pointed into it. Nothing a test does reaches the real home or root.
#pragma once

#include "platform/Drives.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

namespace qbtest {

class Sandbox {
public:
    Sandbox() {
        char pattern[] = "/tmp/qb-sandbox-XXXXXX";
        m_root = ::mkdtemp(pattern);
        std::filesystem::create_directories(m_root + "/c/TEMP");
        std::filesystem::create_directories(m_root + "/d");
        std::filesystem::create_directories(m_root + "/config");
        m_oldCwd = std::filesystem::current_path().string();
        Save("QUILLBOX2_DRIVES", "C:=" + C() + ";D:=" + D());
        Save("TMPDIR", C() + "/TEMP");
        Save("XDG_CONFIG_HOME", Config());
        Unset("QUILLBOX2_SYSTEM_DIR");
        Unset("QUILLBOX2_DRIVES_REPORTED");
        std::filesystem::current_path(C());
        qb::platform::ReloadDrives();
    }

    ~Sandbox() {
        std::error_code ec;
        std::filesystem::current_path(m_oldCwd, ec);
        for (const auto& [name, value] : m_saved) {
            if (value.second) ::setenv(name.c_str(), value.first.c_str(), 1);
            else ::unsetenv(name.c_str());
        }
        // Make everything removable again (tests take rights away).
        for (auto it = std::filesystem::recursive_directory_iterator(m_root, ec);
             it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(m_root, ec);
        qb::platform::ReloadDrives();
    }

    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    std::string Root() const { return m_root; }
    std::string C() const { return m_root + "/c"; }
    std::string D() const { return m_root + "/d"; }
    std::string Config() const { return m_root + "/config"; }

    // Sets an environment variable for the life of the sandbox.
    void Save(const std::string& name, const std::string& value) {
        if (!m_saved.count(name)) {
            const char* old = std::getenv(name.c_str());
            m_saved[name] = {old ? old : "", old != nullptr};
        }
        ::setenv(name.c_str(), value.c_str(), 1);
    }

    // Removes an environment variable for the life of the sandbox.
    void Unset(const std::string& name) {
        Save(name, "");
        ::unsetenv(name.c_str());
    }

    static void MakeDirs(const std::string& hostPath) {
        std::filesystem::create_directories(hostPath);
    }

    static void WriteFile(const std::string& hostPath, const std::string& content) {
        std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
        out << content;
    }

    static std::string ReadFile(const std::string& hostPath) {
        std::ifstream in(hostPath, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    static bool Exists(const std::string& hostPath) {
        std::error_code ec;
        return std::filesystem::exists(std::filesystem::symlink_status(hostPath, ec));
    }

private:
    std::string m_root;
    std::string m_oldCwd;
    std::map<std::string, std::pair<std::string, bool>> m_saved;
};

}  // namespace qbtest
