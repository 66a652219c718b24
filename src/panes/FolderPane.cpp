#include "FolderPane.h"

#include "common/PathHelpers.h"
#include "dialogs/FolderPicker.h"
#include "engine/Options.h"

#include <QLineEdit>
#include <QMenu>

namespace qb::panes {

namespace {
std::string u8(const QString& s)
{
    return s.toStdString();
}
QString q(const std::string& s)
{
    return QString::fromStdString(s);
}
}  // namespace

FolderPane::FolderPane(PaneHost* host, const engine::Options& options, engine::FolderPane which,
                       const char* objectName, const char* positionPrefix, QWidget* parent)
    : PaneBase(host, options, objectName, positionPrefix, parent), m_which(which)
{
    driveList = new DriveList(this);
    driveList->setObjectName(QStringLiteral("driveList"));
    folderList = new FolderList(this);
    folderList->setObjectName(QStringLiteral("folderList"));
    folderPathBox = new QLineEdit(this);
    folderPathBox->setObjectName(QStringLiteral("folderPathBox"));

    driveList->onChange = [this] { DriveChanged(); };
    driveList->onEnter = [this] { folderList->setFocus(); };
    folderList->onChange = [this] {
        if (!m_quiet)
            FolderChanged();
    };

    popupMenu = NewPopup();
    copyToOtherAction = AddPopupItem("copyToOtherAction", [this] { CopyToOtherPane(); });
    refreshAction = AddPopupItem("refreshAction", [this] { RefreshFromDisk(); });

    m_aliases = std::make_unique<FolderAliases>(
        which == engine::FolderPane::In ? FolderAliases::Pane::SourceFolder : FolderAliases::Pane::OutputFolder,
        this, [this] { return Folder(); }, [this](const QString& dir) { SetFolder(dir); });
    m_aliases->AddToMenu(popupMenu);

    WatchRightButton(folderList);
    WatchRightButton(folderPathBox);
}

FolderPane::~FolderPane() = default;

QString FolderPane::Folder() const
{
    return q(PathHelpers::OnDiskPath(u8(folderList->Path())));
}

void FolderPane::SetFolder(const QString& folder)
{
    m_quiet = true;
    const bool shown =
        !folder.isEmpty() && driveList->SetDrive(folder) && folderList->SetPath(folder);
    if (!shown) {
        const QString here = FallbackFolder();
        driveList->SetDrive(here);
        folderList->SetPath(here);
    }
    m_quiet = false;
    Reload();
}

void FolderPane::Reload()
{
    m_quiet = true;
    driveList->Refresh();
    driveList->SetDrive(folderList->Path());
    folderList->Refresh();
    m_quiet = false;
    FolderChanged();
}

void FolderPane::DriveChanged()
{
    // Opening the drive shows that drive's current folder; a drive that cannot be opened puts
    // the drive list back on the folder's drive without a word.
    m_quiet = true;
    const bool opened = folderList->SetPath(driveList->Drive().left(2));
    if (!opened)
        driveList->SetDrive(folderList->Path());
    m_quiet = false;
    if (opened)
        FolderChanged();
}

void FolderPane::ShowFolderText()
{
    folderPathBox->setText(q(PathHelpers::ShortDisplayPath(u8(Folder()))));
}

void FolderPane::CopyToOtherPane()
{
    const QString path = folderList->Path();
    if (!path.isEmpty())
        emit CopyToOtherRequested(path);
}

void FolderPane::SetFontData()
{
    ApplySharedFont({driveList, folderList, folderPathBox});
    LayOutControls();
}

void FolderPane::SetToolTip(bool on)
{
    SetTipTexts(on);
}

void FolderPane::LayOutControls()
{
    const double driveH = TwY(driveList->sizeHint().height());
    const double textH = TwY(folderPathBox->sizeHint().height());
    const double w = static_cast<long>(InnerWidthTwips() - 120);
    const double h = InnerHeightTwips() - 240 - driveH - textH;
    if (w <= 0)
        return;
    driveList->setGeometry(PxX(60), PxY(60), PxX(w), PxY(driveH));
    const double listTop = driveH + 120;
    const double listH = h >= 1 ? h : TwY(folderList->height());
    folderList->setGeometry(PxX(60), PxY(listTop), PxX(w), PxY(listH));
    folderPathBox->setGeometry(PxX(60), PxY(listTop + listH + 60), PxX(w), PxY(textH));
}

const char* FolderPane::dirKey() const
{
    return m_which == engine::FolderPane::In ? "In" : "Out";
}

void FolderPane::SetInitialDir(const QString& dir, bool inForce)
{
    m_initialDir = dir;
    m_initialInForce = inForce;
}

void FolderPane::Initialize(FolderAliasDialog* aliasDialog)
{
    const engine::PaneFolderSettings s = engine::ReadPaneFolderSettings(m_which);
    m_initialDir = q(s.InitialFolder);
    m_initialInForce = s.UseInitialFolder;
    SetFolder(q(s.UseInitialFolder ? s.InitialFolder : s.LastFolder));
    LoadPosition();
    SetFontData();
    SetCaptions();
    refreshAction->setText(Shared(kSharedMenuRefresh));
    SetToolTip(ProgramOptions().ShowTooltips);
    m_aliases->SetMaintenanceDialog(aliasDialog);
    m_aliases->Load(engine::PaneSettingsApp(m_which));
}

void FolderPane::SaveState()
{
    SavePosition();
    const std::string suffix = dirKey();
    qb::engine::WriteWindowSetting("Dir_" + suffix, u8(m_initialDir));
    qb::engine::WriteWindowSetting("Dir_" + suffix + "_Yuko", qb::engine::BoolToText(m_initialInForce));
    qb::engine::WriteWindowSetting("OldDir_" + suffix, u8(Folder()));
    m_aliases->Save();
}

}  // namespace qb::panes
