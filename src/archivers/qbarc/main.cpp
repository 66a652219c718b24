// qbarc: calls one archiver module with one command line, for people, scripts and tests.
//
//   qbarc [--progress] MODULE "command line"
//   qbarc --help | --version
//
// MODULE (UNLHA32.DLL, ZIP32J.DLL or UNZIP32.DLL) is loaded with dlopen from the system folder:
// $QUILLBOX2_SYSTEM_DIR, else the modules installed with this program (../lib/quillbox2), else
// the folder "system" beside it (the build tree). The command line goes to
// the module unchanged (several arguments are joined with spaces); the output buffer is printed,
// then "result: N". The exit status is 0 when the module returned 0, 1 when it returned anything
// else, 2 when the module could not be called at all (or the arguments were wrong).
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

const char kUsage[] = "usage: qbarc [--progress] MODULE \"command line\"\n"
                      "       qbarc --help | --version\n";

int Usage()
{
    std::fprintf(stderr, "%sMODULE: UNLHA32.DLL, ZIP32J.DLL or UNZIP32.DLL; qbarc --help for more\n",
                 kUsage);
    return 2;
}

// The whole help: every module with its commands, so that a shell user needs nothing else to
// make a first call. The module headers (UnlhaCommand.h, ZipCommand.h, UnZipCommand.h,
// archiver_output.h) hold the full story.
int Help()
{
    std::fputs(kUsage, stdout);
    std::fputs(
        "Calls one archiver module of Quillbox2 with one command line, as the program does,\n"
        "prints what the module wrote, then \"result: N\" (0 success, 32786 some files left\n"
        "out, 32800 cancelled, others failures). Paths are host paths (/...) or drive paths\n"
        "(C:\\...); file specifications count from the working folder.\n"
        "\n"
        "Modules, from $QUILLBOX2_SYSTEM_DIR, else <prefix>/lib/quillbox2 beside qbarc:\n"
        "\n"
        "  UNLHA32.DLL  LZH archives: COMMAND [SWITCH...] ARCHIVE [FOLDER/] [FILES...]\n"
        "    (FOLDER/, ending in / or \\: where x and e extract to)\n"
        "    a  add or replace files          u  add files that are missing or newer\n"
        "    x  extract with folders          e  extract without folders\n"
        "    l  list the members              t  test the archive\n"
        "    d  delete members\n"
        "    -x stored paths, -r subfolders, -a hidden files (combined: -xra), -z1 stored,\n"
        "    -o5 -o6 -o7 method -lh5- -lh6- -lh7-, -w<folder> work folder,\n"
        "    -jx<pattern> leave out, -names:auto|-names:utf8, -test, -sync, -+ (no effect)\n"
        "    e.g. qbarc UNLHA32.DLL a -xr /tmp/OUT.LZH \"*.*\"\n"
        "\n"
        "  ZIP32J.DLL   ZIP packing: [SWITCH...] ARCHIVE FILES...  (an archive is updated)\n"
        "    -r subfolders, -D no folder entries, -S hidden files, -0 stored, -1..-9 level\n"
        "    (6 when none), -names:utf8|-names:cp932, -test, -sync\n"
        "    e.g. qbarc ZIP32J.DLL -r -9 /tmp/OUT.ZIP \"*.*\"\n"
        "\n"
        "  UNZIP32.DLL  ZIP extraction:\n"
        "    -x ARCHIVE FOLDER [NAME...]  extract (every member when none is named)\n"
        "    -t ARCHIVE                   test the archive\n"
        "    -l ARCHIVE                   list the members\n"
        "\n"
        "  IZIP32J.DLL  the ZIP engine that ZIP32J.DLL and UNZIP32.DLL call; it takes no\n"
        "    command line of its own: call one of those two.\n"
        "\n"
        "Options:\n"
        "  --progress     print each member and the bytes done on standard error\n"
        "  -h, --help     print this help and exit\n"
        "  -V, --version  print the version and exit\n"
        "\n"
        "Exit status: 0 the module returned 0, 1 it returned something else, 2 it could not be\n"
        "called or the arguments were wrong. See man qbarc.\n",
        stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0))
        return Help();
    if (argc == 2 && (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "-V") == 0)) {
        std::printf("qbarc (Quillbox2) %s\n", QB_VERSION);
        return 0;
    }
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
    if (!module && strcasecmp(moduleName, "IZIP32J.DLL") == 0) {
        std::fprintf(stderr, "qbarc: IZIP32J.DLL takes no command line of its own: call "
                             "ZIP32J.DLL or UNZIP32.DLL\n");
        return 2;
    }
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
