#pragma once
// How the panes and dialogs reach the main window and one another. The main window implements
// this; a pane keeps a pointer to it and never includes the main window itself, so each pane can
// also be built and tested inside a small test host.

class QWidget;

namespace qb::engine {
struct Options;
}
class mdiInDir;
class mdiOutDir;
class mdiInFile;
class mdiFile;
class mdiOutFile;
class mdiStatus;

// The fourteen menu commands that the main window and every pane carry. A pane's own handlers
// only call the main window's handler of the same name, so a command behaves the same whichever
// pane is active.
class MenuHandlers {
public:
    virtual ~MenuHandlers() = default;
    virtual void mnuAbout_Click() = 0;
    virtual void mnuInDirDefault_Click() = 0;
    virtual void mnuOutDirDefault_Click() = 0;
    virtual void mnuTmpDirDefault_Click() = 0;
    virtual void mnuExit_Click() = 0;
    virtual void mnuFont_Click() = 0;
    virtual void mnuHelp_Click() = 0;
    virtual void mnuLogCopy_Click() = 0;
    virtual void mnuLogSave_Click() = 0;
    virtual void mnuMkdir_Click() = 0;
    virtual void mnuOption_Click() = 0;
    virtual void mnuOpen_Click() = 0;
    virtual void mnuSave_Click() = 0;
    virtual void mnuSaveAs_Click() = 0;
};

class FormHost : public MenuHandlers {
public:
    // Enables the three run buttons exactly when the target list is not empty.
    virtual void BtnEnabledChange() = 0;

    // The six panes (null while they are not loaded).
    virtual mdiInDir* InDir() = 0;
    virtual mdiOutDir* OutDir() = 0;
    virtual mdiInFile* InFile() = 0;
    virtual mdiFile* File() = 0;
    virtual mdiOutFile* OutFile() = 0;
    virtual mdiStatus* Status() = 0;

    // The program's options, for the tooltip switch, the shared font and whether panes follow
    // the window's size.
    virtual const qb::engine::Options& ProgramOptions() const = 0;

    // The top-level window, parent of message boxes and dialogs.
    virtual QWidget* MainWidget() = 0;

    // True while the main window is neither minimised nor maximised; panes save their positions
    // only then.
    virtual bool IsNormalState() const = 0;

    // Applies the tooltip switch, resp. the shared font, to every form in the program's order.
    virtual void SetToolTipEverywhere(bool blnToolTip) = 0;
    virtual void SetFontDataEverywhere() = 0;
};
