// UNZIP32.DLL: the UnZip entry points, over the engine in IZIP32J.DLL like ZIP32J.DLL.
#include "ThinModule.h"

namespace {
qb::arc::ModuleState g_state;
}

extern "C" int UnZip(void*, const char* cmdLine, char* output, unsigned long outputSize)
{
    return qb::izip::RunThin(g_state, IZipRunUnZip, "UNZIP32.DLL", cmdLine, output, outputSize);
}

extern "C" int UnZipGetRunning(void)
{
    return g_state.Running();
}
extern "C" int UnZipGetVersion(void)
{
    return IZipGetVersion();
}
extern "C" void UnZipSetProgressCallback(ArchiverProgressProc proc, void* user)
{
    g_state.SetProgress(proc, user);
}
