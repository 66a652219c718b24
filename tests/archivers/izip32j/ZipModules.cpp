#include "ZipModules.h"

#include "Sandbox.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace qb::ziptest {
namespace {

// Made before the modules are loaded, so that their drive table sees it.
struct DriveSandbox {
    arctest::Sandbox box;
    std::string c = box.MakeFolder("C");
    std::string d = box.MakeFolder("D");
    DriveSandbox()
    {
        std::string drives = "C:=" + c + ";D:=" + d;
        setenv("QUILLBOX2_DRIVES", drives.c_str(), 1);
    }
};

DriveSandbox& Drives()
{
    static DriveSandbox sandbox;
    return sandbox;
}

template<typename T>
T Symbol(void* handle, const char* name)
{
    void* symbol = dlsym(handle, name);
    if (!symbol)
        throw std::runtime_error(std::string("missing entry point ") + name);
    return reinterpret_cast<T>(symbol);
}

int RunIn(const std::string& cwd, ArchiverCommandProc proc, const std::string& commandLine,
          std::string& output)
{
    arctest::ScopedCwd scoped(cwd);
    std::vector<char> buffer(1 << 20, 'x');
    int result = proc(nullptr, commandLine.c_str(), buffer.data(),
                      static_cast<unsigned long>(buffer.size()));
    output = buffer.data();
    return result;
}

}  // namespace

std::string SystemFolder()
{
    return QB_TEST_SYSTEM_DIR;
}

ZipModules::ZipModules()
{
    Drives();
    zipHandle_ = dlopen((SystemFolder() + "/ZIP32J.DLL").c_str(), RTLD_NOW | RTLD_LOCAL);
    unzipHandle_ = dlopen((SystemFolder() + "/UNZIP32.DLL").c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!zipHandle_ || !unzipHandle_)
        throw std::runtime_error(std::string("cannot load the ZIP modules: ") + dlerror());
    zip = Symbol<ArchiverCommandProc>(zipHandle_, "Zip");
    zipRunning = Symbol<ArchiverQueryProc>(zipHandle_, "ZipGetRunning");
    zipVersion = Symbol<ArchiverQueryProc>(zipHandle_, "ZipGetVersion");
    zipProgress = Symbol<ArchiverSetProgressProc>(zipHandle_, "ZipSetProgressCallback");
    unzip = Symbol<ArchiverCommandProc>(unzipHandle_, "UnZip");
    unzipRunning = Symbol<ArchiverQueryProc>(unzipHandle_, "UnZipGetRunning");
    unzipVersion = Symbol<ArchiverQueryProc>(unzipHandle_, "UnZipGetVersion");
    unzipProgress = Symbol<ArchiverSetProgressProc>(unzipHandle_, "UnZipSetProgressCallback");
}

ZipModules::~ZipModules()
{
    // Left loaded: the process ends right after, and unloading C++ modules gains nothing.
}

int ZipModules::Zip(const std::string& cwd, const std::string& commandLine)
{
    return RunIn(cwd, zip, commandLine, output);
}

int ZipModules::UnZip(const std::string& cwd, const std::string& commandLine)
{
    return RunIn(cwd, unzip, commandLine, output);
}

ZipModules& Modules()
{
    static ZipModules modules;
    return modules;
}

const std::string& DriveC()
{
    return Drives().c;
}

const std::string& DriveD()
{
    return Drives().d;
}

}  // namespace qb::ziptest
