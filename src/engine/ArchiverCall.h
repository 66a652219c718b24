// One call of an archiver module: the busy test, the progress report wired to a ProgressSink
// for the length of the call, and the call itself with a fresh output buffer.
#pragma once

#include "engine/Archivers.h"
#include "engine/PackHost.h"

#include <string>

namespace qb::engine {

struct CallResult {
    int code = -1;  // what the module returned; -1 when it was not called
    bool busy = false;  // the module reported that it is already running a call
    bool missing = false;  // the module is not loaded
    std::string output;  // what the module wrote into its output buffer
};

CallResult CallArchiver(ArchiverKind kind, const std::string& commandLine, ProgressSink& progress);

}  // namespace qb::engine
