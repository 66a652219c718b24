// Owning handles for libzip objects, so that every way out of a function closes what it opened.
#pragma once

#include <zip.h>

#include <memory>

namespace qb::izip {

struct ZipDiscard {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
// An archive opened for reading or writing; destroying it abandons unsaved changes.
using ZipHandle = std::unique_ptr<zip_t, ZipDiscard>;

struct ZipFileClose {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};
using ZipFileHandle = std::unique_ptr<zip_file_t, ZipFileClose>;

}  // namespace qb::izip
