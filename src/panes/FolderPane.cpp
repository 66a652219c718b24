#include "FolderPane.h"

#include "common/basQuill.h"
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

FolderPane::FolderPane(FormHost* host, engine::FolderPane which, const char* objectName,
                       const char* positionPrefix, QWidget* parent)
    : PaneBase(host, objectName, positionPrefix, parent), m_which(which)
{
    drvDrive = new DriveList(this);
    drvDrive->setObjectName(QStringLiteral("drvDrive"));
    dlbDir = new FolderList(this);
    dlbDir->setObjectName(QStringLiteral("dlbDir"));
    txtDir = new QLineEdit(this);
    txtDir->setObjectName(QStringLiteral("txtDir"));

    drvDrive->onChange = [this] { drvDrive_Change(); };
    drvDrive->onEnter = [this] { dlbDir->setFocus(); };
    dlbDir->onChange = [this] {
        if (!m_quiet)
            dlbDir_Change();
    };

    mnuPopup = NewPopup();
    mnuCopy = AddPopupItem("mnuCopy", [this] { mnuCopy_Click(); });
    mnuRefresh = AddPopupItem("mnuRefresh", [this] { mnuRefresh_Click(); });

    m_aliases = std::make_unique<FolderAliases>(
        which == engine::FolderPane::In ? FolderAliases::Pane::InDir : FolderAliases::Pane::OutDir,
        this, [this] { return DirName(); }, [this](const QString& dir) { SetDirName(dir); });
    m_aliases->AddToMenu(mnuPopup);

    WatchRightButton(dlbDir);
    WatchRightButton(txtDir);
}

FolderPane::~FolderPane() = default;

QString FolderPane::DirName() const
{
    return q(basQuill::OnDiskPath(u8(dlbDir->Path())));
}

void FolderPane::SetDirName(const QString& strDirName)
{
    m_quiet = true;
    const bool shown =
        !strDirName.isEmpty() && drvDrive->SetDrive(strDirName) && dlbDir->SetPath(strDirName);
    if (!shown) {
        const QString here = FallbackFolder();
        drvDrive->SetDrive(here);
        dlbDir->SetPath(here);
    }
    m_quiet = false;
    RefreshForm();
}

void FolderPane::RefreshForm()
{
    m_quiet = true;
    drvDrive->Refresh();
    drvDrive->SetDrive(dlbDir->Path());
    dlbDir->Refresh();
    m_quiet = false;
    dlbDir_Change();
}

void FolderPane::drvDrive_Change()
{
    // Opening the drive shows that drive's current folder; a drive that cannot be opened puts
    // the drive list back on the folder's drive without a word.
    m_quiet = true;
    const bool opened = dlbDir->SetPath(drvDrive->Drive().left(2));
    if (!opened)
        drvDrive->SetDrive(dlbDir->Path());
    m_quiet = false;
    if (opened)
        dlbDir_Change();
}

void FolderPane::ShowFolderText()
{
    txtDir->setText(q(basQuill::ShortDisplayPath(u8(DirName()))));
}

void FolderPane::mnuCopy_Click()
{
    const QString path = dlbDir->Path();
    if (!path.isEmpty() && OtherPane())
        OtherPane()->SetDirName(path);
}

void FolderPane::SetFontData()
{
    ApplySharedFont({drvDrive, dlbDir, txtDir});
    Form_Resize();
}

void FolderPane::SetToolTip(bool blnToolTip)
{
    SetTipTexts(blnToolTip);
}

void FolderPane::Form_Resize()
{
    const double driveH = TwY(drvDrive->sizeHint().height());
    const double textH = TwY(txtDir->sizeHint().height());
    const double w = static_cast<long>(InnerWidthTwips() - 120);
    const double h = InnerHeightTwips() - 240 - driveH - textH;
    if (w <= 0)
        return;
    drvDrive->setGeometry(PxX(60), PxY(60), PxX(w), PxY(driveH));
    const double listTop = driveH + 120;
    const double listH = h >= 1 ? h : TwY(dlbDir->height());
    dlbDir->setGeometry(PxX(60), PxY(listTop), PxX(w), PxY(listH));
    txtDir->setGeometry(PxX(60), PxY(listTop + listH + 60), PxX(w), PxY(textH));
}

const char* FolderPane::dirKey() const
{
    return m_which == engine::FolderPane::In ? "In" : "Out";
}

void FolderPane::SetInitialDir(const QString& dir, bool yuko)
{
    m_initialDir = dir;
    m_initialYuko = yuko;
}

void FolderPane::Form_Load(frmMenuMente* aliasDialog)
{
    const engine::PaneFolderSettings s = engine::ReadPaneFolderSettings(m_which);
    m_initialDir = q(s.Dir);
    m_initialYuko = s.Yuko;
    SetDirName(q(s.Yuko ? s.Dir : s.OldDir));
    LoadPosition();
    SetFontData();
    SetCaptions();
    mnuRefresh->setText(Shared(kSharedMenuRefresh));
    SetToolTip(host()->ProgramOptions().Tip);
    m_aliases->SetMaintenanceDialog(aliasDialog);
    m_aliases->Load(engine::PaneSettingsApp(m_which));
}

void FolderPane::Form_Unload()
{
    SavePosition();
    const std::string suffix = dirKey();
    qb::engine::WriteFormSetting("Dir_" + suffix, u8(m_initialDir));
    qb::engine::WriteFormSetting("Dir_" + suffix + "_Yuko", qb::engine::BoolToText(m_initialYuko));
    qb::engine::WriteFormSetting("OldDir_" + suffix, u8(DirName()));
    m_aliases->Save();
}

}  // namespace qb::panes
