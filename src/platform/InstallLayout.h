#pragma once
// Where the program finds the files installed with it. Everything is found relative to the
// running executable, so an installed tree can be moved anywhere (or unpacked from a package
// into any root) and still work; nothing depends on the prefix chosen when it was configured.
//
//   <prefix>/bin/quillbox2, <prefix>/bin/qbarc
//   <prefix>/lib/quillbox2/       the archiver modules (the "system folder")
//   <prefix>/share/quillbox2/     the manual QUILLBOX2.html
//
// In the build tree the modules are in build/system, beside the built program.

#include <string>

namespace qb::platform {

// The folder of the running executable, as a host path without a trailing slash.
std::string ProgramFolderHost();

// The folder of the archiver modules, as a host path: $QUILLBOX2_SYSTEM_DIR when set, else the
// modules installed beside the program (<prefix>/lib/quillbox2), else system/ beside the program
// (the build tree's quillbox2 and qbarc). "" when there is none: a test program elsewhere in the
// build tree names the modules with the variable, so that no build path is compiled in.
std::string SystemFolderHost();

// <prefix>/share/quillbox2 of the running program when it exists, else "".
std::string DataFolderHost();

}  // namespace qb::platform
