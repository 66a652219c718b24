/* Faults of a disk for the tests, preloaded into the program (LD_PRELOAD). The modules write each
 * archive into a temporary file ".<name>.XXXXXX.qbtmp" and only then put it in place; the faults
 * meet the archives named in QB_CORRUPT_ARCHIVES (comma-separated file names such as
 * "A.LZH,A.LZH.ZIP") on their way into that file:
 *   - by default the bits of one byte are flipped, at offset QB_CORRUPT_OFFSET (4096 when not set)
 *     of the file: a disk that silently changes what it stores;
 *   - with QB_WRITE_ERROR=ENOSPC or EROFS every write fails with that error: a full disk, or a
 *     file system that went read-only;
 *   - with QB_SLOW_WRITE_MS every write waits that many milliseconds and then stores the bytes
 *     as they are: a slow disk, so that a run takes a while on any machine.
 * QB_READ_ERROR_FILE names a file (its last path component) whose every read fails with EIO: a
 * source file the disk cannot give back. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <unistd.h>

static const char kSuffix[] = ".qbtmp";

/* The path an open descriptor leads to; 0 when it has none. */
static int PathOf(int fd, char* path, size_t size)
{
    char link[64];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(link, path, size - 1);
    if (n <= 0)
        return 0;
    path[n] = '\0';
    return 1;
}

static const char* BaseName(const char* path)
{
    const char* slash = strrchr(path, '/');
    return slash ? slash + 1 : path;
}

/* The archive name of a temporary file's path, or 0 when the path is not one. */
static size_t ArchiveName(const char* path, const char** name)
{
    const char* base = BaseName(path);
    const size_t length = strlen(base), suffix = sizeof kSuffix - 1;
    if (length < 1 + 1 + 7 + suffix || base[0] != '.' || strcmp(base + length - suffix, kSuffix))
        return 0;
    *name = base + 1;
    return length - 1 - 7 - suffix;
}

static int Listed(const char* name, size_t length)
{
    const char* list = getenv("QB_CORRUPT_ARCHIVES");
    while (list && *list) {
        const char* end = strchr(list, ',');
        const size_t item = end ? (size_t)(end - list) : strlen(list);
        if (item == length && strncmp(list, name, length) == 0)
            return 1;
        list = end ? end + 1 : NULL;
    }
    return 0;
}

static int IsListedArchive(int fd)
{
    char path[4096];
    const char* name = NULL;
    if (!getenv("QB_CORRUPT_ARCHIVES") || !PathOf(fd, path, sizeof path))
        return 0;
    const size_t length = ArchiveName(path, &name);
    return length > 0 && Listed(name, length);
}

static int IsUnreadable(int fd)
{
    const char* file = getenv("QB_READ_ERROR_FILE");
    char path[4096];
    return file && *file && PathOf(fd, path, sizeof path) && strcmp(BaseName(path), file) == 0;
}

ssize_t write(int fd, const void* data, size_t size)
{
    static ssize_t (*real)(int, const void*, size_t);
    if (!real)
        real = (ssize_t(*)(int, const void*, size_t))dlsym(RTLD_NEXT, "write");
    if (size == 0 || !IsListedArchive(fd))
        return real(fd, data, size);
    const char* error = getenv("QB_WRITE_ERROR");
    if (error && *error) {
        errno = strcmp(error, "EROFS") == 0 ? EROFS : ENOSPC;
        return -1;
    }
    const char* slow = getenv("QB_SLOW_WRITE_MS");
    if (slow && *slow) {
        usleep((useconds_t)atoi(slow) * 1000);
        return real(fd, data, size);
    }
    const char* offsetText = getenv("QB_CORRUPT_OFFSET");
    const long long target = offsetText ? atoll(offsetText) : 4096;
    const off_t at = lseek(fd, 0, SEEK_CUR);
    if (at < 0 || target < at || target >= at + (long long)size)
        return real(fd, data, size);
    unsigned char* copy = malloc(size);
    if (!copy)
        return real(fd, data, size);
    memcpy(copy, data, size);
    copy[target - at] ^= 0x5A;
    const ssize_t written = real(fd, copy, size);
    free(copy);
    return written;
}

ssize_t read(int fd, void* data, size_t size)
{
    static ssize_t (*real)(int, void*, size_t);
    if (!real)
        real = (ssize_t(*)(int, void*, size_t))dlsym(RTLD_NEXT, "read");
    if (size > 0 && IsUnreadable(fd)) {
        errno = EIO;
        return -1;
    }
    return real(fd, data, size);
}

ssize_t pread(int fd, void* data, size_t size, off_t offset)
{
    static ssize_t (*real)(int, void*, size_t, off_t);
    if (!real)
        real = (ssize_t(*)(int, void*, size_t, off_t))dlsym(RTLD_NEXT, "pread");
    if (size > 0 && IsUnreadable(fd)) {
        errno = EIO;
        return -1;
    }
    return real(fd, data, size, offset);
}
