#pragma once
// What a pane asks of the window it lives in: the menu commands, which the main window carries
// out, and whether that window is in its normal state. The main window implements this and hands
// each pane the program's options; everything else between panes and the main window goes
// through the panes' signals, which the main window connects. So a pane never includes the main
// window or another pane, and can be built and tested on its own.

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
    // True while the main window is neither minimised nor maximised; panes save their positions
    // only then.
    virtual bool IsNormalState() const = 0;
};
