#include "InitialFoldersDialog.h"

#include "FolderPicker.h"
#include "FormPlacement.h"
#include "Messages.h"
#include "SharedFont.h"

#include "common/PathHelpers.h"
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

using qb::ui::SharedMessageText;
using qb::ui::ProgramMessageText;
using qb::ui::TwipsToPixels;

InitialFoldersDialog::InitialFoldersDialog(const qb::engine::Options& options, QWidget* parent)
    : QDialog(parent), m_options(options)
{
    setObjectName(QStringLiteral("InitialFoldersDialog"));
    setModal(true);

    inForceBox = new QCheckBox(this);
    inForceBox->setObjectName(QStringLiteral("inForceBox"));
    folderLabel = new QLabel(this);
    folderLabel->setObjectName(QStringLiteral("folderLabel"));
    driveList = new DriveList(this);
    driveList->setObjectName(QStringLiteral("driveList"));
    driveList->setContextMenuPolicy(Qt::PreventContextMenu);
    folderList = new FolderList(this);
    folderList->setObjectName(QStringLiteral("folderList"));
    folderList->setContextMenuPolicy(Qt::NoContextMenu);  // the dialog's popup instead
    folderPathBox = new QLineEdit(this);
    folderPathBox->setObjectName(QStringLiteral("folderPathBox"));
    folderPathBox->setContextMenuPolicy(Qt::NoContextMenu);
    buttonPanel = new QWidget(this);
    buttonPanel->setObjectName(QStringLiteral("buttonPanel"));
    okButton = new QPushButton(buttonPanel);
    okButton->setObjectName(QStringLiteral("okButton"));
    cancelButton = new QPushButton(buttonPanel);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    for (QPushButton* button : {okButton, cancelButton}) {
        button->setAutoDefault(false);
        button->setContextMenuPolicy(Qt::PreventContextMenu);
    }
    auto* buttons = new QHBoxLayout(buttonPanel);
    const int margin = TwipsToPixels(60);
    buttons->setContentsMargins(margin, margin, margin, margin);
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);

    popupMenu = new QMenu(this);
    copySourceAction = popupMenu->addAction(ProgramMessageText(kMenuInitialFromSource));
    copySourceAction->setObjectName(QStringLiteral("copySourceAction"));
    copyOutputAction = popupMenu->addAction(ProgramMessageText(kMenuInitialFromOutput));
    copyOutputAction->setObjectName(QStringLiteral("copyOutputAction"));
    copyTempAction = popupMenu->addAction(ProgramMessageText(kMenuInitialFromTemp));
    copyTempAction->setObjectName(QStringLiteral("copyTempAction"));
    connect(copySourceAction, &QAction::triggered, this, [this] {
        if (SourcePaneFolder)
            SetFolder(SourcePaneFolder());
    });
    connect(copyOutputAction, &QAction::triggered, this, [this] {
        if (OutputPaneFolder)
            SetFolder(OutputPaneFolder());
    });
    connect(copyTempAction, &QAction::triggered, this,
            [this] { SetFolder(QString::fromStdString(PathHelpers::GetTempFolder())); });

    driveList->onChange = [this] { DriveChanged(); };
    driveList->onEnter = [this] { folderList->setFocus(); };
    folderList->onChange = [this] { FolderChanged(); };
    connect(inForceBox, &QCheckBox::toggled, this, [this] { InForceToggled(); });
    connect(okButton, &QPushButton::clicked, this, [this] {
        okPressed = true;
        done(QDialog::Accepted);
    });
    connect(cancelButton, &QPushButton::clicked, this, [this] { done(QDialog::Rejected); });

    // Load: position and size, font, title, captions, property defaults.
    setMinimumSize(TwipsToPixels(3000), TwipsToPixels(3000));
    qb::ui::RestoreFormPosition(this, "Default", true);
    SetFontData();
    setWindowTitle(ProgramMessageText(kCaptionInitialFolders));
    okButton->setText(SharedMessageText(kSharedOkButton));
    cancelButton->setText(SharedMessageText(kSharedCancelButton));
    offerInForceBox = true;
    showFreeSpace = true;
    m_loading = false;
    LayOutControls();
}

QString InitialFoldersDialog::Folder() const
{
    return QString::fromStdString(PathHelpers::OnDiskPath(folderList->Path().toStdString()));
}

void InitialFoldersDialog::SetFolder(const QString& folder)
{
    if (!driveList->SetDrive(folder) || !folderList->SetPath(folder)) {
        // A folder that cannot be shown gives way to the working folder, without a message.
        const QString cwd = QString::fromStdString(qb::engine::WorkingFolder());
        driveList->SetDrive(cwd);
        folderList->SetPath(cwd);
    }
    Reload();
}

bool InitialFoldersDialog::InForce() const
{
    return inForceBox->isChecked();
}

void InitialFoldersDialog::SetInForce(bool inForce)
{
    inForceBox->setChecked(inForce);
    EnableFolderControls();
}

void InitialFoldersDialog::Reload()
{
    driveList->Refresh();
    folderList->Refresh();
    ShowFolderText();
}

void InitialFoldersDialog::SetToolTip(bool on)
{
    okButton->setToolTip(on ? SharedMessageText(kSharedOkButtonTip) : QString());
    cancelButton->setToolTip(on ? SharedMessageText(kSharedCancelButtonTip) : QString());
    inForceBox->setToolTip(on ? inForceBoxHint : QString());
    driveList->setToolTip(on ? driveListHint : QString());
    folderList->setToolTip(on ? folderListHint : QString());
    folderPathBox->setToolTip(on ? folderPathBoxHint : QString());
}

void InitialFoldersDialog::SetFontData()
{
    qb::ui::ApplySharedFont(m_options,
                            {this, okButton, cancelButton, folderLabel, driveList, folderList, folderPathBox});
    LayOutControls();
}

bool InitialFoldersDialog::ShowModal()
{
    exec();
    return okPressed;
}

bool InitialFoldersDialog::Edit(Use use, QString& folder, bool& inForce)
{
    struct Setup {
        int caption, checkHint, driveHint, folderHint, pathHint;
        bool inForceOffered, diskFree;
    };
    static const Setup setups[] = {
        {kInitialSourceLabel, kInitialSourceCheckTip, kInitialSourceDriveTip, kInitialSourceFolderTip,
         kInitialSourcePathTip, true, false},
        {kInitialOutputLabel, kInitialOutputCheckTip, kInitialOutputDriveTip,
         kInitialOutputFolderTip, kInitialOutputPathTip, true, true},
        {kInitialTempLabel, kInitialTempCheckTip, kInitialTempDriveTip, kInitialTempFolderTip,
         kInitialTempPathTip, false, true},
    };
    const Setup& s = setups[static_cast<int>(use)];
    folderCaption = ProgramMessageText(s.caption);
    inForceBoxHint = ProgramMessageText(s.checkHint);
    offerInForceBox = s.inForceOffered;
    showFreeSpace = s.diskFree;
    driveListHint = ProgramMessageText(s.driveHint);
    folderListHint = ProgramMessageText(s.folderHint);
    folderPathBoxHint = ProgramMessageText(s.pathHint);
    SetFolder(folder);
    SetInForce(use == Use::TempFolder ? true : inForce);
    if (!ShowModal())
        return false;
    folder = Folder();
    inForce = use == Use::TempFolder ? true : InForce();
    return true;
}

void InitialFoldersDialog::SavePosition()
{
    qb::ui::SaveFormPosition(this, "Default", true);
}

void InitialFoldersDialog::showEvent(QShowEvent* event)
{
    PrepareForShowing();
    QDialog::showEvent(event);
}

void InitialFoldersDialog::closeEvent(QCloseEvent* event)
{
    // The close box gives up the choice; the caller sees okPressed false.
    okPressed = false;
    SavePosition();
    QDialog::closeEvent(event);
}

void InitialFoldersDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    LayOutControls();
}

void InitialFoldersDialog::contextMenuEvent(QContextMenuEvent* event)
{
    showPopup(event->globalPos());
    event->accept();
}

void InitialFoldersDialog::showPopup(const QPoint& globalPos)
{
    popupMenu->popup(globalPos);
}

void InitialFoldersDialog::PrepareForShowing()
{
    okPressed = false;
    SetToolTip(m_options.ShowTooltips);
    const int margin = TwipsToPixels(60);
    if (offerInForceBox) {
        inForceBox->setVisible(true);
        folderLabel->move(inForceBox->x() + inForceBox->width() + margin, folderLabel->y());
    } else {
        {
            const QSignalBlocker block(inForceBox);
            inForceBox->setChecked(true);
        }
        EnableFolderControls();
        inForceBox->setVisible(false);
        folderLabel->move(margin, folderLabel->y());
    }
    ShowFolderText();
    LayOutControls();
    okButton->setEnabled(false);
}

void InitialFoldersDialog::ShowFolderText()
{
    const std::string path = PathHelpers::OnDiskPath(folderList->Path().toStdString());
    folderPathBox->setText(QString::fromStdString(PathHelpers::ShortDisplayPath(path)));
    QString caption = folderCaption;
    if (showFreeSpace && !path.empty())
        caption += QString::fromStdString(PathHelpers::FreeSpaceText(path));
    folderLabel->setText(caption);
    folderLabel->adjustSize();
}

void InitialFoldersDialog::EnableFolderControls()
{
    const bool on = inForceBox->isChecked();
    for (QWidget* control : {static_cast<QWidget*>(folderLabel), static_cast<QWidget*>(driveList),
                             static_cast<QWidget*>(folderList), static_cast<QWidget*>(folderPathBox)})
        control->setEnabled(on);
}

void InitialFoldersDialog::DriveChanged()
{
    okButton->setEnabled(true);
    if (!folderList->SetPath(driveList->Drive()))
        driveList->SetDrive(folderList->Path());
}

void InitialFoldersDialog::FolderChanged()
{
    okButton->setEnabled(true);
    ShowFolderText();
}

void InitialFoldersDialog::InForceToggled()
{
    okButton->setEnabled(true);
    EnableFolderControls();
}

void InitialFoldersDialog::LayOutControls()
{
    if (m_loading)
        return;
    const int margin = TwipsToPixels(60);
    const int panelHeight = okButton->sizeHint().height() + 2 * margin;
    buttonPanel->setGeometry(0, height() - panelHeight, width(), panelHeight);

    inForceBox->adjustSize();
    inForceBox->move(margin, margin);
    folderLabel->adjustSize();
    const int labelHeight = std::max(folderLabel->height(), inForceBox->height());
    folderLabel->move(
        inForceBox->isVisibleTo(this) ? inForceBox->x() + inForceBox->width() + margin : margin, margin);

    const int w = width() - 2 * margin;
    const int driveHeight = driveList->sizeHint().height();
    const int textHeight = folderPathBox->sizeHint().height();
    const int h =
        height() - panelHeight - TwipsToPixels(300) - driveHeight - textHeight - labelHeight;
    if (w <= 0)
        return;
    const int driveTop = margin + labelHeight + margin;
    driveList->setGeometry(margin, driveTop, w, driveHeight);
    const int listTop = driveTop + driveHeight + margin;
    const int listHeight = h >= 1 ? h : folderList->height();
    folderList->setGeometry(margin, listTop, w, listHeight);
    folderPathBox->setGeometry(margin, listTop + (h >= 1 ? h : listHeight) + margin, w, textHeight);
}
