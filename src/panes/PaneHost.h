#pragma once
// How the panes and dialogs reach the main window and one another. The main window implements
// this; a pane keeps a pointer to it and never includes the main window itself, so each pane can
// also be built and tested inside a small test host.

class QWidget;

namespace qb::engine {
struct Options;
}
class SourceFolderPane;
class OutputFolderPane;
class SubfolderListPane;
class TargetListPane;
class ArchiveListPane;
class HistoryPane;

// The fourteen menu commands that the main window and every pane carry. A pane's own handlers
// only call the main window's handler of the same name, so a command behaves the same whichever
// pane is active.
class MenuHandlers {
public:
    virtual ~MenuHandlers() = default;
    virtual void ShowAbout() = 0;
    virtual void EditInitialSourceFolder() = 0;
    virtual void EditInitialOutputFolder() = 0;
    virtual void EditTempFolder() = 0;
    virtual void ExitProgram() = 0;
    virtual void EditFont() = 0;
    virtual void OpenHelp() = 0;
    virtual void CopyHistory() = 0;
    virtual void SaveHistory() = 0;
    virtual void CreateFolder() = 0;
    virtual void EditOptions() = 0;
    virtual void OpenJobFile() = 0;
    virtual void SaveJobFile() = 0;
    virtual void SaveJobFileAs() = 0;
};

class PaneHost : public MenuHandlers {
public:
    // Enables the three run buttons exactly when the target list is not empty.
    virtual void UpdateRunButtons() = 0;

    // The six panes (null while they are not loaded).
    virtual SourceFolderPane* SourcePane() = 0;
    virtual OutputFolderPane* OutputPane() = 0;
    virtual SubfolderListPane* SubfolderPane() = 0;
    virtual TargetListPane* TargetPane() = 0;
    virtual ArchiveListPane* ArchivePane() = 0;
    virtual HistoryPane* LogPane() = 0;

    // The program's options, for the tooltip switch, the shared font and whether panes follow
    // the window's size.
    virtual const qb::engine::Options& ProgramOptions() const = 0;

    // The top-level window, parent of message boxes and dialogs.
    virtual QWidget* MainWidget() = 0;

    // True while the main window is neither minimised nor maximised; panes save their positions
    // only then.
    virtual bool IsNormalState() const = 0;

    // Applies the tooltip switch, resp. the shared font, to every form in the program's order.
    virtual void SetToolTipEverywhere(bool on) = 0;
    virtual void SetFontDataEverywhere() = 0;
};
