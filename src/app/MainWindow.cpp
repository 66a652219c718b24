#include "MainWindow.h"

#include "app/FontTips.h"
#include "app/HelpFile.h"
#include "app/AboutDialog.h"
#include "app/ConsoleTexts.h"
#include "app/OptionsDialog.h"
#include "app/MainWindowHosts.h"
#include "common/MessageFormat.h"
#include "common/SharedMessages.h"
#include "common/ProgramMessages.h"
#include "dialogs/FolderPicker.h"
#include "dialogs/FormPlacement.h"
#include "dialogs/SharedFont.h"
#include "dialogs/UiSeams.h"
#include "dialogs/MakeFolderDialog.h"
#include "dialogs/InitialFoldersDialog.h"
#include "dialogs/FolderAliasDialog.h"
#include "engine/Options.h"
#include "panes/PaneLayout.h"
#include "panes/RunProgress.h"
#include "panes/Twips.h"
#include "panes/TargetListPane.h"
#include "panes/SourceFolderPane.h"
#include "panes/SubfolderListPane.h"
#include "panes/OutputFolderPane.h"
#include "panes/ArchiveListPane.h"
#include "panes/HistoryPane.h"
#include "platform/SettingsStore.h"

#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <cstdlib>

using namespace qb::panes;

// The icon lives in a resource of the program's static library; it has to be asked for by name.
static void initIconResource()
{
    Q_INIT_RESOURCE(quillbox2);
}

namespace {

// Exit status of a program that could not build its window (as start-up's own failures).
constexpr int kStartupFailedStatus = 3;

struct PaneLoadError {
    const char* text;
};

QIcon appIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64, 256})
        icon.addFile(QStringLiteral(":/quillbox2/quillbox2-%1.png").arg(size), QSize(size, size));
    return icon;
}

QString SharedMsg(int code)
{
    return QString::fromStdString(SharedMessage(code));
}

// Designed measures of the button bar, in twips.
constexpr double kBarHeight = 615;
constexpr double kButtonTop = 120;
constexpr double kBarButtonWidth = 1335;
constexpr double kBarButtonHeight = 375;
constexpr double kButtonLefts[3] = {120, 1560, 3000};

double readNumber(const char* key, double fallback)
{
    const std::string text =
        qb::engine::ReadWindowSetting("Main_Left", key, qb::engine::NumberToText(fallback));
    return qb::engine::TextToNumber(text).value_or(fallback);
}

}  // namespace

void (*MainWindow::s_testActionsPlayer)(MainWindow&) = nullptr;

MainWindow::MainWindow(const QString& commandText, qb::engine::Options& options, QWidget* parent)
    : QMainWindow(parent), m_commandText(commandText), m_options(options)
{
    setObjectName(QStringLiteral("MainWindow"));
    initIconResource();
    setWindowIcon(appIcon());
    QApplication::setWindowIcon(windowIcon());
    m_runHost = std::make_unique<RunHost>(*this);
    m_jobHost = std::make_unique<JobHost>(*this);
    qb::ui::KeepDialogsOnScreen();
    buildControls();
    InitializeWindow();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildControls()
{
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buttonBar = new QWidget(central);
    buttonBar->setObjectName(QStringLiteral("buttonBar"));
    buttonBar->setFixedHeight(TwipsToPxY(kBarHeight, this));
    for (int i = 0; i < 3; ++i) {
        runButtons[i] = new QPushButton(buttonBar);
        runButtons[i]->setObjectName(QStringLiteral("runButton%1").arg(i));
        runButtons[i]->setGeometry(TwipsToPxX(kButtonLefts[i], this), TwipsToPxY(kButtonTop, this),
                               TwipsToPxX(kBarButtonWidth, this),
                               TwipsToPxY(kBarButtonHeight, this));
        connect(runButtons[i], &QPushButton::clicked, this, [this, i] { StartRun(i); });
    }
    cancelButton = new QPushButton(buttonBar);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    cancelButton->setGeometry(TwipsToPxX(4440, this), TwipsToPxY(kButtonTop, this),
                           TwipsToPxX(kBarButtonWidth, this), TwipsToPxY(kBarButtonHeight, this));
    connect(cancelButton, &QPushButton::clicked, this, [this] { RequestCancel(); });

    m_paneArea = new QMdiArea(central);
    m_paneArea->setObjectName(QStringLiteral("paneArea"));
    m_paneArea->viewport()->installEventFilter(this);
    layout->addWidget(buttonBar);
    layout->addWidget(m_paneArea, 1);
    setCentralWidget(central);

    m_menus = BuildMainMenus(this, this);
    showMenusOf(nullptr);
    connect(m_paneArea, &QMdiArea::subWindowActivated, this,
            [this](QMdiSubWindow* w) { showMenusOf(w); });
    m_progress = new RunProgress(m_options, this);
}

void MainWindow::InitializeWindow()
{
    try {
        setWindowTitle(Msg(kTextProgramName));
        for (int i = 0; i < 3; ++i)
            runButtons[i]->setText(Msg(kCaptionRunNormal + i));
        cancelButton->setText(SharedMsg(kSharedCancel));
        SetToolTip(m_options.ShowTooltips);
        createPanesAndDialogs();
        SetFontData();
        placeWindow();
        CancelRequested = false;
        cancelButton->setEnabled(false);
        m_historyPane->Clear();
        if (!m_commandText.isEmpty())
            qb::engine::ParseCommandLine(m_commandText.toStdString(), *m_jobHost);
        ShowStartReport();
        FirstActivationDone = false;
    } catch (const PaneLoadError& error) {
        failStartup(error.text);
    } catch (...) {
        failStartup("Quillbox2 frmQuillbox MDIForm_Load ERR");
    }
}

void MainWindow::failStartup(const char* text)
{
    // The window cannot be built; the program says where it stopped and ends, saving nothing.
    qb::ui::ShowMessage(nullptr, QString::fromLatin1(text));
    std::exit(kStartupFailedStatus);
}

QMdiSubWindow* MainWindow::addPane(PaneBase* pane)
{
    // The panes stay for the life of the window: their frames carry no close button.
    QMdiSubWindow* window =
        m_paneArea->addSubWindow(pane, Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                      Qt::WindowMinMaxButtonsHint);
    window->setObjectName(pane->objectName() + QStringLiteral("Window"));
    window->installEventFilter(this);
    window->hide();
    const QRectF r = pane->DesignedTwips();
    pane->MoveTwips(r.x(), r.y(), r.width(), r.height());
    return window;
}

void MainWindow::createPanesAndDialogs()
{
    // The dialogs exist before the panes load, as the folder panes hand theirs the alias dialog.
    m_folderAliasDialog = new FolderAliasDialog(m_options, this);
    m_sourceFolderPane = new SourceFolderPane(this, m_options);
    m_subfolderListPane = new SubfolderListPane(this, m_options, m_targets);
    m_targetListPane = new TargetListPane(this, m_options, m_targets);
    m_outputFolderPane = new OutputFolderPane(this, m_options);
    m_historyPane = new HistoryPane(this, m_options);
    m_archiveListPane = new ArchiveListPane(this, m_options);
    for (PaneBase* pane : Panes())
        addPane(pane);
    connectPanes();

    // A pane that cannot load names itself; the texts keep the old spelling of two pane names.
    auto load = [](const char* failure, auto&& step) {
        try {
            step();
        } catch (...) {
            throw PaneLoadError{failure};
        }
    };
    load("Quillbox2 mdiinFile Form_Load ERR", [this] { m_subfolderListPane->Initialize(); });
    load("Quillbox2 mdiinDir Form_Load ERR", [this] { m_sourceFolderPane->Initialize(m_folderAliasDialog); });
    load("Quillbox2 mdiFile Form_Load ERR", [this] { m_targetListPane->Initialize(); });
    load("Quillbox2 mdiOutDir Form_Load ERR", [this] { m_outputFolderPane->Initialize(m_folderAliasDialog); });
    load("Quillbox2 mdiStatus Form_Load ERR", [this] { m_historyPane->Initialize(); });
    load("Quillbox2 mdiOutFile Form_Load ERR", [this] { m_archiveListPane->Initialize(); });
    m_aboutDialog = new AboutDialog(m_options, this);
    m_initialFoldersDialog = new InitialFoldersDialog(m_options, this);
    m_initialFoldersDialog->SourcePaneFolder = [this] { return m_sourceFolderPane->Folder(); };
    m_initialFoldersDialog->OutputPaneFolder = [this] { return m_outputFolderPane->Folder(); };
    m_optionsDialog = new OptionsDialog(
        m_options, [this](bool on) { SetToolTipEverywhere(on); }, this);
}

void MainWindow::connectPanes()
{
    // What one pane means for another goes through here: no pane knows the others.
    connect(m_sourceFolderPane, &SourceFolderPane::FolderShown, m_subfolderListPane,
            &SubfolderListPane::SetFolder);
    connect(m_sourceFolderPane, &FolderPane::CopyToOtherRequested, m_outputFolderPane,
            &FolderPane::SetFolder);
    connect(m_outputFolderPane, &FolderPane::CopyToOtherRequested, m_sourceFolderPane,
            &FolderPane::SetFolder);
    connect(m_subfolderListPane, &SubfolderListPane::SubfolderOpened, m_sourceFolderPane,
            &FolderPane::SetFolder);
    connect(m_subfolderListPane, &SubfolderListPane::TargetsAdded, this,
            &MainWindow::UpdateRunButtons);
    connect(m_subfolderListPane, &SubfolderListPane::ReturnPressed, this,
            [this] { m_targetListPane->targetList->setFocus(); });
    connect(m_targetListPane, &TargetListPane::ListEdited, this, &MainWindow::UpdateRunButtons);
    connect(m_targetListPane, &TargetListPane::SourceFolderChosen, m_sourceFolderPane,
            &FolderPane::SetFolder);
    connect(m_targetListPane, &TargetListPane::OutputFolderChosen, m_outputFolderPane,
            &FolderPane::SetFolder);
    connect(m_targetListPane, &TargetListPane::ReturnPressed, this,
            [this] { m_outputFolderPane->driveList->setFocus(); });
}

std::array<PaneBase*, 6> MainWindow::Panes() const
{
    return {m_sourceFolderPane, m_subfolderListPane, m_targetListPane, m_outputFolderPane, m_historyPane, m_archiveListPane};
}

void MainWindow::placeWindow()
{
    double left = readNumber("Main_Left", 1000);
    double top = readNumber("Main_Top", 1000);
    double width = readNumber("Main_Width", 8000);
    double height = readNumber("Main_Height", 8000);
    const int state =
        qb::engine::TextToInt16(qb::engine::ReadWindowSetting("Main_Left", "Main_WindowState", "0"))
            .value_or(0);
    const QRect screenRect = screen() ? screen()->geometry() : QRect(0, 0, 1024, 768);
    const double screenW = PxToTwipsX(screenRect.width(), this);
    const double screenH = PxToTwipsY(screenRect.height(), this);
    if (left < 0 || left > screenW)
        left = 1000;
    if (top < 0 || top > screenH)
        top = 1000;
    if (width < 2000)
        width = 8000;
    if (height < 500)
        height = 8000;
    move(TwipsToPxX(left, this), TwipsToPxY(top, this));
    resize(TwipsToPxX(width, this), TwipsToPxY(height, this));
    // A size stored on a larger screen, or under another scale factor, is cut to this screen.
    qb::ui::FitOnScreen(this);
    if (state == 1)
        setWindowState(Qt::WindowMinimized);
    else if (state == 2)
        setWindowState(Qt::WindowMaximized);
}

bool MainWindow::IsNormalState() const
{
    return !(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
}

double MainWindow::ClientWidthTwips() const
{
    return PxToTwipsX(m_paneArea->viewport()->width(), this);
}
double MainWindow::ClientHeightTwips() const
{
    return PxToTwipsY(m_paneArea->viewport()->height(), this);
}

void MainWindow::UpdateLayout()
{
    if (m_options.PanesFollowWindow && m_sourceFolderPane) {
        const auto rects = ComputePaneLayout(ClientWidthTwips(), ClientHeightTwips());
        const auto panes = Panes();
        for (int i = 0; i < SlotCount; ++i)
            panes[i]->MoveTwips(rects[i].x(), rects[i].y(), rects[i].width(), rects[i].height());
    }
    const double cancelWidth = PxToTwipsX(cancelButton->width(), this);
    if (const auto x = CancelButtonLeft(PxToTwipsX(width(), this), cancelWidth))
        cancelButton->move(TwipsToPxX(*x, this), cancelButton->y());
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    FinishFirstShow();
}

void MainWindow::FinishFirstShow()
{
    if (FirstActivationDone)
        return;
    try {
        // Now that the window manager's frame is known, the whole window must be on screen.
        if (IsNormalState())
            qb::ui::FitOnScreen(this);
        UpdateLayout();
        fitPanes();
        for (PaneBase* pane : Panes())
            pane->SubWindow()->show();
        UpdateRunButtons();
        m_sourceFolderPane->driveList->setFocus();
        FirstActivationDone = true;
    } catch (...) {
        failStartup("Quillbox2 frmQuillbox MDIForm_Activate ERR");
    }
    if (s_testActionsPlayer)
        s_testActionsPlayer(*this);
}

void MainWindow::fitPanes()
{
    // Panes placed from the settings of a larger window would lie beyond the client area, out
    // of reach; each is brought inside it (the panes that follow the window are already there).
    if (m_options.PanesFollowWindow)
        return;
    const QRect area = m_paneArea->viewport()->rect();
    for (PaneBase* pane : Panes()) {
        QMdiSubWindow* sub = pane->SubWindow();
        const QRect fitted = qb::ui::FitInside(sub->geometry(), area, sub->minimumSizeHint());
        if (fitted != sub->geometry())
            sub->setGeometry(fitted);
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_paneArea->viewport() && event->type() == QEvent::Resize && m_sourceFolderPane)
        UpdateLayout();
    // A pane cannot be closed on its own (Ctrl+F4 and the like); it goes with the window.
    if (event->type() == QEvent::Close && qobject_cast<QMdiSubWindow*>(watched) && !m_unloaded) {
        event->ignore();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::showMenusOf(QMdiSubWindow* window)
{
    auto* pane = window ? qobject_cast<PaneBase*>(window->widget()) : nullptr;
    const MainMenus& menus = pane ? pane->Menus() : m_menus;
    QMenuBar* bar = menuBar();
    if (bar->actions() == menus.BarActions())
        return;
    bar->clear();
    bar->addActions(menus.BarActions());
}

void MainWindow::UpdateRunButtons()
{
    const bool any = m_targets.Count() >= 1;
    for (QPushButton* b : runButtons)
        b->setEnabled(any);
}

void MainWindow::SetToolTip(bool on)
{
    for (int i = 0; i < 3; ++i)
        runButtons[i]->setToolTip(on ? Msg(kTipRunNormal + i) : QString());
    cancelButton->setToolTip(on ? SharedMsg(kSharedCancelTip) : QString());
}

void MainWindow::SetFontData()
{
    qb::ui::ApplySharedFont(m_options, {runButtons[0], runButtons[1], runButtons[2], cancelButton});
    UpdateLayout();
}

void MainWindow::SetToolTipEverywhere(bool on)
{
    m_initialFoldersDialog->SetToolTip(on);
    m_folderAliasDialog->SetToolTip(on);
    m_optionsDialog->SetToolTip(on);
    SetToolTip(on);
    for (PaneBase* pane : Panes())
        pane->SetToolTip(on);
}

void MainWindow::SetFontDataEverywhere()
{
    SetFontData();
    for (PaneBase* pane : Panes())
        pane->SetFontData();
    m_aboutDialog->SetFontData();
    m_initialFoldersDialog->SetFontData();
    m_optionsDialog->SetFontData();
}

// ---- menu handlers ----------------------------------------------------------------------------

void MainWindow::ShowAbout()
{
    m_aboutDialog->ShowModal();
}
void MainWindow::EditOptions()
{
    m_optionsDialog->ShowModal();
}
void MainWindow::ExitProgram()
{
    close();
}
void MainWindow::OpenHelp()
{
    qb::help::ShowHelp();
}
void MainWindow::CopyHistory()
{
    m_historyPane->LogCopy();
}
void MainWindow::SaveHistory()
{
    m_historyPane->LogSave();
}

void MainWindow::EditFont()
{
    qb::fonts::FontMenu(this, m_options, [this] { SetFontDataEverywhere(); });
}

void MainWindow::CreateFolder()
{
    const QString path = MakeFolderDialog::MakeFolder(this, m_outputFolderPane->Folder());
    if (path.isEmpty())
        return;
    m_outputFolderPane->SetFolder(path);
    m_sourceFolderPane->Reload();
}

void MainWindow::EditInitialSourceFolder()
{
    QString dir = m_sourceFolderPane->InitialDir();
    bool inForce = m_sourceFolderPane->InitialDirInForce();
    if (m_initialFoldersDialog->Edit(InitialFoldersDialog::Use::SourceFolder, dir, inForce))
        m_sourceFolderPane->SetInitialDir(dir, inForce);
}

void MainWindow::EditInitialOutputFolder()
{
    QString dir = m_outputFolderPane->InitialDir();
    bool inForce = m_outputFolderPane->InitialDirInForce();
    if (m_initialFoldersDialog->Edit(InitialFoldersDialog::Use::OutputFolder, dir, inForce))
        m_outputFolderPane->SetInitialDir(dir, inForce);
}

void MainWindow::EditTempFolder()
{
    QString dir = QString::fromStdString(m_options.TempFolder);
    bool inForce = true;
    if (m_initialFoldersDialog->Edit(InitialFoldersDialog::Use::TempFolder, dir, inForce))
        m_options.TempFolder = dir.toStdString();
}

// ---- shutdown ---------------------------------------------------------------------------------

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_running) {
        // Closing in the middle of a run stops it first (the archive being written is rolled
        // back by its archiver); the window closes as soon as the run has ended.
        CancelRequested = true;
        m_closeAfterRun = true;
        m_progress->Cancel();
        event->ignore();
        return;
    }
    if (!m_unloaded)
        SaveOnClose();
    QMainWindow::closeEvent(event);
}

void MainWindow::SaveOnClose()
{
    m_unloaded = true;
    qb::platform::SettingsBatch batch;
    m_sourceFolderPane->SaveState();
    m_subfolderListPane->SaveState();
    m_targetListPane->SaveState();
    m_historyPane->SaveState();
    m_archiveListPane->SaveState();
    m_aboutDialog->SavePosition();
    m_initialFoldersDialog->SavePosition();
    m_optionsDialog->SavePosition();
    m_folderAliasDialog->SavePosition();
    m_outputFolderPane->SaveState();

    const Qt::WindowStates state = windowState();
    const int stateValue = (state & Qt::WindowMinimized)   ? 1
                           : (state & Qt::WindowMaximized) ? 2
                                                           : 0;
    qb::engine::WriteWindowSetting("Main_WindowState", std::to_string(stateValue));
    if (stateValue == 0) {
        qb::engine::WriteWindowSetting("Main_Left", qb::engine::NumberToText(PxToTwipsX(x(), this)));
        qb::engine::WriteWindowSetting("Main_Top", qb::engine::NumberToText(PxToTwipsY(y(), this)));
        qb::engine::WriteWindowSetting("Main_Width",
                                     qb::engine::NumberToText(PxToTwipsX(width(), this)));
        qb::engine::WriteWindowSetting("Main_Height",
                                     qb::engine::NumberToText(PxToTwipsY(height(), this)));
    }
    qb::engine::SaveSettings(m_options);
    if (!batch.Commit()) {
        // Everything changed since the start would be lost without a word.
        const std::string text =
            FormatText(ProgramMessage(kTextSettingsNotSaved),
                       {batch.FailedFile(), qb::app::SystemReason(batch.Error())});
        qb::ui::ShowMessage(this, QString::fromStdString(text));
    }
}
