/* A fault for the tests: a disk that silently changes one byte. Preloaded into the program, it
 * flips the bits of one byte of every archive the modules write whose name is listed in
 * QB_CORRUPT_ARCHIVES (comma-separated file names such as "A.LZH,A.LZH.ZIP"), at offset
 * QB_CORRUPT_OFFSET (4096 when not set) of the file. The modules write each archive into a
 * temporary file ".<name>.XXXXXX.qbtmp" and only then put it in place, so the byte is changed on
 * its way into that file: what the module reads back afterwards is what a faulty disk gave. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <unistd.h>

static const char kSuffix[] = ".qbtmp";

/* The archive name of a temporary file's path, or 0 when the path is not one. */
static size_t ArchiveName(const char* path, const char** name)
{
    const char* base = strrchr(path, '/');
    base = base ? base + 1 : path;
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

ssize_t write(int fd, const void* data, size_t size)
{
    static ssize_t (*real)(int, const void*, size_t);
    if (!real)
        real = (ssize_t(*)(int, const void*, size_t))dlsym(RTLD_NEXT, "write");
    char link[64], path[4096];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = size ? readlink(link, path, sizeof path - 1) : -1;
    const char* name = NULL;
    size_t length = 0;
    if (n > 0) {
        path[n] = '\0';
        length = ArchiveName(path, &name);
    }
    if (length == 0 || !Listed(name, length))
        return real(fd, data, size);
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
