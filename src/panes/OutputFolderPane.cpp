#include "OutputFolderPane.h"

#include "common/PathHelpers.h"
#include "dialogs/FolderPicker.h"

#include <QLineEdit>

using qb::panes::Msg;

OutputFolderPane::OutputFolderPane(PaneHost* host, const qb::engine::Options& options,
                                   QWidget* parent)
    : FolderPane(host, options, qb::engine::FolderPane::Out, "OutputFolderPane", "OutDir", parent)
{
    SetDesignedTwips(QRectF(4000, 0, 4000, 2200));
}

void OutputFolderPane::SetCaptions()
{
    copyToOtherAction->setText(Msg(kMenuOutputCopyToSource));
    ShowFolderText();
}

void OutputFolderPane::SetTipTexts(bool on)
{
    driveList->setToolTip(on ? Msg(kTipOutputDrive) : QString());
    folderList->setToolTip(on ? Msg(kTipOutputFolder) : QString());
    folderPathBox->setToolTip(on ? Msg(kTipOutputPath) : QString());
}

void OutputFolderPane::ShowFolderText()
{
    FolderPane::ShowFolderText();
    // The free space of the file system that really receives the archives: the folder's own.
    const std::string folder = Folder().toStdString();
    const std::string free = folder.empty() ? std::string() : PathHelpers::FreeSpaceText(folder);
    setWindowTitle(Msg(kCaptionOutputFolder) + QString::fromStdString(free));
}
