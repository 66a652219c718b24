#include "engine/Archivers.h"

#include "common/PathHelpers.h"
#include "platform/Drives.h"

#include <cstdint>
#include <dlfcn.h>

namespace qb::engine {

ArchiverModules Modules;

namespace {

ArchiverTable g_table;

constexpr ArchiverModule kModules[] = {
    {
        .kind = ArchiverKind::Lzh,
        .fileName = "UNLHA32.DLL",
        .command = "Unlha",
        .getRunning = "UnlhaGetRunning",
        .getVersion = "UnlhaGetVersion",
        .setProgressCallback = "UnlhaSetProgressCallback",
        .entries = &ArchiverTable::Unlha,
    },
    {
        .kind = ArchiverKind::Zip,
        .fileName = "ZIP32J.DLL",
        .command = "Zip",
        .getRunning = "ZipGetRunning",
        .getVersion = "ZipGetVersion",
        .setProgressCallback = "ZipSetProgressCallback",
        .entries = &ArchiverTable::Zip,
    },
    {
        .kind = ArchiverKind::UnZip,
        .fileName = "UNZIP32.DLL",
        .command = "UnZip",
        .getRunning = "UnZipGetRunning",
        .getVersion = "UnZipGetVersion",
        .setProgressCallback = "UnZipSetProgressCallback",
        .entries = &ArchiverTable::UnZip,
    },
};

// The engine that ZIP32J.DLL and UNZIP32.DLL both run on; the program never calls it itself.
constexpr const char* kZipEngineFile = "IZIP32J.DLL";

// The version is the low 16 bits taken as a signed number, as the modules of old reported it.
int VersionOf(ArchiverQueryProc proc)
{
    if (!proc)
        return 0;
    return static_cast<std::int16_t>(static_cast<unsigned>(proc()) & 0xFFFFu);
}

// Opens one module of the folder. Handles are never closed: the entry points stay in use for
// the life of the process.
void* OpenModule(const std::string& hostFolder, const char* fileName, bool global)
{
    const std::string path = hostFolder + "/" + fileName;
    return dlopen(path.c_str(), RTLD_NOW | (global ? RTLD_GLOBAL : RTLD_LOCAL));
}

template<typename Proc>
Proc Symbol(void* module, const char* name)
{
    return module ? reinterpret_cast<Proc>(dlsym(module, name)) : nullptr;
}

// The entry points of a loaded module into its block of table. True when the three the program
// cannot do without are there (the progress report is optional).
bool LoadEntries(void* handle, const ArchiverModule& module, ArchiverTable& table)
{
    ArchiverEntries& e = table.*module.entries;
    e.Command = Symbol<ArchiverCommandProc>(handle, module.command);
    e.GetRunning = Symbol<ArchiverQueryProc>(handle, module.getRunning);
    e.GetVersion = Symbol<ArchiverQueryProc>(handle, module.getVersion);
    e.SetProgressCallback = Symbol<ArchiverSetProgressProc>(handle, module.setProgressCallback);
    return e.Command && e.GetRunning && e.GetVersion;
}

}  // namespace

const ArchiverModule& Module(ArchiverKind kind)
{
    for (const ArchiverModule& m : kModules) {
        if (m.kind == kind)
            return m;
    }
    return kModules[0];  // not reached: every kind has its row
}

const ArchiverTable& Archivers()
{
    return g_table;
}

void InstallArchivers(const ArchiverTable& table, bool lzhAvailable, bool zipAvailable)
{
    g_table = table;
    Modules.LzhAvailable = lzhAvailable;
    Modules.ZipAvailable = zipAvailable;
    Modules.LzhVersion = VersionOf(table.Unlha.GetVersion);
    Modules.ZipVersion = VersionOf(table.Zip.GetVersion);
    Modules.UnZipVersion = VersionOf(table.UnZip.GetVersion);
}

void DetectArchivers()
{
    ArchiverTable t;
    bool lzh = false;
    bool zip = false;

    const std::string systemFolder = PathHelpers::GetSystemFolder();
    const std::string host =
        systemFolder.empty() ? std::string() : qb::platform::ToHostPath(systemFolder);
    if (!host.empty()) {
        const ArchiverModule& lzhModule = Module(ArchiverKind::Lzh);
        if (void* m = OpenModule(host, lzhModule.fileName, false))
            lzh = LoadEntries(m, lzhModule, t);
        // The ZIP engine first, so that the two front modules find it already loaded.
        const ArchiverModule& zipModule = Module(ArchiverKind::Zip);
        const ArchiverModule& unzipModule = Module(ArchiverKind::UnZip);
        void* engine = OpenModule(host, kZipEngineFile, true);
        void* zipHandle = engine ? OpenModule(host, zipModule.fileName, false) : nullptr;
        void* unzipHandle = engine ? OpenModule(host, unzipModule.fileName, false) : nullptr;
        if (zipHandle && unzipHandle) {
            const bool zipLoaded = LoadEntries(zipHandle, zipModule, t);
            const bool unzipLoaded = LoadEntries(unzipHandle, unzipModule, t);
            zip = zipLoaded && unzipLoaded;
        }
    }
    if (!lzh)
        t.Unlha = {};
    if (!zip)
        t.Zip = t.UnZip = {};
    InstallArchivers(t, lzh, zip);
}

}  // namespace qb::engine
