/* A stand-in for one archiver module that writes down every command line it is given and then
 * hands the call on to the real module. Built once per module (QB_RECORD_UNLHA32, _ZIP32J or
 * _UNZIP32) and put in a sandbox's system folder in place of that module, it lets a test compare
 * what the program asked of the modules, line for line.
 *
 *   QB_RECORD_LOG   the file each call appends "<entry point>: <command line>" to
 *   QB_RECORD_REAL  the folder of the real modules */
#include "archiver_api.h"

#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>

static void* realModule(const char* file)
{
    static void* handle;
    if (!handle) {
        char path[4096];
        const char* dir = getenv("QB_RECORD_REAL");
        snprintf(path, sizeof path, "%s/%s", dir ? dir : ".", file);
        handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            fprintf(stderr, "recording module: %s\n", dlerror());
            abort();
        }
    }
    return handle;
}

static void record(const char* entry, const char* cmdLine)
{
    const char* log = getenv("QB_RECORD_LOG");
    FILE* f = log ? fopen(log, "a") : NULL;
    if (!f)
        return;
    fprintf(f, "%s: %s\n", entry, cmdLine ? cmdLine : "");
    fclose(f);
}

#define FORWARD(FILE_NAME, NAME)                                                          \
    int NAME(void* hwnd, const char* cmdLine, char* output, unsigned long outputSize)     \
    {                                                                                      \
        record(#NAME, cmdLine);                                                            \
        ArchiverCommandProc real = (ArchiverCommandProc)dlsym(realModule(FILE_NAME), #NAME); \
        return real(hwnd, cmdLine, output, outputSize);                                    \
    }                                                                                      \
    int NAME##GetRunning(void)                                                             \
    {                                                                                      \
        return ((ArchiverQueryProc)dlsym(realModule(FILE_NAME), #NAME "GetRunning"))();    \
    }                                                                                      \
    int NAME##GetVersion(void)                                                             \
    {                                                                                      \
        return ((ArchiverQueryProc)dlsym(realModule(FILE_NAME), #NAME "GetVersion"))();    \
    }                                                                                      \
    void NAME##SetProgressCallback(ArchiverProgressProc proc, void* user)                  \
    {                                                                                      \
        ((ArchiverSetProgressProc)dlsym(realModule(FILE_NAME),                             \
                                        #NAME "SetProgressCallback"))(proc, user);         \
    }

#if defined(QB_RECORD_UNLHA32)
FORWARD("UNLHA32.DLL", Unlha)
#elif defined(QB_RECORD_ZIP32J)
FORWARD("ZIP32J.DLL", Zip)
#elif defined(QB_RECORD_UNZIP32)
FORWARD("UNZIP32.DLL", UnZip)
#endif
