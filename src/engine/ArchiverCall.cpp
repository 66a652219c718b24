#include "engine/ArchiverCall.h"

#include <vector>

namespace qb::engine {
namespace {

int Trampoline(const char* member, unsigned long long done, unsigned long long total, void* user)
{
    auto* sink = static_cast<ProgressSink*>(user);
    return sink->Progress(member ? member : "", done, total) ? 1 : 0;
}

// Unregisters the progress procedure however the call ends, so a module never calls back into
// a sink that is gone.
class ProgressScope {
public:
    ProgressScope(ArchiverSetProgressProc set, ProgressSink& sink) : m_set(set)
    {
        if (m_set)
            m_set(&Trampoline, &sink);
    }
    ~ProgressScope()
    {
        if (m_set)
            m_set(nullptr, nullptr);
    }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

private:
    ArchiverSetProgressProc m_set;
};

}  // namespace

CallResult CallArchiver(ArchiverKind kind, const std::string& commandLine, ProgressSink& progress)
{
    const ArchiverEntries& entries = Archivers().*Module(kind).entries;
    const ArchiverCommandProc call = entries.Command;
    const ArchiverQueryProc running = entries.GetRunning;
    const ArchiverSetProgressProc setProgress = entries.SetProgressCallback;

    CallResult r;
    if (!call || !running) {
        r.missing = true;
        return r;
    }
    if (running() != 0) {
        r.busy = true;
        return r;
    }
    std::vector<char> output(kArchiverOutputSize, '\0');
    ProgressScope scope(setProgress, progress);
    r.code = call(nullptr, commandLine.c_str(), output.data(), kArchiverOutputSize);
    output.back() = '\0';
    r.output = output.data();
    return r;
}

}  // namespace qb::engine
