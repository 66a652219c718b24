#include "mdiOutDir.h"

#include "common/basQuill.h"
#include "dialogs/FolderPicker.h"
#include "panes/mdiInDir.h"

#include <QLineEdit>

using qb::panes::Msg;

mdiOutDir::mdiOutDir(FormHost* host, QWidget* parent)
    : FolderPane(host, qb::engine::FolderPane::Out, "mdiOutDir", "OutDir", parent)
{
    SetDesignedTwips(QRectF(4000, 0, 4000, 2200));
}

qb::panes::FolderPane* mdiOutDir::OtherPane() const
{
    return host()->InDir();
}

void mdiOutDir::SetCaptions()
{
    mnuCopy->setText(Msg(kMenuOutDirSameInDir));
    ShowFolderText();
}

void mdiOutDir::SetTipTexts(bool on)
{
    drvDrive->setToolTip(on ? Msg(kTipOutDirDrive) : QString());
    dlbDir->setToolTip(on ? Msg(kTipOutDirFolders) : QString());
    txtDir->setToolTip(on ? Msg(kTipOutDirPath) : QString());
}

void mdiOutDir::ShowFolderText()
{
    FolderPane::ShowFolderText();
    // The free space of the file system that really receives the archives: the folder's own.
    const std::string folder = DirName().toStdString();
    const std::string free = folder.empty() ? std::string() : basQuill::FreeSpaceText(folder);
    setWindowTitle(Msg(kCaptionOutDir) + QString::fromStdString(free));
}
