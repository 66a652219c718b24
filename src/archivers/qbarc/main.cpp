// qbarc: calls one archiver module with one command line, for people, scripts and tests.
//
//   qbarc [--progress] MODULE "command line"
//
// MODULE (UNLHA32.DLL, ZIP32J.DLL or UNZIP32.DLL) is loaded with dlopen from the system folder:
// $QUILLBOX2_SYSTEM_DIR, else the modules installed with this program (../lib/quillbox2), else
// the folder "system" beside it (the build tree). The command line goes to
// the module unchanged (several arguments are joined with spaces); the output buffer is printed,
// then "result: N". The exit status is 0 when the module returned 0, 1 when it returned anything
// else, 2 when the module could not be called at all.
#include "archiver_api.h"
#include "platform/InstallLayout.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>
#include <vector>

namespace {

struct ModuleNames {
    const char* file;
    const char* prefix;
};

const ModuleNames kModules[] = {
    {"UNLHA32.DLL", "Unlha"},
    {"ZIP32J.DLL", "Zip"},
    {"UNZIP32.DLL", "UnZip"},
};

int PrintProgress(const char* member, unsigned long long done, unsigned long long total, void*)
{
    std::fprintf(stderr, "%s %llu/%llu\n", member, done, total);
    return 1;
}

int Usage()
{
    std::fprintf(stderr, "usage: qbarc [--progress] MODULE \"command line\"\n"
                         "MODULE: UNLHA32.DLL, ZIP32J.DLL or UNZIP32.DLL\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    int arg = 1;
    bool progress = false;
    if (arg < argc && std::strcmp(argv[arg], "--progress") == 0) {
        progress = true;
        ++arg;
    }
    if (argc - arg < 2)
        return Usage();
    const char* moduleName = argv[arg++];
    const ModuleNames* module = nullptr;
    for (const ModuleNames& m : kModules)
        if (strcasecmp(m.file, moduleName) == 0)
            module = &m;
    if (!module)
        return Usage();
    std::string commandLine;
    for (; arg < argc; ++arg) {
        if (!commandLine.empty())
            commandLine.push_back(' ');
        commandLine += argv[arg];
    }

    const std::string folder = qb::platform::SystemFolderHost();
    if (folder.empty()) {
        std::fprintf(stderr,
                     "qbarc: no folder of archiver modules found (set QUILLBOX2_SYSTEM_DIR)\n");
        return 2;
    }
    std::string path = folder + "/" + module->file;
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        std::fprintf(stderr, "qbarc: cannot load %s: %s\n", path.c_str(), dlerror());
        return 2;
    }
    std::string prefix = module->prefix;
    auto run = reinterpret_cast<ArchiverCommandProc>(dlsym(handle, prefix.c_str()));
    auto setProgress = reinterpret_cast<ArchiverSetProgressProc>(
        dlsym(handle, (prefix + "SetProgressCallback").c_str()));
    if (!run) {
        std::fprintf(stderr, "qbarc: %s has no entry point %s\n", path.c_str(), prefix.c_str());
        return 2;
    }
    if (progress && setProgress)
        setProgress(PrintProgress, nullptr);

    std::vector<char> output(1 << 20, '\0');
    int result =
        run(nullptr, commandLine.c_str(), output.data(), static_cast<unsigned long>(output.size()));
    std::fputs(output.data(), stdout);
    if (output[0] && std::strchr(output.data(), '\0')[-1] != '\n')
        std::fputc('\n', stdout);
    std::printf("result: %d\n", result);
    return result == 0 ? 0 : 1;
}
