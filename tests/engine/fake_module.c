/* A stand-in archiver module for the detection tests: the entry points of one module, doing
 * nothing. The UNLHA32 stand-in reports the version given in QB_FAKE_LZH_VERSION (default 104). */
#include "archiver_api.h"

#include <stdlib.h>

#if defined(QB_FAKE_UNLHA32)
int Unlha(void* h, const char* c, char* o, unsigned long n)
{
    (void)h;
    (void)c;
    (void)o;
    (void)n;
    return 0;
}
int UnlhaGetRunning(void)
{
    return 0;
}
int UnlhaGetVersion(void)
{
    const char* v = getenv("QB_FAKE_LZH_VERSION");
    return v ? atoi(v) : 104;
}
void UnlhaSetProgressCallback(ArchiverProgressProc p, void* u)
{
    (void)p;
    (void)u;
}
#elif defined(QB_FAKE_ZIP32J)
int Zip(void* h, const char* c, char* o, unsigned long n)
{
    (void)h;
    (void)c;
    (void)o;
    (void)n;
    return 0;
}
int ZipGetRunning(void)
{
    return 0;
}
int ZipGetVersion(void)
{
    return 0x10000 + 300; /* only the low 16 bits count */
}
void ZipSetProgressCallback(ArchiverProgressProc p, void* u)
{
    (void)p;
    (void)u;
}
#elif defined(QB_FAKE_UNZIP32)
int UnZip(void* h, const char* c, char* o, unsigned long n)
{
    (void)h;
    (void)c;
    (void)o;
    (void)n;
    return 0;
}
int UnZipGetRunning(void)
{
    return 0;
}
int UnZipGetVersion(void)
{
    return 601;
}
void UnZipSetProgressCallback(ArchiverProgressProc p, void* u)
{
    (void)p;
    (void)u;
}
#else
int IzipEngineMarker(void)
{
    return 1;
}
#endif
