// IZIP32J.DLL: the ZIP engine behind ZIP32J.DLL and UNZIP32.DLL. All use of libzip lives here;
// the two thin modules only keep their own running flag and progress procedure and pass each
// command line on. Plain C entry points, so that the modules need nothing but this header.
#ifndef QUILLBOX_IZIP_H
#define QUILLBOX_IZIP_H

#include "archiver_api.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Runs a Zip command line (see ZipWriter.h) or an UnZip one (see ZipReader.h). Progress goes to
 * proc on the calling thread; the result is 0 or an ARC_ERROR_* code; the output buffer receives
 * the messages, NUL-terminated. */
QB_ARCHIVER_EXPORT int IZipRunZip(const char* cmdLine, char* output, unsigned long outputSize,
                                  ArchiverProgressProc proc, void* user);
QB_ARCHIVER_EXPORT int IZipRunUnZip(const char* cmdLine, char* output, unsigned long outputSize,
                                    ArchiverProgressProc proc, void* user);

/* The version of the engine, 104 meaning 1.04. */
QB_ARCHIVER_EXPORT int IZipGetVersion(void);

#ifdef __cplusplus
}
#endif

#endif
