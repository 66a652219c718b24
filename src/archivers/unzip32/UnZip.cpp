// UNZIP32.DLL: the UnZip entry points. The module keeps only what is its own (the running flag and
// the progress procedure) and hands every command line to the engine in IZIP32J.DLL, without
// which it does not load at all.
#include "IZip.h"
#include "ModuleCall.h"

namespace {

qb::arc::ModuleState g_state;

int ForwardProgress(const char* member, unsigned long long done, unsigned long long total, void* user)
{
    return static_cast<qb::arc::ModuleState*>(user)->Report(member, done, total) ? 1 : 0;
}

}  // namespace

extern "C" int UnZip(void*, const char* cmdLine, char* output, unsigned long outputSize)
{
    qb::arc::CallScope call(g_state);
    if (!call.Acquired()) {
        qb::arc::WriteOutputBuffer("UNZIP32.DLL is busy with another call\n", output, outputSize);
        return ARC_ERROR_BUSY;
    }
    return IZipRunUnZip(cmdLine, output, outputSize, ForwardProgress, &g_state);
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
