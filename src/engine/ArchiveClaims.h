// The archives a run has written or begun to write, so that no two targets of one run end up in
// one archive file. Two folders of the same name (C:\Work\abc and C:\Old\abc), or abc and ABC
// with upper-cased names, would otherwise pack into one ABC.LZH, the second updating the first's
// members and both reported as packed.
//
// "The same file" is what the file system says, not the spelling: drive paths resolve letter
// case the way Windows does (C:\OUT\abc.LZH reaches an existing ABC.LZH), and folders reached
// through links are one folder.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

namespace qb::engine {

class ArchiveClaims {
public:
    // The folder that claimed the file archive names, or "" when no folder did.
    std::string OwnerOf(const std::string& archive) const;

    // Records that folder's packing writes archive (or may: a failed call counts too, because
    // an archive it left as it was still belongs to that folder as far as this run knows).
    void Claim(const std::string& archive, const std::string& folder);

    // Takes note of what the claims of the folder just packed have become on disk (an archive
    // that did not exist before has an identity now). Called after each folder.
    void Settle();

private:
    std::unordered_map<std::string, std::string> m_owners;  // file key -> folder
    std::vector<std::pair<std::string, std::string>> m_unsettled;  // archive, folder
};

}  // namespace qb::engine
