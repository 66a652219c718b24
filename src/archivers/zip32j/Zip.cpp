// ZIP32J.DLL: the Zip entry points. The module keeps only what is its own (the running flag and
// the progress procedure) and hands every command line to the engine in IZIP32J.DLL, without
// which it does not load at all.
#include "ThinModule.h"

namespace {
qb::arc::ModuleState g_state;
}

extern "C" int Zip(void*, const char* cmdLine, char* output, unsigned long outputSize)
{
    return qb::izip::RunThin(g_state, IZipRunZip, "ZIP32J.DLL", cmdLine, output, outputSize);
}

extern "C" int ZipGetRunning(void)
{
    return g_state.Running();
}
extern "C" int ZipGetVersion(void)
{
    return IZipGetVersion();
}
extern "C" void ZipSetProgressCallback(ArchiverProgressProc proc, void* user)
{
    g_state.SetProgress(proc, user);
}
