/*
 * The C entry points of the archiver modules UNLHA32.DLL, ZIP32J.DLL and UNZIP32.DLL.
 *
 * Each module is a shared object loaded with dlopen. A call takes one command line (drive paths
 * such as "D:\OUT\NAME.LZH" or host paths beginning with '/'), does the whole job synchronously
 * and returns 0 or one of the ARC_ERROR_* codes of archiver_results.h. Whatever a module has to
 * say for people (listings, messages) goes into the output buffer, always NUL-terminated and cut
 * to outputSize.
 *
 * Progress: a module calls the registered procedure on the calling thread between pieces of
 * work. A zero return cancels the call, which then ends with ARC_ERROR_USER_CANCEL and leaves
 * every existing archive as it was.
 */
#ifndef QUILLBOX_ARCHIVER_API_H
#define QUILLBOX_ARCHIVER_API_H

#include "archiver_results.h"

#ifdef __cplusplus
extern "C" {
#endif

/* member: name of the member being worked on (UTF-8); done/total: bytes of the whole call. */
typedef int (*ArchiverProgressProc)(const char* member, unsigned long long done,
                                    unsigned long long total, void* user);

#define QB_ARCHIVER_EXPORT __attribute__((visibility("default")))

/* UNLHA32.DLL */
QB_ARCHIVER_EXPORT int Unlha(void* hwnd, const char* cmdLine, char* output,
                             unsigned long outputSize);
QB_ARCHIVER_EXPORT int UnlhaGetRunning(void);
QB_ARCHIVER_EXPORT int UnlhaGetVersion(void);
QB_ARCHIVER_EXPORT void UnlhaSetProgressCallback(ArchiverProgressProc proc, void* user);

/* ZIP32J.DLL (needs IZIP32J.DLL) */
QB_ARCHIVER_EXPORT int Zip(void* hwnd, const char* cmdLine, char* output, unsigned long outputSize);
QB_ARCHIVER_EXPORT int ZipGetRunning(void);
QB_ARCHIVER_EXPORT int ZipGetVersion(void);
QB_ARCHIVER_EXPORT void ZipSetProgressCallback(ArchiverProgressProc proc, void* user);

/* UNZIP32.DLL (needs IZIP32J.DLL) */
QB_ARCHIVER_EXPORT int UnZip(void* hwnd, const char* cmdLine, char* output,
                             unsigned long outputSize);
QB_ARCHIVER_EXPORT int UnZipGetRunning(void);
QB_ARCHIVER_EXPORT int UnZipGetVersion(void);
QB_ARCHIVER_EXPORT void UnZipSetProgressCallback(ArchiverProgressProc proc, void* user);

/* Function-pointer types, for callers that load the modules with dlsym. */
typedef int (*ArchiverCommandProc)(void* hwnd, const char* cmdLine, char* output,
                                   unsigned long outputSize);
typedef int (*ArchiverQueryProc)(void);
typedef void (*ArchiverSetProgressProc)(ArchiverProgressProc proc, void* user);

#ifdef __cplusplus
}
#endif

#endif
