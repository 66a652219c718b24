#include "frmQuillbox.h"

#include "app/FontTips.h"
#include "app/HelpFile.h"
#include "app/frmAbout.h"
#include "app/frmOption.h"
#include "app/frmQuillbox.hosts.h"
#include "common/resQuill.h"
#include "common/resQuillbox.h"
#include "dialogs/FolderPicker.h"
#include "dialogs/FormPlacement.h"
#include "dialogs/SharedFont.h"
#include "dialogs/UiSeams.h"
#include "dialogs/basMkdir.h"
#include "dialogs/frmDefault.h"
#include "dialogs/frmMenuMente.h"
#include "engine/Options.h"
#include "panes/PaneLayout.h"
#include "panes/RunProgress.h"
#include "panes/Twips.h"
#include "panes/mdiFile.h"
#include "panes/mdiInDir.h"
#include "panes/mdiInFile.h"
#include "panes/mdiOutDir.h"
#include "panes/mdiOutFile.h"
#include "panes/mdiStatus.h"
#include "platform/SettingsStore.h"

#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
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
    return QString::fromStdString(resQuill(code));
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
        qb::engine::ReadFormSetting("Main_Left", key, qb::engine::NumberToText(fallback));
    return qb::engine::TextToNumber(text).value_or(fallback);
}

}  // namespace

void (*frmQuillbox::s_testActionsPlayer)(frmQuillbox&) = nullptr;

frmQuillbox::frmQuillbox(const QString& commandText, qb::engine::Options& options, QWidget* parent)
    : QMainWindow(parent), m_commandText(commandText), m_options(options)
{
    setObjectName(QStringLiteral("frmQuillbox"));
    initIconResource();
    setWindowIcon(appIcon());
    QApplication::setWindowIcon(windowIcon());
    m_runHost = std::make_unique<RunHost>(*this);
    m_jobHost = std::make_unique<JobHost>(*this);
    qb::ui::KeepDialogsOnScreen();
    buildControls();
    MDIForm_Load();
}

frmQuillbox::~frmQuillbox() = default;

void frmQuillbox::buildControls()
{
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    pnlQuillbox = new QWidget(central);
    pnlQuillbox->setObjectName(QStringLiteral("pnlQuillbox"));
    pnlQuillbox->setFixedHeight(TwipsToPxY(kBarHeight, this));
    for (int i = 0; i < 3; ++i) {
        btnExe[i] = new QPushButton(pnlQuillbox);
        btnExe[i]->setObjectName(QStringLiteral("btnExe%1").arg(i));
        btnExe[i]->setGeometry(TwipsToPxX(kButtonLefts[i], this), TwipsToPxY(kButtonTop, this),
                               TwipsToPxX(kBarButtonWidth, this),
                               TwipsToPxY(kBarButtonHeight, this));
        connect(btnExe[i], &QPushButton::clicked, this, [this, i] { btnExe_Click(i); });
    }
    btnCancel = new QPushButton(pnlQuillbox);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(TwipsToPxX(4440, this), TwipsToPxY(kButtonTop, this),
                           TwipsToPxX(kBarButtonWidth, this), TwipsToPxY(kBarButtonHeight, this));
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancel_Click(); });

    m_mdi = new QMdiArea(central);
    m_mdi->setObjectName(QStringLiteral("mdiArea"));
    m_mdi->viewport()->installEventFilter(this);
    layout->addWidget(pnlQuillbox);
    layout->addWidget(m_mdi, 1);
    setCentralWidget(central);

    m_menus = BuildMainMenus(this, this);
    showMenusOf(nullptr);
    connect(m_mdi, &QMdiArea::subWindowActivated, this,
            [this](QMdiSubWindow* w) { showMenusOf(w); });
    m_progress = new RunProgress(m_options, this);
}

void frmQuillbox::MDIForm_Load()
{
    try {
        setWindowTitle(Msg(kTextProgramName));
        for (int i = 0; i < 3; ++i)
            btnExe[i]->setText(Msg(kCaptionRunNormal + i));
        btnCancel->setText(SharedMsg(kSharedCancel));
        SetToolTip(m_options.Tip);
        loadForms();
        SetFontData();
        placeWindow();
        CancelRequested = false;
        btnCancel->setEnabled(false);
        m_status->RefreshForm();
        if (!m_commandText.isEmpty())
            qb::engine::ParseCommandLine(m_commandText.toStdString(), *m_jobHost);
        FirstActivationDone = false;
    } catch (const PaneLoadError& error) {
        failStartup(error.text);
    } catch (...) {
        failStartup("Quillbox2 frmQuillbox MDIForm_Load ERR");
    }
}

void frmQuillbox::failStartup(const char* text)
{
    // The window cannot be built; the program says where it stopped and ends, saving nothing.
    qb::ui::ShowMessage(nullptr, QString::fromLatin1(text));
    std::exit(kStartupFailedStatus);
}

QMdiSubWindow* frmQuillbox::addPane(PaneBase* pane)
{
    // The panes stay for the life of the window: their frames carry no close button.
    QMdiSubWindow* window =
        m_mdi->addSubWindow(pane, Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                      Qt::WindowMinMaxButtonsHint);
    window->setObjectName(pane->objectName() + QStringLiteral("Window"));
    window->installEventFilter(this);
    window->hide();
    const QRectF r = pane->DesignedTwips();
    pane->MoveTwips(r.x(), r.y(), r.width(), r.height());
    return window;
}

void frmQuillbox::loadForms()
{
    // The dialogs exist before the panes load, as the folder panes hand theirs the alias dialog.
    m_mente = new frmMenuMente(m_options, this);
    m_inDir = new mdiInDir(this);
    m_inFile = new mdiInFile(this);
    m_file = new mdiFile(this);
    m_outDir = new mdiOutDir(this);
    m_status = new mdiStatus(this);
    m_outFile = new mdiOutFile(this);
    for (PaneBase* pane : Panes())
        addPane(pane);

    // A pane that cannot load names itself; the texts keep the old spelling of two pane names.
    auto load = [](const char* failure, auto&& step) {
        try {
            step();
        } catch (...) {
            throw PaneLoadError{failure};
        }
    };
    load("Quillbox2 mdiinFile Form_Load ERR", [this] { m_inFile->Form_Load(); });
    load("Quillbox2 mdiinDir Form_Load ERR", [this] { m_inDir->Form_Load(m_mente); });
    load("Quillbox2 mdiFile Form_Load ERR", [this] { m_file->Form_Load(); });
    load("Quillbox2 mdiOutDir Form_Load ERR", [this] { m_outDir->Form_Load(m_mente); });
    load("Quillbox2 mdiStatus Form_Load ERR", [this] { m_status->Form_Load(); });
    load("Quillbox2 mdiOutFile Form_Load ERR", [this] { m_outFile->Form_Load(); });
    m_about = new frmAbout(m_options, this);
    m_default = new frmDefault(m_options, this);
    m_default->InDirSource = [this] { return m_inDir->DirName(); };
    m_default->OutDirSource = [this] { return m_outDir->DirName(); };
    m_option = new frmOption(
        m_options, [this](bool on) { SetToolTipEverywhere(on); }, this);
}

std::array<PaneBase*, 6> frmQuillbox::Panes() const
{
    return {m_inDir, m_inFile, m_file, m_outDir, m_status, m_outFile};
}

QMdiSubWindow* frmQuillbox::SubWindowOf(PaneBase* pane) const
{
    return pane ? pane->SubWindow() : nullptr;
}

void frmQuillbox::placeWindow()
{
    double left = readNumber("Main_Left", 1000);
    double top = readNumber("Main_Top", 1000);
    double width = readNumber("Main_Width", 8000);
    double height = readNumber("Main_Height", 8000);
    const int state =
        qb::engine::TextToInt16(qb::engine::ReadFormSetting("Main_Left", "Main_WindowState", "0"))
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

bool frmQuillbox::IsNormalState() const
{
    return !(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
}

double frmQuillbox::ClientWidthTwips() const
{
    return PxToTwipsX(m_mdi->viewport()->width(), this);
}
double frmQuillbox::ClientHeightTwips() const
{
    return PxToTwipsY(m_mdi->viewport()->height(), this);
}

void frmQuillbox::MDIForm_Resize()
{
    if (m_options.Resize && m_inDir) {
        const auto rects = ComputePaneLayout(ClientWidthTwips(), ClientHeightTwips());
        const auto panes = Panes();
        for (int i = 0; i < SlotCount; ++i)
            panes[i]->MoveTwips(rects[i].x(), rects[i].y(), rects[i].width(), rects[i].height());
    }
    const double cancelWidth = PxToTwipsX(btnCancel->width(), this);
    if (const auto x = CancelButtonLeft(PxToTwipsX(width(), this), cancelWidth))
        btnCancel->move(TwipsToPxX(*x, this), btnCancel->y());
}

void frmQuillbox::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    MDIForm_Activate();
}

void frmQuillbox::MDIForm_Activate()
{
    if (FirstActivationDone)
        return;
    try {
        // Now that the window manager's frame is known, the whole window must be on screen.
        if (IsNormalState())
            qb::ui::FitOnScreen(this);
        MDIForm_Resize();
        fitPanes();
        for (PaneBase* pane : Panes())
            pane->SubWindow()->show();
        BtnEnabledChange();
        m_inDir->drvDrive->setFocus();
        FirstActivationDone = true;
    } catch (...) {
        failStartup("Quillbox2 frmQuillbox MDIForm_Activate ERR");
    }
    if (s_testActionsPlayer)
        s_testActionsPlayer(*this);
}

void frmQuillbox::fitPanes()
{
    // Panes placed from the settings of a larger window would lie beyond the client area, out
    // of reach; each is brought inside it (the panes that follow the window are already there).
    if (m_options.Resize)
        return;
    const QRect area = m_mdi->viewport()->rect();
    for (PaneBase* pane : Panes()) {
        QMdiSubWindow* sub = pane->SubWindow();
        const QRect fitted = qb::ui::FitInside(sub->geometry(), area, sub->minimumSizeHint());
        if (fitted != sub->geometry())
            sub->setGeometry(fitted);
    }
}

bool frmQuillbox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_mdi->viewport() && event->type() == QEvent::Resize && m_inDir)
        MDIForm_Resize();
    // A pane cannot be closed on its own (Ctrl+F4 and the like); it goes with the window.
    if (event->type() == QEvent::Close && qobject_cast<QMdiSubWindow*>(watched) && !m_unloaded) {
        event->ignore();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmQuillbox::showMenusOf(QMdiSubWindow* window)
{
    auto* pane = window ? qobject_cast<PaneBase*>(window->widget()) : nullptr;
    const MainMenus& menus = pane ? pane->Menus() : m_menus;
    QMenuBar* bar = menuBar();
    if (bar->actions() == menus.BarActions())
        return;
    bar->clear();
    bar->addActions(menus.BarActions());
}

void frmQuillbox::BtnEnabledChange()
{
    const bool any = m_file && m_file->Count() >= 1;
    for (QPushButton* b : btnExe)
        b->setEnabled(any);
}

void frmQuillbox::SetToolTip(bool on)
{
    for (int i = 0; i < 3; ++i)
        btnExe[i]->setToolTip(on ? Msg(kTipRunNormal + i) : QString());
    btnCancel->setToolTip(on ? SharedMsg(kSharedCancelTip) : QString());
}

void frmQuillbox::SetFontData()
{
    qb::ui::ApplySharedFont(m_options, {btnExe[0], btnExe[1], btnExe[2], btnCancel});
    MDIForm_Resize();
}

void frmQuillbox::SetToolTipEverywhere(bool on)
{
    m_default->SetToolTip(on);
    m_mente->SetToolTip(on);
    m_option->SetToolTip(on);
    SetToolTip(on);
    for (PaneBase* pane : Panes())
        pane->SetToolTip(on);
}

void frmQuillbox::SetFontDataEverywhere()
{
    SetFontData();
    for (PaneBase* pane : Panes())
        pane->SetFontData();
    m_about->SetFontData();
    m_default->SetFontData();
    m_option->SetFontData();
}

// ---- menu handlers ----------------------------------------------------------------------------

void frmQuillbox::mnuAbout_Click()
{
    m_about->ShowModal();
}
void frmQuillbox::mnuOption_Click()
{
    m_option->ShowModal();
}
void frmQuillbox::mnuExit_Click()
{
    close();
}
void frmQuillbox::mnuHelp_Click()
{
    qb::help::ShowHelp();
}
void frmQuillbox::mnuLogCopy_Click()
{
    m_status->LogCopy();
}
void frmQuillbox::mnuLogSave_Click()
{
    m_status->LogSave();
}

void frmQuillbox::mnuFont_Click()
{
    qb::fonts::FontMenu(this, m_options, [this] { SetFontDataEverywhere(); });
}

void frmQuillbox::mnuMkdir_Click()
{
    const QString path = basMkdir::MakeFolder(this, m_outDir->DirName());
    if (path.isEmpty())
        return;
    m_outDir->SetDirName(path);
    m_inDir->RefreshForm();
}

void frmQuillbox::mnuInDirDefault_Click()
{
    QString dir = m_inDir->InitialDir();
    bool yuko = m_inDir->InitialDirYuko();
    if (m_default->Edit(frmDefault::Use::InDir, dir, yuko))
        m_inDir->SetInitialDir(dir, yuko);
}

void frmQuillbox::mnuOutDirDefault_Click()
{
    QString dir = m_outDir->InitialDir();
    bool yuko = m_outDir->InitialDirYuko();
    if (m_default->Edit(frmDefault::Use::OutDir, dir, yuko))
        m_outDir->SetInitialDir(dir, yuko);
}

void frmQuillbox::mnuTmpDirDefault_Click()
{
    QString dir = QString::fromStdString(m_options.TmpDir);
    bool yuko = true;
    if (m_default->Edit(frmDefault::Use::TmpDir, dir, yuko))
        m_options.TmpDir = dir.toStdString();
}

// ---- shutdown ---------------------------------------------------------------------------------

void frmQuillbox::closeEvent(QCloseEvent* event)
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
        MDIForm_QueryUnload();
    QMainWindow::closeEvent(event);
}

void frmQuillbox::MDIForm_QueryUnload()
{
    m_unloaded = true;
    qb::platform::SettingsBatch batch;
    m_inDir->Form_Unload();
    m_inFile->Form_Unload();
    m_file->Form_Unload();
    m_status->Form_Unload();
    m_outFile->Form_Unload();
    m_about->SavePosition();
    m_default->SavePosition();
    m_option->SavePosition();
    m_mente->SavePosition();
    m_outDir->Form_Unload();

    const Qt::WindowStates state = windowState();
    const int stateValue = (state & Qt::WindowMinimized)   ? 1
                           : (state & Qt::WindowMaximized) ? 2
                                                           : 0;
    qb::engine::WriteFormSetting("Main_WindowState", std::to_string(stateValue));
    if (stateValue == 0) {
        qb::engine::WriteFormSetting("Main_Left", qb::engine::NumberToText(PxToTwipsX(x(), this)));
        qb::engine::WriteFormSetting("Main_Top", qb::engine::NumberToText(PxToTwipsY(y(), this)));
        qb::engine::WriteFormSetting("Main_Width",
                                     qb::engine::NumberToText(PxToTwipsX(width(), this)));
        qb::engine::WriteFormSetting("Main_Height",
                                     qb::engine::NumberToText(PxToTwipsY(height(), this)));
    }
    qb::engine::SaveSettings(m_options);
    batch.Commit();
}
