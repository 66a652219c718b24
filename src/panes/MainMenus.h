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
    QAction* exitAction = nullptr;
    QAction* fontAction = nullptr;
    QMenu* fileMenu = nullptr;
    QMenu* logMenu = nullptr;
    QMenu* initialFoldersMenu = nullptr;
    QAction* optionsAction = nullptr;
    QAction* makeFolderAction = nullptr;
    QAction* helpAction = nullptr;
    QAction* aboutAction = nullptr;
    // Items of the drop-down menus.
    QAction* openAction = nullptr;
    QAction* saveAction = nullptr;
    QAction* saveAsAction = nullptr;
    QAction* copyLogAction = nullptr;
    QAction* saveLogAction = nullptr;
    QAction* initialSourceFolderAction = nullptr;
    QAction* initialOutputFolderAction = nullptr;
    QAction* tempFolderAction = nullptr;

    // The actions to put on a menu bar, in order (menus as their menu actions).
    QList<QAction*> BarActions() const;

    // Enables or disables the nine top-level entries; the items below follow their menu.
    void SetEnabled(bool flag);
};

// Builds a set owned by `owner` whose every item calls the same-named handler of `target`.
MainMenus BuildMainMenus(QWidget* owner, MenuHandlers* target);

}  // namespace qb::panes
