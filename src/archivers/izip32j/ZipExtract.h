// Extracting chosen ZIP members into a folder.
//
// Member paths stay below the folder: a name with "..", an absolute name or a path through a
// link out of the folder is refused (ExtractPaths). Every file is written to a temporary file
// beside its place and renamed over it only when its data was read to the end and matched its
// CRC (ExtractFile), so a damaged member or a cancel never leaves a half-written file and never
// replaces a good one. Modification times (exact when the archive has them) of files and folders
// and Unix permissions of files are restored. A symbolic link stored in an archive is left out
// and named ("skipped symbolic-link"): extraction never makes links, and the link's text is not
// the file it stands for. A second member of a name extracted already in this call does not
// replace the first: it goes beside it as name_1 (name_2, ...), and the output says so.
#pragma once

#include "MemberReader.h"
#include "ModuleCall.h"

#include "ZipDirectory.h"

#include <string>
#include <vector>

namespace qb::izip {

struct ChosenMember {
    size_t index = 0;  // in the directory
    std::string name;  // UTF-8
};

// Returns ARC_OK, the first member failure after trying every member, or a failure that ends
// the call at once (cancel, full disk, read-only destination, no memory); ARC_ERROR_INCOMPLETE
// when links were left out and nothing failed.
int ExtractMembers(const ZipDirectory& directory, const std::vector<ChosenMember>& members,
                   const std::string& folder, MemberReader& reader, ReadProgress& progress,
                   arc::OutputText& out);

// True for the failures after which no further member is worth trying.
bool EndsTheCall(int result);

}  // namespace qb::izip
