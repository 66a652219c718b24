// The archiver modules as the program sees them: a table of entry points loaded with dlopen
// from the system folder, and the availability flags and versions found at start-up.
//
// UNLHA32.DLL makes LZH archives; ZIP32J.DLL makes ZIP archives and UNZIP32.DLL extracts them,
// both through their companion IZIP32J.DLL. ZIP counts as available only when all three ZIP
// files load, so that a half-installed ZIP never fails in the middle of a run.
//
// Tests install a table of their own (a recording fake) with InstallArchivers; nothing else in
// the engine can tell the difference.
#pragma once

#include "archivers/include/archiver_api.h"

#include <string>

namespace qb::engine {

// The modules the program calls.
enum class ArchiverKind { Lzh, Zip, UnZip };

// The four entry points of one module; an entry is null when its module is not loaded.
struct ArchiverEntries {
    ArchiverCommandProc Command = nullptr;  // Unlha, Zip, UnZip
    ArchiverQueryProc GetRunning = nullptr;
    ArchiverQueryProc GetVersion = nullptr;
    ArchiverSetProgressProc SetProgressCallback = nullptr;
};

// Entry points of every module, one block per module.
struct ArchiverTable {
    ArchiverEntries Unlha;
    ArchiverEntries Zip;
    ArchiverEntries UnZip;
};

// What the program knows of one module: its file in the system folder, the names of its entry
// points, and its block in the table.
struct ArchiverModule {
    ArchiverKind kind;
    const char* fileName;  // "UNLHA32.DLL"
    const char* command;  // "Unlha"
    const char* getRunning;  // "UnlhaGetRunning"
    const char* getVersion;  // "UnlhaGetVersion"
    const char* setProgressCallback;  // "UnlhaSetProgressCallback"
    ArchiverEntries ArchiverTable::*entries;
};

// The module of a kind.
const ArchiverModule& Module(ArchiverKind kind);

// What start-up found. Set by DetectArchivers (or InstallArchivers), read by the packing run,
// the options dialog (ZIP choices) and the about dialog (versions).
struct ArchiverModules {
    bool LzhAvailable = false;
    bool ZipAvailable = false;
    int LzhVersion = 0;  // 104 means 1.04; 0 when not loaded
    int ZipVersion = 0;
    int UnZipVersion = 0;
};
extern ArchiverModules Modules;

// The loaded entry points.
const ArchiverTable& Archivers();

// Loads the modules from the system folder (PathHelpers::GetSystemFolder turned into a host path)
// and sets Modules. A module that is missing or lacks an entry point counts
// as missing. Safe to call again: modules already loaded stay loaded.
void DetectArchivers();

// Replaces the table and sets the flags (versions are read from the table's GetVersion entries,
// 0 where absent). For tests.
void InstallArchivers(const ArchiverTable& table, bool lzhAvailable, bool zipAvailable);

// Size of the output buffer handed to every call. The run reads the lines that name files left
// out of an archive, so it holds a few thousand of them; a module says how many more it had to
// drop.
inline constexpr unsigned long kArchiverOutputSize = 256 * 1024;

}  // namespace qb::engine
