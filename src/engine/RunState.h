// What one packing run keeps from folder to folder: the archives its folders claimed, and its
// private folder inside the temporary folder (made when the first folder needs it, removed with
// everything in it when the run ends).
#pragma once

#include "engine/ArchiveClaims.h"

#include <memory>
#include <string>

namespace qb::platform {
class RunFolder;
}

namespace qb::engine {

class RunState {
public:
    // tempFolder: option TmpDir as stored.
    explicit RunState(std::string tempFolder);
    ~RunState();
    RunState(const RunState&) = delete;
    RunState& operator=(const RunState&) = delete;

    ArchiveClaims& Claims() { return m_claims; }
    const std::string& TempFolder() const { return m_tempFolder; }

    // The run's private folder in the form TmpDir has (a trailing backslash when it has one),
    // so that it can stand wherever TmpDir stood in a command line; "" when it cannot be made.
    std::string WorkFolder();

    // Removes what a folder left in the private folder, except the file named keep.
    void CleanWorkFolder(const std::string& keep = std::string());

private:
    std::string m_tempFolder;
    ArchiveClaims m_claims;
    std::unique_ptr<qb::platform::RunFolder> m_folder;
    bool m_tried = false;
};

}  // namespace qb::engine
