#pragma once
// The menu bar that the main window and each of the six panes carry: the same entries, names,
// captions and shortcuts everywhere. Each set is wired to one MenuHandlers object; the main
// window shows the set of the active pane, so only that set's shortcuts are live.

#include <QList>

class QAction;
class QMenu;
class QObject;
class QWidget;
class MenuHandlers;

namespace qb::panes {

struct MainMenus {
    // Top-level entries, in menu-bar order. Exit and Font are commands on the bar itself.
    QAction* mnuExit = nullptr;
    QAction* mnuFont = nullptr;
    QMenu* mnuFile = nullptr;
    QMenu* mnuLog = nullptr;
    QMenu* mnuDefault = nullptr;
    QAction* mnuOption = nullptr;
    QAction* mnuMkdir = nullptr;
    QAction* mnuHelp = nullptr;
    QAction* mnuAbout = nullptr;
    // Items of the drop-down menus.
    QAction* mnuOpen = nullptr;
    QAction* mnuSave = nullptr;
    QAction* mnuSaveAs = nullptr;
    QAction* mnuLogCopy = nullptr;
    QAction* mnuLogSave = nullptr;
    QAction* mnuInDirDefault = nullptr;
    QAction* mnuOutDirDefault = nullptr;
    QAction* mnuTmpDirDefault = nullptr;

    // The actions to put on a menu bar, in order (menus as their menu actions).
    QList<QAction*> BarActions() const;

    // Enables or disables the nine top-level entries; the items below follow their menu.
    void SetEnabled(bool flag);
};

// Builds a set owned by `owner` whose every item calls the same-named handler of `target`.
MainMenus BuildMainMenus(QWidget* owner, MenuHandlers* target);

}  // namespace qb::panes
