#pragma once
// The program's questions to the user go through these few functions: message boxes, the input
// box, the file and font dialogs. In normal use each shows the real Qt dialog; a test can queue
// answers beforehand, and then nothing is shown and every text asked is recorded, so window
// tests run on the offscreen platform without anyone to press a button.

#include <QFont>
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace qb::ui {

// Plain message box with an OK button, titled "Quillbox2".
void ShowMessage(QWidget* parent, const QString& text);

// Yes/No question titled "Quillbox2"; true only on Yes.
bool AskYesNo(QWidget* parent, const QString& text);

// Input box; nullopt when cancelled. A carriage return in the prompt starts a new line.
std::optional<QString> InputText(QWidget* parent, const QString& title, const QString& prompt,
                                 const QString& initial = QString());

// File dialogs. `filter` is in the "Description|*.EXT|Other|*.*" form the program's message
// tables use; names match in any letter case. The result is a drive path ("C:\...") or "" when
// cancelled. The dialog opens in the folder of initialName when that exists, else in the folder
// of the last file chosen with the same default extension (kept in the settings store as
// LastDir_<EXT>), else in the home folder.
QString OpenFileName(QWidget* parent, const QString& filter, const QString& initialName,
                     const QString& defaultExt);
QString SaveFileName(QWidget* parent, const QString& filter, const QString& initialName,
                     const QString& defaultExt);

// Font dialog; nullopt when cancelled.
std::optional<QFont> ChooseFont(QWidget* parent, const QFont& initial);

// A window that cannot load: shows the text (such as "Quillbox2 frmOption Form_Load ERR") in a
// plain message box and ends the program, as there is no sound state to go on from.
[[noreturn]] void LoadFailed(QWidget* parent, const QString& text);

// Turns "A|*.X|B|*.*" into the "A (*.[Xx]);;B (*)" form of QFileDialog: patterns that match
// in any letter case, "*.*" meaning every file.
QString ToQtFilter(const QString& filter);
QString CaseFreePattern(const QString& pattern);

// The host folder a file dialog opens in (see above).
QString FileDialogFolder(const QString& initialName, const QString& defaultExt);

// ---- test seam -------------------------------------------------------------------------------
// While answers are queued, the functions above take the next answer of their kind instead of
// showing a dialog, and append "kind: text" to the record. An empty queue falls through to the
// real dialog, except in "never show" mode, where a missing answer counts as OK / No / cancel.
namespace test {
void QueueYesNo(bool yes);
void QueueInput(std::optional<QString> answer);
void QueueFileName(const QString& driveOrEmpty);
void QueueFont(std::optional<QFont> answer);
void SetNeverShow(bool never);  // true in every window test
QStringList TakeRecord();  // the texts asked since the last call, oldest first
void Reset();  // empties queues and record
}  // namespace test

}  // namespace qb::ui
