#pragma once
// The Help menu. The help file keeps its old place, beside the program as QUILLBOX2.HLP; here
// the manual is an HTML page standing in that place as QUILLBOX2.html, opened in the desktop's
// viewer.

#include <QString>
#include <QUrl>

#include <functional>

namespace qb::help {

// The old help path: the folder, a backslash unless it ends with one, "QUILLBOX2.HLP".
QString HelpFilePath(const QString& programFolder);

// The manual that stands there: the same path with QUILLBOX2.html as its name.
QString ManualPath(const QString& programFolder);

// The program's own folder in drive form ("" when no drive covers it).
QString ProgramFolder();

// OpenHelp: opens the manual of the program's folder with the desktop's viewer (for an
// installed program that has none beside it, the one in <prefix>/share/quillbox2). When no
// viewer takes it (none installed, or the manual is missing), a message box gives the manual's
// host path, so the user can open it by hand. Returns false when the opener refused at once.
bool ShowHelp();

namespace test {
// Replaces the desktop opener (QDesktopServices::openUrl); an empty function restores it.
void SetOpener(std::function<bool(const QUrl&)> opener);
}  // namespace test

}  // namespace qb::help
