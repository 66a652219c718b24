#include "e2e/Sandbox.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace e2e {
namespace {

const char* const kModules[] = {"UNLHA32.DLL", "IZIP32J.DLL", "ZIP32J.DLL", "UNZIP32.DLL"};
constexpr unsigned kNobody = 65534;
const char* const kSetpriv = "/usr/bin/setpriv";

}  // namespace

bool Sandbox::ModulesBuilt()
{
    for (const char* m : kModules)
        if (!fs::exists(std::string(QB_SYSTEM_DIR_OF_BUILD) + "/" + m))
            return false;
    return true;
}

Sandbox::Sandbox()
{
    for (const char* dir : {"c/SYSTEM", "c/TMP", "c/OUT", "c/SRC", "config", "home", "runtime"})
        fs::create_directories(m_root + "/" + dir);
    fs::permissions(m_root + "/runtime", fs::perms::owner_all);
    for (const char* m : kModules) {
        const std::string from = std::string(QB_SYSTEM_DIR_OF_BUILD) + "/" + m;
        if (fs::exists(from))
            fs::copy_file(from, m_root + "/c/SYSTEM/" + m);
    }
}

Sandbox::~Sandbox() = default;

void Sandbox::WriteSettings(const std::vector<std::pair<std::string, std::string>>& keys)
{
    std::string text = "[Quillbox2]\n";
    for (const auto& [k, v] : keys)
        text += k + "=" + v + "\n";
    WriteBytes(SettingsFile(), text);
}

void Sandbox::RemoveModule(const std::string& name)
{
    fs::remove(m_root + "/c/SYSTEM/" + name);
}

void Sandbox::ReplaceModule(const std::string& name, const std::string& from)
{
    fs::copy_file(from, m_root + "/c/SYSTEM/" + name, fs::copy_options::overwrite_existing);
}

bool Sandbox::RunAsOrdinaryUser()
{
    if (::geteuid() != 0)
        return true;
    if (::access(kSetpriv, X_OK) != 0)
        return false;
    for (const auto& e : fs::recursive_directory_iterator(m_root))
        if (::lchown(e.path().c_str(), kNobody, kNobody) != 0)
            return false;
    if (::chown(m_root.c_str(), kNobody, kNobody) != 0)
        return false;
    m_asNobody = true;
    return true;
}

std::vector<std::string> Sandbox::Environment(const std::map<std::string, std::string>& extra) const
{
    std::map<std::string, std::string> env = {
        {"PATH", "/usr/local/bin:/usr/bin:/bin"},
        {"HOME", m_root + "/home"},
        {"QT_QPA_PLATFORM", "offscreen"},
        {"QUILLBOX2_DRIVES", "C:=" + m_root + "/c"},
        {"QUILLBOX2_SYSTEM_DIR", m_root + "/c/SYSTEM"},
        {"XDG_CONFIG_HOME", m_root + "/config"},
        {"XDG_RUNTIME_DIR", m_root + "/runtime"},
        {"TMPDIR", m_root + "/c/TMP"},
    };
    for (const auto& [k, v] : extra) {
        if (v.empty())
            env.erase(k);  // an empty value leaves the variable out
        else
            env[k] = v;
    }
    std::vector<std::string> list;
    for (const auto& [k, v] : env)
        list.push_back(k + "=" + v);
    return list;
}

namespace {

pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& env,
            const std::string& cwd, const std::string& outFile, const std::string& errFile,
            bool asNobody = false)
{
    std::vector<std::string> argvStrings = {QB_PROGRAM};
    if (asNobody)
        argvStrings = {kSetpriv,
                       "--reuid=" + std::to_string(kNobody),
                       "--regid=" + std::to_string(kNobody),
                       "--clear-groups",
                       "--",
                       QB_PROGRAM};
    argvStrings.insert(argvStrings.end(), args.begin(), args.end());
    std::vector<char*> argv, envp;
    for (auto& s : argvStrings)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    std::vector<std::string> envCopy = env;
    for (auto& s : envCopy)
        envp.push_back(s.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    pid_t pid = -1;
    if (::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

}  // namespace

RunResult Sandbox::Run(const std::vector<std::string>& args,
                       const std::map<std::string, std::string>& extraEnv, int timeoutSeconds) const
{
    return Wait(StartTagged("", args, extraEnv), "", timeoutSeconds);
}

int Sandbox::StartTagged(const std::string& tag, const std::vector<std::string>& args,
                         const std::map<std::string, std::string>& extraEnv) const
{
    return Spawn(args, Environment(extraEnv), m_root + "/c", m_root + "/stdout" + tag + ".txt",
                 m_root + "/stderr" + tag + ".txt", m_asNobody);
}

RunResult Sandbox::Wait(int pid, const std::string& tag, int timeoutSeconds) const
{
    RunResult r;
    if (pid < 0)
        return r;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    int wstatus = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &wstatus, WNOHANG);
        if (done == pid)
            break;
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &wstatus, 0);
            r.timedOut = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (!r.timedOut && WIFEXITED(wstatus))
        r.status = WEXITSTATUS(wstatus);
    r.out = ReadBytes(m_root + "/stdout" + tag + ".txt");
    r.err = ReadBytes(m_root + "/stderr" + tag + ".txt");
    return r;
}

int Sandbox::Start(const std::vector<std::string>& args) const
{
    return Spawn(args, Environment({}), m_root + "/c", m_root + "/stdout.txt",
                 m_root + "/stderr.txt");
}

void MakeSourceTree(const std::string& folder, unsigned seed)
{
    std::mt19937 rng(seed);
    WriteBytes(folder + "/readme.txt", "hello from " + folder + "\n");
    std::string text;
    for (int i = 0; i < 4000; ++i)
        text += "line " + std::to_string(i % 97) + " of a repetitive text\n";
    WriteBytes(folder + "/docs/long.txt", text);
    std::string binary(70000, '\0');
    for (char& c : binary)
        c = static_cast<char>(rng());
    WriteBytes(folder + "/data/random.bin", binary);
    WriteBytes(folder + "/data/deep/er/empty.dat", "");
}

}  // namespace e2e
