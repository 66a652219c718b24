#include "SourceFolderPane.h"

#include "dialogs/FolderPicker.h"
#include "panes/SubfolderListPane.h"
#include "panes/OutputFolderPane.h"

#include <QLineEdit>

using qb::panes::Msg;
using qb::panes::Shared;

SourceFolderPane::SourceFolderPane(PaneHost* host, QWidget* parent)
    : FolderPane(host, qb::engine::FolderPane::In, "SourceFolderPane", "InDir", parent)
{
    SetDesignedTwips(QRectF(0, 0, 4000, 2200));
}

void SourceFolderPane::FolderChanged()
{
    ShowFolderText();
    // The subfolder list takes the folder as the list reports it.
    if (SubfolderListPane* files = host()->SubfolderPane())
        files->SetFolder(folderList->Path());
}

qb::panes::FolderPane* SourceFolderPane::OtherPane() const
{
    return host()->OutputPane();
}

void SourceFolderPane::SetCaptions()
{
    setWindowTitle(Msg(kCaptionSourceFolder));
    copyToOtherAction->setText(Msg(kMenuSourceCopyToOutput));
}

void SourceFolderPane::SetTipTexts(bool on)
{
    driveList->setToolTip(on ? Msg(kTipSourceDrive) : QString());
    folderList->setToolTip(on ? Msg(kTipSourceFolder) : QString());
    folderPathBox->setToolTip(on ? Msg(kTipSourcePath) : QString());
}
