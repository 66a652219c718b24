// The file libzip reads an archive from and writes the new archive to, as one zip source.
//
// libzip's own file source writes the new archive into a temporary file of its own making and
// renames it over the name it was opened with. Ours reads the old archive from one descriptor
// and writes into another that the caller made, locked and will put in place (AtomicOutput):
// the file being written is then always the one under our lock and of our naming, and nothing
// is ever written next to the old archive.
#pragma once

#include <zip.h>

namespace qb::izip {

// readFd: the old archive, or -1 for a new one (libzip then sees a file that does not exist);
// the source owns it and closes it. writeFd: where the new archive goes; it stays the caller's.
// Returns nullptr (error set) when the source cannot be made.
zip_source_t* MakeArchiveFileSource(int readFd, int writeFd, zip_error_t* error);

}  // namespace qb::izip
