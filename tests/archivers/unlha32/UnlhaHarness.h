// Test harness for UNLHA32.DLL: loads the real module, gives every test two sandbox drives
// (C: and D:, through QUILLBOX2_DRIVES, so the command lines of the program run verbatim), builds
// source trees and checks archives with our reader and with the other LHA programs.
#pragma once

#include "Sandbox.h"
#include "archiver_api.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace unlhatest {

struct CallResult {
    int rc = -1;
    std::string output;
};

// The module, loaded once per process.
CallResult Unlha(const std::string& commandLine);
int UnlhaWithBuffer(const std::string& commandLine, char* buffer, unsigned long size);
int UnlhaGetRunning();
int UnlhaGetVersion();
void SetProgress(ArchiverProgressProc proc, void* user);

// Host folders of the sandbox drives (emptied before each test by DrivesTest).
std::string DriveC();
std::string DriveD();

class DrivesTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string C(const std::string& rel) const { return DriveC() + "/" + rel; }
    std::string D(const std::string& rel) const { return DriveD() + "/" + rel; }
};

// What a source tree holds: relative path -> content ("/" suffix marks a folder).
using Tree = std::map<std::string, std::string>;

// Writes a tree with nested folders, an empty folder, empty files, Japanese names, dot-files,
// a name with spaces and, when bigSize > 0, one large file of that size.
Tree MakeSourceTree(const std::string& folder, std::size_t bigSize);
void WriteTree(const std::string& folder, const Tree& tree);

// The members an archive of `tree` should hold: without recurse only top-level files, without
// hidden no dot-names (nor what is below them), folders with a trailing '/', all under prefix.
std::set<std::string> ExpectedMembers(const Tree& tree, bool recurse, bool hidden,
                                      const std::string& prefix);

// Member paths of an archive, read with our own reader (folders with a trailing '/').
std::set<std::string> MemberNames(const std::string& archive);
// The raw bytes of each member (header and packed data) by path.
std::map<std::string, std::string> RawMembers(const std::string& archive);

// Reads a folder back into a Tree (folders with '/', files with their content).
Tree ReadTree(const std::string& folder);

// Runs lhasa t, 7zz t, jlha t (its exit status says nothing: its output is read) and bsdtar xOf;
// returns "" when all accept the archive, else what went wrong.
std::string PeersReject(const std::string& archive, std::size_t fileMembers);

}  // namespace unlhatest
