#include "support/Sandbox.h"

#include "platform/Drives.h"

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace qbtest {

Sandbox::Sandbox(bool tempOnC)
{
    fs::create_directories(tempOnC ? C() + "/TEMP" : C());
    fs::create_directories(D());
    fs::create_directories(Config());
    m_oldCwd = fs::current_path().string();
    Save("QUILLBOX2_DRIVES", "C:=" + C() + ";D:=" + D());
    Save("TMPDIR", tempOnC ? C() + "/TEMP" : C());
    Save("XDG_CONFIG_HOME", Config());
    Unset("QUILLBOX2_SYSTEM_DIR");
    Unset("QUILLBOX2_DRIVES_REPORTED");
    fs::current_path(C());
    qb::platform::ReloadDrives();
}

Sandbox::~Sandbox()
{
    std::error_code ec;
    fs::current_path(m_oldCwd, ec);
    for (const auto& [name, value] : m_saved) {
        if (value.second)
            ::setenv(name.c_str(), value.first.c_str(), 1);
        else
            ::unsetenv(name.c_str());
    }
    qb::platform::ReloadDrives();
}

std::string Sandbox::Host(const std::string& drivePath)
{
    return qb::platform::ToHostPath(drivePath);
}

void Sandbox::Save(const std::string& name, const std::string& value)
{
    if (!m_saved.count(name)) {
        const char* old = std::getenv(name.c_str());
        m_saved[name] = {old ? old : "", old != nullptr};
    }
    ::setenv(name.c_str(), value.c_str(), 1);
}

void Sandbox::Unset(const std::string& name)
{
    Save(name, "");
    ::unsetenv(name.c_str());
}

}  // namespace qbtest
