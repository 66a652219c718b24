#pragma once
// The Font menu and the shared-font helpers for the windows of app/. The font itself (made
// from the Font_ options, with the Windows Mincho name mapped to an installed face) lives in
// dialogs/SharedFont.h so that the panes and dialogs can use it as well.

#include "dialogs/SharedFont.h"
#include "engine/Options.h"

#include <QFont>

#include <functional>

class QWidget;

namespace qb::fonts {

// Compares a font chosen in the font dialog with the Font_ options (name, size as a
// number, bold, italic). When any differs, stores the name, the size rounded half to even,
// bold and italic, and returns true; otherwise changes nothing and returns false.
bool StoreFontChoice(qb::engine::Options& options, const QFont& chosen);

// EditFont: shows the font dialog with the current font; when the choice differs, stores
// it and calls applyFontEverywhere once, which calls SetFontData on MainWindow, SourceFolderPane,
// SubfolderListPane, TargetListPane, OutputFolderPane, HistoryPane, ArchiveListPane, AboutDialog, InitialFoldersDialog, OptionsDialog in
// this order. Returns true when the font changed.
bool FontMenu(QWidget* parent, qb::engine::Options& options,
              const std::function<void()>& applyFontEverywhere);

}  // namespace qb::fonts
