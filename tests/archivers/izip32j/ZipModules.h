// The real ZIP modules, loaded from the system folder of the build as the program loads them,
// and a drive sandbox shared by all tests of the process (the modules read the drive table once).
#pragma once

#include "archiver_api.h"

#include <string>

namespace qb::ziptest {

struct ZipModules {
    ZipModules();  // loads ZIP32J.DLL and UNZIP32.DLL from the system folder; throws on failure
    ~ZipModules();

    ArchiverCommandProc zip = nullptr;
    ArchiverQueryProc zipRunning = nullptr;
    ArchiverQueryProc zipVersion = nullptr;
    ArchiverSetProgressProc zipProgress = nullptr;
    ArchiverCommandProc unzip = nullptr;
    ArchiverQueryProc unzipRunning = nullptr;
    ArchiverQueryProc unzipVersion = nullptr;
    ArchiverSetProgressProc unzipProgress = nullptr;

    // Runs a command line with the working directory set to cwd; keeps the output text.
    int Zip(const std::string& cwd, const std::string& commandLine);
    int UnZip(const std::string& cwd, const std::string& commandLine);
    std::string output;

private:
    void* zipHandle_ = nullptr;
    void* unzipHandle_ = nullptr;
};

// The modules, loaded once for the whole test program.
ZipModules& Modules();

// Host folders of the drives the tests use: C: and D: live in one sandbox for the whole run.
const std::string& DriveC();
const std::string& DriveD();

// The system folder of the build (where the modules are).
std::string SystemFolder();

}  // namespace qb::ziptest
