// A throw-away folder tree for the archiver tests, removed with everything in it at the end.
#pragma once

#include <string>
#include <vector>

namespace qb::arctest {

class Sandbox {
public:
    Sandbox();  // makes a fresh folder under $TMPDIR (or /tmp)
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    const std::string& Root() const { return root_; }
    std::string Path(const std::string& relative) const { return root_ + "/" + relative; }

    // Writes a file (making its folders) and returns its host path.
    std::string Write(const std::string& relative, const std::string& content) const;
    std::string MakeFolder(const std::string& relative) const;

private:
    std::string root_;
};

std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);

// Names of the entries of a folder, sorted; handy to see that no temporary file was left.
std::vector<std::string> FolderNames(const std::string& path);

// Runs a shell command, returns its exit status and, if wanted, its standard output.
int RunShell(const std::string& command, std::string* output = nullptr);

// Changes the working directory for the lifetime of the object.
class ScopedCwd {
public:
    explicit ScopedCwd(const std::string& folder);
    ~ScopedCwd();

private:
    std::string previous_;
};

}  // namespace qb::arctest
