#include "SourceFolderPane.h"

#include "dialogs/FolderPicker.h"

#include <QLineEdit>

using qb::panes::Msg;
using qb::panes::Shared;

SourceFolderPane::SourceFolderPane(PaneHost* host, const qb::engine::Options& options,
                                   QWidget* parent)
    : FolderPane(host, options, qb::engine::FolderPane::In, "SourceFolderPane", "InDir", parent)
{
    SetDesignedTwips(QRectF(0, 0, 4000, 2200));
}

void SourceFolderPane::FolderChanged()
{
    ShowFolderText();
    emit FolderShown(folderList->Path());
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
