#include "IZip.h"

#include "ModuleCall.h"
#include "ZipReader.h"
#include "ZipWriter.h"

#include <exception>
#include <new>

namespace {

constexpr int kVersion = 110;

// No exception may cross the C boundary: each becomes a result code.
template<typename Run>
int Guarded(const char* cmdLine, char* output, unsigned long outputSize, Run&& run)
{
    qb::arc::OutputText out(output, outputSize);
    try {
        if (!cmdLine) {
            out.Line("no command line");
            return ARC_ERROR_COMMAND_LINE;
        }
        return run(out);
    } catch (const std::bad_alloc&) {
        out.Line("out of memory");
        return ARC_ERROR_NO_MEMORY;
    } catch (const std::exception& e) {
        out.Line(e.what());
        return ARC_ERROR_INTERNAL;
    } catch (...) {
        return ARC_ERROR_INTERNAL;
    }
}

}  // namespace

extern "C" int IZipRunZip(const char* cmdLine, char* output, unsigned long outputSize,
                          ArchiverProgressProc proc, void* user)
{
    return Guarded(cmdLine, output, outputSize, [&](qb::arc::OutputText& out) {
        return qb::izip::RunZip(qb::arc::ParseCommandLine(cmdLine, false), proc, user, out);
    });
}

extern "C" int IZipRunUnZip(const char* cmdLine, char* output, unsigned long outputSize,
                            ArchiverProgressProc proc, void* user)
{
    return Guarded(cmdLine, output, outputSize, [&](qb::arc::OutputText& out) {
        return qb::izip::RunUnZip(qb::arc::ParseCommandLine(cmdLine, false), proc, user, out);
    });
}

extern "C" int IZipGetVersion(void)
{
    return kVersion;
}
