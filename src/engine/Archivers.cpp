#include "engine/Archivers.h"

#include "common/PathHelpers.h"
#include "platform/Drives.h"

#include <cstdint>
#include <dlfcn.h>

namespace qb::engine {

ArchiverModules Modules;

namespace {

ArchiverTable g_table;

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

}  // namespace

const ArchiverTable& Archivers()
{
    return g_table;
}

void InstallArchivers(const ArchiverTable& table, bool lzhAvailable, bool zipAvailable)
{
    g_table = table;
    Modules.LzhAvailable = lzhAvailable;
    Modules.ZipAvailable = zipAvailable;
    Modules.LzhVersion = VersionOf(table.UnlhaGetVersion);
    Modules.ZipVersion = VersionOf(table.ZipGetVersion);
    Modules.UnZipVersion = VersionOf(table.UnZipGetVersion);
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
        if (void* m = OpenModule(host, "UNLHA32.DLL", false)) {
            t.Unlha = Symbol<ArchiverCommandProc>(m, "Unlha");
            t.UnlhaGetRunning = Symbol<ArchiverQueryProc>(m, "UnlhaGetRunning");
            t.UnlhaGetVersion = Symbol<ArchiverQueryProc>(m, "UnlhaGetVersion");
            t.UnlhaSetProgressCallback =
                Symbol<ArchiverSetProgressProc>(m, "UnlhaSetProgressCallback");
            lzh = t.Unlha && t.UnlhaGetRunning && t.UnlhaGetVersion;
        }
        // The ZIP engine first, so that the two front modules find it already loaded.
        void* engine = OpenModule(host, "IZIP32J.DLL", true);
        void* zipModule = engine ? OpenModule(host, "ZIP32J.DLL", false) : nullptr;
        void* unzipModule = engine ? OpenModule(host, "UNZIP32.DLL", false) : nullptr;
        if (zipModule && unzipModule) {
            t.Zip = Symbol<ArchiverCommandProc>(zipModule, "Zip");
            t.ZipGetRunning = Symbol<ArchiverQueryProc>(zipModule, "ZipGetRunning");
            t.ZipGetVersion = Symbol<ArchiverQueryProc>(zipModule, "ZipGetVersion");
            t.ZipSetProgressCallback =
                Symbol<ArchiverSetProgressProc>(zipModule, "ZipSetProgressCallback");
            t.UnZip = Symbol<ArchiverCommandProc>(unzipModule, "UnZip");
            t.UnZipGetRunning = Symbol<ArchiverQueryProc>(unzipModule, "UnZipGetRunning");
            t.UnZipGetVersion = Symbol<ArchiverQueryProc>(unzipModule, "UnZipGetVersion");
            t.UnZipSetProgressCallback =
                Symbol<ArchiverSetProgressProc>(unzipModule, "UnZipSetProgressCallback");
            zip = t.Zip && t.ZipGetRunning && t.ZipGetVersion && t.UnZip && t.UnZipGetRunning &&
                  t.UnZipGetVersion;
        }
    }
    if (!lzh) {
        t.Unlha = nullptr;
        t.UnlhaGetRunning = t.UnlhaGetVersion = nullptr;
        t.UnlhaSetProgressCallback = nullptr;
    }
    if (!zip) {
        t.Zip = t.UnZip = nullptr;
        t.ZipGetRunning = t.ZipGetVersion = t.UnZipGetRunning = t.UnZipGetVersion = nullptr;
        t.ZipSetProgressCallback = t.UnZipSetProgressCallback = nullptr;
    }
    InstallArchivers(t, lzh, zip);
}

}  // namespace qb::engine
