// Files, folders and shell commands for tests: throw-away folders removed with everything in
// them, whole-file reads and writes, folder listings, and the independent tools run through the
// shell. No Qt and no program code, so the archiver tests use them as well.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace qbtest {

// A fresh folder under $TMPDIR (or /tmp), removed at the end with everything in it; rights a
// test took away are given back first so that nothing is left behind.
class TempFolder {
public:
    explicit TempFolder(const std::string& prefix = "qb-test");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Root() const { return m_root; }
    std::string Path(const std::string& relative) const { return m_root + "/" + relative; }

    // Writes a file (making its folders) and returns its host path.
    std::string Write(const std::string& relative, const std::string& content) const;
    std::string MakeFolder(const std::string& relative) const;

private:
    std::string m_root;
};

// Changes the working directory for the lifetime of the object.
class ScopedCwd {
public:
    explicit ScopedCwd(const std::string& folder);
    ~ScopedCwd();
    ScopedCwd(const ScopedCwd&) = delete;
    ScopedCwd& operator=(const ScopedCwd&) = delete;

private:
    std::string m_previous;
};

std::string ReadFile(const std::string& path);
// Writes the whole file, making its folders.
void WriteFile(const std::string& path, const std::string& bytes);
void MakeDirs(const std::string& path);
// True for anything at path, a dangling link included.
bool Exists(const std::string& path);
// Names of the entries of a folder, sorted; handy to see that no temporary file was left.
std::vector<std::string> FolderNames(const std::string& path);
// Relative path -> contents of every file below a folder.
std::map<std::string, std::string> Tree(const std::string& folder);

// Runs a shell command; its exit status (-1 when it did not exit) and, if wanted, its output.
// Waits until nothing holds its output open any more: a command that leaves a process behind in
// the background belongs to Shell.
int RunShell(const std::string& command, std::string* output = nullptr);
// Runs a shell command quietly, its output thrown away; waits for the shell only. Its exit status.
int Shell(const std::string& command);
// text in single quotes for the shell.
std::string Quote(const std::string& text);

}  // namespace qbtest
