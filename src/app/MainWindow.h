#pragma once
// The main window: a multiple-document frame whose client area holds the six panes, with the run
// buttons along the top and one menu bar that shows the active pane's menus. It finishes start-up
// (captions, panes and dialogs, placement, the command line), runs interactive packing runs,
// opens and saves job files, and saves everything when it closes.

#include "engine/Options.h"
#include "engine/TargetList.h"
#include "engine/StartReport.h"
#include "panes/PaneHost.h"
#include "panes/MainMenus.h"

#include <QMainWindow>
#include <QString>

#include <array>
#include <memory>

class QMdiArea;
class QMdiSubWindow;
class QPushButton;
class AboutDialog;
class InitialFoldersDialog;
class FolderAliasDialog;
class OptionsDialog;
class SourceFolderPane;
class OutputFolderPane;
class SubfolderListPane;
class TargetListPane;
class ArchiveListPane;
class HistoryPane;

namespace qb::panes {
class PaneBase;
class RunProgress;
}  // namespace qb::panes

class MainWindow : public QMainWindow, public PaneHost {
    Q_OBJECT
public:
    // options: the program's, loaded at start-up; the window shows and changes them and saves
    // them when it closes.
    MainWindow(const QString& commandText, qb::engine::Options& options,
                QWidget* parent = nullptr);
    ~MainWindow() override;

    QMdiArea* paneArea() const { return m_paneArea; }

    // Public operations, used by the dialogs and connected to the panes' signals.
    void SetToolTip(bool on);
    void SetFontData();
    // Enables the three run buttons exactly when the target list is not empty.
    void UpdateRunButtons();
    void LoadJobFile();
    // Applies the tooltip switch, resp. the shared font, to every form in the program's order.
    void SetToolTipEverywhere(bool on);
    void SetFontDataEverywhere();

    // The menu handlers.
    void ShowAbout() override;
    void EditInitialSourceFolder() override;
    void EditInitialOutputFolder() override;
    void EditTempFolder() override;
    void ExitProgram() override;
    void EditFont() override;
    void OpenHelp() override;
    void CopyHistory() override;
    void SaveHistory() override;
    void CreateFolder() override;
    void EditOptions() override;
    void OpenJobFile() override;
    void SaveJobFile() override;
    void SaveJobFileAs() override;

    // The run buttons and the cancel button.
    void StartRun(int mode);
    void RequestCancel();

    // Lays the panes out (when they follow the window) and keeps the cancel button at the right.
    void UpdateLayout();
    // The first activation shows the panes; later ones do nothing.
    void FinishFirstShow();

    // PaneHost.
    bool IsNormalState() const override;

    // The folders the next run packs; the target list pane shows them.
    qb::engine::TargetList& Targets() { return m_targets; }

    // The six panes (null while they are not loaded).
    SourceFolderPane* SourcePane() const { return m_sourceFolderPane; }
    OutputFolderPane* OutputPane() const { return m_outputFolderPane; }
    SubfolderListPane* SubfolderPane() const { return m_subfolderListPane; }
    TargetListPane* TargetPane() const { return m_targetListPane; }
    ArchiveListPane* ArchivePane() const { return m_archiveListPane; }
    HistoryPane* LogPane() const { return m_historyPane; }

    // The pane in the given slot order: SourceFolderPane, SubfolderListPane, TargetListPane, OutputFolderPane, HistoryPane,
    // ArchiveListPane.
    std::array<qb::panes::PaneBase*, 6> Panes() const;

    // The client area below the button bar, in twips.
    double ClientWidthTwips() const;
    double ClientHeightTwips() const;

    qb::panes::RunProgress* Progress() const { return m_progress; }

    std::array<QPushButton*, 3> runButtons{};
    QPushButton* cancelButton = nullptr;
    QWidget* buttonBar = nullptr;

    bool CancelRequested = false;
    bool FirstActivationDone = false;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class RunHost;
    class JobHost;

    void InitializeWindow();
    [[noreturn]] static void failStartup(const char* text);
    void SaveOnClose();
    void buildControls();
    void createPanesAndDialogs();
    void connectPanes();
    void placeWindow();
    void fitPanes();
    void showMenusOf(QMdiSubWindow* window);
    QMdiSubWindow* addPane(qb::panes::PaneBase* pane);
    // End-to-end tests script the shown window through QUILLBOX2_TEST_ACTIONS. Only development
    // builds link the player (EnableTestActionsPlayer of TestActionsPlayer.cpp, called by
    // main); the installed program carries none, so the variable means nothing to it.
    void StartTestActions();
    static void (*s_testActionsPlayer)(MainWindow&);
    friend void EnableTestActionsPlayer();
    void setPanesEnabled(bool flag);

    QString m_commandText;
    qb::engine::Options& m_options;
    QMdiArea* m_paneArea = nullptr;
    qb::panes::MainMenus m_menus;
    qb::engine::TargetList m_targets;

    SourceFolderPane* m_sourceFolderPane = nullptr;
    SubfolderListPane* m_subfolderListPane = nullptr;
    TargetListPane* m_targetListPane = nullptr;
    OutputFolderPane* m_outputFolderPane = nullptr;
    HistoryPane* m_historyPane = nullptr;
    ArchiveListPane* m_archiveListPane = nullptr;

    AboutDialog* m_aboutDialog = nullptr;
    InitialFoldersDialog* m_initialFoldersDialog = nullptr;
    OptionsDialog* m_optionsDialog = nullptr;
    FolderAliasDialog* m_folderAliasDialog = nullptr;
    qb::panes::RunProgress* m_progress = nullptr;

    std::unique_ptr<RunHost> m_runHost;
    std::unique_ptr<JobHost> m_jobHost;
    // What the command line or the job file last opened named but the list did not take. It is
    // shown in the history at once and again at the top of the next run's history, whose last
    // line counts its folders; that run ends it.
    qb::engine::StartReport m_startReport;
    void ShowStartReport();

    bool m_running = false;
    bool m_closeAfterRun = false;
    bool m_unloaded = false;
};
