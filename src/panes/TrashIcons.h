#pragma once
// The pictures of the target list's two remove buttons: the desktop theme's own delete icons
// where the theme has them, else our own trash cans, drawn in full colour so that a button looks
// greyed only when it really is disabled (Qt derives the disabled look from these).

#include <QIcon>

namespace qb::panes {

// `all`: the remove-all button (a full can), else the remove-selected button.
QIcon TrashIcon(bool all);

// Our own picture, used when the theme has none.
QIcon OwnTrashIcon(bool all);

}  // namespace qb::panes
