#include "frmDefault.h"

#include "FolderPicker.h"
#include "FormPlacement.h"
#include "Messages.h"
#include "SharedFont.h"

#include "common/basQuill.h"
#include "engine/Options.h"
#include "engine/PaneStart.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

using qb::ui::Quill;
using qb::ui::Quillbox;
using qb::ui::TwipsToPixels;

frmDefault::frmDefault(const qb::engine::Options& options, QWidget* parent)
    : QDialog(parent), m_options(options)
{
    setObjectName(QStringLiteral("frmDefault"));
    setModal(true);

    cbxDrive = new QCheckBox(this);
    cbxDrive->setObjectName(QStringLiteral("cbxDrive"));
    lblDrive = new QLabel(this);
    lblDrive->setObjectName(QStringLiteral("lblDrive"));
    drvDrive = new DriveList(this);
    drvDrive->setObjectName(QStringLiteral("drvDrive"));
    drvDrive->setContextMenuPolicy(Qt::PreventContextMenu);
    dlbDir = new FolderList(this);
    dlbDir->setObjectName(QStringLiteral("dlbDir"));
    dlbDir->setContextMenuPolicy(Qt::NoContextMenu);  // the dialog's popup instead
    txtDir = new QLineEdit(this);
    txtDir->setObjectName(QStringLiteral("txtDir"));
    txtDir->setContextMenuPolicy(Qt::NoContextMenu);
    pnlDefault = new QWidget(this);
    pnlDefault->setObjectName(QStringLiteral("pnlDefault"));
    btnOk = new QPushButton(pnlDefault);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnCancel = new QPushButton(pnlDefault);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    for (QPushButton* button : {btnOk, btnCancel}) {
        button->setAutoDefault(false);
        button->setContextMenuPolicy(Qt::PreventContextMenu);
    }
    auto* buttons = new QHBoxLayout(pnlDefault);
    const int margin = TwipsToPixels(60);
    buttons->setContentsMargins(margin, margin, margin, margin);
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);

    mnuPopup = new QMenu(this);
    mnuInDir = mnuPopup->addAction(Quillbox(kMenuDefaultFromInDir));
    mnuInDir->setObjectName(QStringLiteral("mnuInDir"));
    mnuOutDir = mnuPopup->addAction(Quillbox(kMenuDefaultFromOutDir));
    mnuOutDir->setObjectName(QStringLiteral("mnuOutDir"));
    mnuTmp = mnuPopup->addAction(Quillbox(kMenuDefaultFromTemp));
    mnuTmp->setObjectName(QStringLiteral("mnuTmp"));
    connect(mnuInDir, &QAction::triggered, this, [this] {
        if (InDirSource)
            SetDirName(InDirSource());
    });
    connect(mnuOutDir, &QAction::triggered, this, [this] {
        if (OutDirSource)
            SetDirName(OutDirSource());
    });
    connect(mnuTmp, &QAction::triggered, this,
            [this] { SetDirName(QString::fromStdString(basQuill::GetTempFolder())); });

    drvDrive->onChange = [this] { drvDrive_Change(); };
    drvDrive->onEnter = [this] { dlbDir->setFocus(); };
    dlbDir->onChange = [this] { dlbDir_Change(); };
    connect(cbxDrive, &QCheckBox::toggled, this, [this] { cbxDrive_Click(); });
    connect(btnOk, &QPushButton::clicked, this, [this] {
        pblnOk = true;
        done(QDialog::Accepted);
    });
    connect(btnCancel, &QPushButton::clicked, this, [this] { done(QDialog::Rejected); });

    // Load: position and size, font, title, captions, property defaults.
    setMinimumSize(TwipsToPixels(3000), TwipsToPixels(3000));
    qb::ui::RestoreFormPosition(this, "Default", true);
    SetFontData();
    setWindowTitle(Quillbox(kCaptionDefault));
    btnOk->setText(Quill(kSharedOkButton));
    btnCancel->setText(Quill(kSharedCancelButton));
    pblnYukoMukouOk = true;
    pblnDiskFreeOk = true;
    m_loading = false;
    Form_Resize();
}

QString frmDefault::DirName() const
{
    return QString::fromStdString(basQuill::OnDiskPath(dlbDir->Path().toStdString()));
}

void frmDefault::SetDirName(const QString& strDirName)
{
    if (!drvDrive->SetDrive(strDirName) || !dlbDir->SetPath(strDirName)) {
        // A folder that cannot be shown gives way to the working folder, without a message.
        const QString cwd = QString::fromStdString(qb::engine::WorkingFolder());
        drvDrive->SetDrive(cwd);
        dlbDir->SetPath(cwd);
    }
    RefreshForm();
}

bool frmDefault::Yuko() const
{
    return cbxDrive->isChecked();
}

void frmDefault::SetYuko(bool blnYuko)
{
    cbxDrive->setChecked(blnYuko);
    EnableFolderControls();
}

void frmDefault::RefreshForm()
{
    drvDrive->Refresh();
    dlbDir->Refresh();
    ShowFolderText();
}

void frmDefault::SetToolTip(bool blnToolTip)
{
    btnOk->setToolTip(blnToolTip ? Quill(kSharedOkButtonTip) : QString());
    btnCancel->setToolTip(blnToolTip ? Quill(kSharedCancelButtonTip) : QString());
    cbxDrive->setToolTip(blnToolTip ? pstr_cbxDrive_Hint : QString());
    drvDrive->setToolTip(blnToolTip ? pstr_drvDrive_Hint : QString());
    dlbDir->setToolTip(blnToolTip ? pstr_dlbDir_Hint : QString());
    txtDir->setToolTip(blnToolTip ? pstr_txtDir_Hint : QString());
}

void frmDefault::SetFontData()
{
    qb::ui::ApplySharedFont(m_options,
                            {this, btnOk, btnCancel, lblDrive, drvDrive, dlbDir, txtDir});
    Form_Resize();
}

bool frmDefault::ShowModal()
{
    exec();
    return pblnOk;
}

bool frmDefault::Edit(Use use, QString& strDir, bool& blnYuko)
{
    struct Setup {
        int caption, checkHint, driveHint, dirHint, textHint;
        bool yukoOffered, diskFree;
    };
    static const Setup setups[] = {
        {kDefaultInDirLabel, kDefaultInDirCheckTip, kDefaultInDirDriveTip, kDefaultInDirFoldersTip,
         kDefaultInDirPathTip, true, false},
        {kDefaultOutDirLabel, kDefaultOutDirCheckTip, kDefaultOutDirDriveTip,
         kDefaultOutDirFoldersTip, kDefaultOutDirPathTip, true, true},
        {kDefaultTempLabel, kDefaultTempCheckTip, kDefaultTempDriveTip, kDefaultTempFoldersTip,
         kDefaultTempPathTip, false, true},
    };
    const Setup& s = setups[static_cast<int>(use)];
    pstr_lblDrive_Caption = Quillbox(s.caption);
    pstr_cbxDrive_Hint = Quillbox(s.checkHint);
    pblnYukoMukouOk = s.yukoOffered;
    pblnDiskFreeOk = s.diskFree;
    pstr_drvDrive_Hint = Quillbox(s.driveHint);
    pstr_dlbDir_Hint = Quillbox(s.dirHint);
    pstr_txtDir_Hint = Quillbox(s.textHint);
    SetDirName(strDir);
    SetYuko(use == Use::TmpDir ? true : blnYuko);
    if (!ShowModal())
        return false;
    strDir = DirName();
    blnYuko = use == Use::TmpDir ? true : Yuko();
    return true;
}

void frmDefault::SavePosition()
{
    qb::ui::SaveFormPosition(this, "Default", true);
}

void frmDefault::showEvent(QShowEvent* event)
{
    Form_Activate();
    QDialog::showEvent(event);
}

void frmDefault::closeEvent(QCloseEvent* event)
{
    // The close box gives up the choice; the caller sees pblnOk false.
    pblnOk = false;
    SavePosition();
    QDialog::closeEvent(event);
}

void frmDefault::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    Form_Resize();
}

void frmDefault::contextMenuEvent(QContextMenuEvent* event)
{
    showPopup(event->globalPos());
    event->accept();
}

void frmDefault::showPopup(const QPoint& globalPos)
{
    mnuPopup->popup(globalPos);
}

void frmDefault::Form_Activate()
{
    pblnOk = false;
    SetToolTip(m_options.Tip);
    const int margin = TwipsToPixels(60);
    if (pblnYukoMukouOk) {
        cbxDrive->setVisible(true);
        lblDrive->move(cbxDrive->x() + cbxDrive->width() + margin, lblDrive->y());
    } else {
        {
            const QSignalBlocker block(cbxDrive);
            cbxDrive->setChecked(true);
        }
        EnableFolderControls();
        cbxDrive->setVisible(false);
        lblDrive->move(margin, lblDrive->y());
    }
    ShowFolderText();
    Form_Resize();
    btnOk->setEnabled(false);
}

void frmDefault::ShowFolderText()
{
    const std::string path = basQuill::OnDiskPath(dlbDir->Path().toStdString());
    txtDir->setText(QString::fromStdString(basQuill::ShortDisplayPath(path)));
    QString caption = pstr_lblDrive_Caption;
    if (pblnDiskFreeOk && !path.empty())
        caption += QString::fromStdString(basQuill::FreeSpaceText(path));
    lblDrive->setText(caption);
    lblDrive->adjustSize();
}

void frmDefault::EnableFolderControls()
{
    const bool on = cbxDrive->isChecked();
    for (QWidget* control : {static_cast<QWidget*>(lblDrive), static_cast<QWidget*>(drvDrive),
                             static_cast<QWidget*>(dlbDir), static_cast<QWidget*>(txtDir)})
        control->setEnabled(on);
}

void frmDefault::drvDrive_Change()
{
    btnOk->setEnabled(true);
    if (!dlbDir->SetPath(drvDrive->Drive()))
        drvDrive->SetDrive(dlbDir->Path());
}

void frmDefault::dlbDir_Change()
{
    btnOk->setEnabled(true);
    ShowFolderText();
}

void frmDefault::cbxDrive_Click()
{
    btnOk->setEnabled(true);
    EnableFolderControls();
}

void frmDefault::Form_Resize()
{
    if (m_loading)
        return;
    const int margin = TwipsToPixels(60);
    const int panelHeight = btnOk->sizeHint().height() + 2 * margin;
    pnlDefault->setGeometry(0, height() - panelHeight, width(), panelHeight);

    cbxDrive->adjustSize();
    cbxDrive->move(margin, margin);
    lblDrive->adjustSize();
    const int labelHeight = std::max(lblDrive->height(), cbxDrive->height());
    lblDrive->move(
        cbxDrive->isVisibleTo(this) ? cbxDrive->x() + cbxDrive->width() + margin : margin, margin);

    const int w = width() - 2 * margin;
    const int driveHeight = drvDrive->sizeHint().height();
    const int textHeight = txtDir->sizeHint().height();
    const int h =
        height() - panelHeight - TwipsToPixels(300) - driveHeight - textHeight - labelHeight;
    if (w <= 0)
        return;
    const int driveTop = margin + labelHeight + margin;
    drvDrive->setGeometry(margin, driveTop, w, driveHeight);
    const int dirTop = driveTop + driveHeight + margin;
    const int dirHeight = h >= 1 ? h : dlbDir->height();
    dlbDir->setGeometry(margin, dirTop, w, dirHeight);
    txtDir->setGeometry(margin, dirTop + (h >= 1 ? h : dirHeight) + margin, w, textHeight);
}
