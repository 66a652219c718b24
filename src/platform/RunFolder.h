// A packing run's private folder inside the temporary folder, and the identity of a file.
//
// Two runs that share a temporary folder must never share what they keep there: the stored
// archive of double compression has the plain name of the folder (NAME.LZH), so two runs packing
// folders of the same name at once would update each other's. Each run therefore works in a
// folder of its own, "quillbox2-run.XXXXXX", created with mode 0700 (the stored copy of private
// sources is not for other users either) and removed with everything in it at the end of the run.
//
// A run holds an flock on its folder for as long as it lives. A run that was killed cannot
// remove its folder; the next run that makes one removes every such folder nobody holds
// locked, and only those: folders of runs still at work are left alone. Making a folder and
// sweeping happen under an flock on the temporary folder itself, so a sweep never sees a new
// folder before its owner has locked it.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace qb::platform {

class RunFolder {
public:
    // Sweeps the folders of dead runs from tempFolder (a drive path) and makes a fresh one.
    // nullptr when the temporary folder does not exist or refuses a new folder.
    static std::unique_ptr<RunFolder> Create(std::string_view tempFolder);

    // Removes the folder with all it holds.
    ~RunFolder();
    RunFolder(const RunFolder&) = delete;
    RunFolder& operator=(const RunFolder&) = delete;

    // The folder as a drive path: the temporary folder as given, a backslash when it had none,
    // then the folder's name (no trailing backslash).
    const std::string& DrivePath() const { return m_drivePath; }
    const std::string& HostPath() const { return m_hostPath; }

    // Removes everything inside the folder, keeping the folder and the file named keep.
    void Empty(const std::string& keep = std::string()) const;

private:
    RunFolder(std::string drivePath, std::string hostPath, int lockFd);

    std::string m_drivePath;
    std::string m_hostPath;
    int m_lockFd;
};

// Removes the run folders in tempFolder that no living run holds; returns how many.
int RemoveDeadRunFolders(std::string_view tempFolder);

// What decides whether two paths name one file: the device and inode of an existing file, else
// the canonical path of its folder joined with its name. Letter-case resolution of drive paths
// is applied first, so C:\OUT\abc.lzh and C:\OUT\ABC.LZH give one key when only one of them
// exists. "" when the path cannot be converted.
std::string FileKey(std::string_view path);

}  // namespace qb::platform
