#pragma once
// Making a new folder inside the output folder: ask for a name, check it, create the folder
// and prove that it can be entered. Every failure ends in one message box and an empty result.

#include <QString>

class QWidget;

namespace MakeFolderDialog {

// Asks for a name and creates that folder inside parentFolder (a drive path). Returns the new
// folder's full drive path, or "" when nothing was created.
QString MakeFolder(QWidget* parent, const QString& parentFolder);

// Shows the input box (prompt, a carriage return, then the parent folder) and checks the
// answer. Returns the answer as typed, or "" (cancel, empty answer, broken rule).
QString InputFolderName(QWidget* parent, const QString& parentFolder);

// Applies the naming rules in order and shows the first one broken; true when all hold.
bool CheckFolderName(QWidget* parent, const QString& name);

}  // namespace MakeFolderDialog
