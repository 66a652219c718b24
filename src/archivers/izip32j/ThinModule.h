// What ZIP32J.DLL and UNZIP32.DLL share: each keeps its own running flag and progress procedure
// and passes a call on to one engine function of IZIP32J.DLL. Header-only, so that each module
// carries its own copy and nothing more has to be exported.
#pragma once

#include "IZip.h"
#include "ModuleCall.h"

#include <string>

namespace qb::izip {

using EngineCall = int (*)(const char*, char*, unsigned long, ArchiverProgressProc, void*);

inline int ForwardProgress(const char* member, unsigned long long done, unsigned long long total,
                           void* user)
{
    return static_cast<arc::ModuleState*>(user)->Report(member, done, total) ? 1 : 0;
}

// One call of a module: refused as busy while another runs, else handed to the engine.
inline int RunThin(arc::ModuleState& state, EngineCall engine, const char* moduleName,
                   const char* cmdLine, char* output, unsigned long outputSize)
{
    arc::CallScope call(state);
    if (!call.Acquired()) {
        arc::WriteOutputBuffer(std::string(moduleName) + " is busy with another call\n", output,
                               outputSize);
        return ARC_ERROR_BUSY;
    }
    return engine(cmdLine, output, outputSize, ForwardProgress, &state);
}

}  // namespace qb::izip
