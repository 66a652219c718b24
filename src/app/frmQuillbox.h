#pragma once
// The main window: a multiple-document frame whose client area holds the six panes, with the run
// buttons along the top and one menu bar that shows the active pane's menus. It finishes start-up
// (captions, panes and dialogs, placement, the command line), runs interactive packing runs,
// opens and saves job files, and saves everything when it closes.

#include "engine/Options.h"
#include "panes/FormHost.h"
#include "panes/MainMenus.h"

#include <QMainWindow>
#include <QString>

#include <array>
#include <memory>

class QMdiArea;
class QMdiSubWindow;
class QPushButton;
class frmAbout;
class frmDefault;
class frmMenuMente;
class frmOption;

namespace qb::panes {
class PaneBase;
class RunProgress;
}  // namespace qb::panes

class frmQuillbox : public QMainWindow, public FormHost {
    Q_OBJECT
public:
    // options: the program's, loaded at start-up; the window shows and changes them and saves
    // them when it closes.
    frmQuillbox(const QString& commandText, qb::engine::Options& options,
                QWidget* parent = nullptr);
    ~frmQuillbox() override;

    QMdiArea* mdiArea() const { return m_mdi; }

    // Public operations used by the panes and dialogs.
    void SetToolTip(bool blnToolTip);
    void SetFontData();
    void BtnEnabledChange() override;
    void LoadQbj();

    // The menu handlers.
    void mnuAbout_Click() override;
    void mnuInDirDefault_Click() override;
    void mnuOutDirDefault_Click() override;
    void mnuTmpDirDefault_Click() override;
    void mnuExit_Click() override;
    void mnuFont_Click() override;
    void mnuHelp_Click() override;
    void mnuLogCopy_Click() override;
    void mnuLogSave_Click() override;
    void mnuMkdir_Click() override;
    void mnuOption_Click() override;
    void mnuOpen_Click() override;
    void mnuSave_Click() override;
    void mnuSaveAs_Click() override;

    // The run buttons and the cancel button.
    void btnExe_Click(int Index);
    void btnCancel_Click();

    // Lays the panes out (when they follow the window) and keeps the cancel button at the right.
    void MDIForm_Resize();
    // The first activation shows the panes; later ones do nothing.
    void MDIForm_Activate();

    // FormHost.
    mdiInDir* InDir() override { return m_inDir; }
    mdiOutDir* OutDir() override { return m_outDir; }
    mdiInFile* InFile() override { return m_inFile; }
    mdiFile* File() override { return m_file; }
    mdiOutFile* OutFile() override { return m_outFile; }
    mdiStatus* Status() override { return m_status; }
    const qb::engine::Options& ProgramOptions() const override { return m_options; }
    QWidget* MainWidget() override { return this; }
    bool IsNormalState() const override;
    void SetToolTipEverywhere(bool blnToolTip) override;
    void SetFontDataEverywhere() override;

    // The pane in the given slot order: mdiInDir, mdiInFile, mdiFile, mdiOutDir, mdiStatus,
    // mdiOutFile.
    std::array<qb::panes::PaneBase*, 6> Panes() const;
    QMdiSubWindow* SubWindowOf(qb::panes::PaneBase* pane) const;

    // The client area below the button bar, in twips.
    double ClientWidthTwips() const;
    double ClientHeightTwips() const;

    qb::panes::RunProgress* Progress() const { return m_progress; }
    frmDefault* DefaultDialog() const { return m_default; }

    std::array<QPushButton*, 3> btnExe{};
    QPushButton* btnCancel = nullptr;
    QWidget* pnlQuillbox = nullptr;

    bool CancelRequested = false;
    bool FirstActivationDone = false;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class RunHost;
    class JobHost;

    void MDIForm_Load();
    [[noreturn]] static void failStartup(const char* text);
    void MDIForm_QueryUnload();
    void buildControls();
    void loadForms();
    void placeWindow();
    void fitPanes();
    void showMenusOf(QMdiSubWindow* window);
    QMdiSubWindow* addPane(qb::panes::PaneBase* pane);
    // End-to-end tests script the shown window through QUILLBOX2_TEST_ACTIONS. Only development
    // builds link the player (EnableTestActionsPlayer of frmQuillbox.testdriver.cpp, called by
    // main); the installed program carries none, so the variable means nothing to it.
    void StartTestActions();
    static void (*s_testActionsPlayer)(frmQuillbox&);
    friend void EnableTestActionsPlayer();
    void setPanesEnabled(bool flag);

    QString m_commandText;
    qb::engine::Options& m_options;
    QMdiArea* m_mdi = nullptr;
    qb::panes::MainMenus m_menus;

    mdiInDir* m_inDir = nullptr;
    mdiInFile* m_inFile = nullptr;
    mdiFile* m_file = nullptr;
    mdiOutDir* m_outDir = nullptr;
    mdiStatus* m_status = nullptr;
    mdiOutFile* m_outFile = nullptr;

    frmAbout* m_about = nullptr;
    frmDefault* m_default = nullptr;
    frmOption* m_option = nullptr;
    frmMenuMente* m_mente = nullptr;
    qb::panes::RunProgress* m_progress = nullptr;

    std::unique_ptr<RunHost> m_runHost;
    std::unique_ptr<JobHost> m_jobHost;

    bool m_running = false;
    bool m_closeAfterRun = false;
    bool m_unloaded = false;
};
