// The entry points of UNLHA32.DLL. Each call parses its command line, runs one command and
// reports through the output buffer; nothing escapes as an exception.
#include "archiver_api.h"

#include "ModuleCall.h"
#include "UnlhaCommand.h"
#include "UnlhaInternal.h"

#include <new>

namespace {

qb::arc::ModuleState g_state;

// Callers want at least 1.04 (104), the first version with the switches they use.
constexpr int kVersion = 200;

int Dispatch(const unlha::UnlhaCommand& cmd, unlha::Call& call)
{
    switch (cmd.command) {
    case 'a':
    case 'u':
        return unlha::RunPack(cmd, call);
    case 'x':
    case 'e':
        return unlha::RunExtract(cmd, call);
    case 'l':
        return unlha::RunList(cmd, call);
    case 't':
        return unlha::RunTest(cmd, call);
    case 'd':
        return unlha::RunDelete(cmd, call);
    default:
        return ARC_ERROR_COMMAND_LINE;
    }
}

}  // namespace

extern "C" {

int Unlha(void* /*hwnd*/, const char* cmdLine, char* output, unsigned long outputSize)
{
    try {
        qb::arc::CallScope scope(g_state);
        if (!scope.Acquired()) {
            qb::arc::WriteOutputBuffer("another call is running", output, outputSize);
            return ARC_ERROR_BUSY;
        }
        qb::arc::OutputText out(output, outputSize);
        unlha::UnlhaCommand cmd;
        std::string message;
        int rc = unlha::ParseUnlhaCommand(cmdLine ? cmdLine : "", cmd, message);
        if (rc != ARC_OK) {
            out.Line(message);
            return rc;
        }
        unlha::Call call(g_state, out);
        return Dispatch(cmd, call);
    } catch (const std::bad_alloc&) {
        return ARC_ERROR_NO_MEMORY;
    } catch (...) {
        return ARC_ERROR_INTERNAL;
    }
}

int UnlhaGetRunning(void)
{
    try {
        return g_state.Running();
    } catch (...) {
        return 0;
    }
}

int UnlhaGetVersion(void)
{
    return kVersion;
}

void UnlhaSetProgressCallback(ArchiverProgressProc proc, void* user)
{
    try {
        g_state.SetProgress(proc, user);
    } catch (...) { }
}

}  // extern "C"
