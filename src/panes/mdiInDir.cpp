#include "mdiInDir.h"

#include "dialogs/FolderPicker.h"
#include "panes/mdiInFile.h"
#include "panes/mdiOutDir.h"

#include <QLineEdit>

using qb::panes::Msg;
using qb::panes::Shared;

mdiInDir::mdiInDir(FormHost* host, QWidget* parent)
    : FolderPane(host, qb::engine::FolderPane::In, "mdiInDir", "InDir", parent)
{
    SetDesignedTwips(QRectF(0, 0, 4000, 2200));
}

void mdiInDir::dlbDir_Change()
{
    ShowFolderText();
    // The subfolder list takes the folder as the list reports it.
    if (mdiInFile* files = host()->InFile())
        files->SetDirName(dlbDir->Path());
}

qb::panes::FolderPane* mdiInDir::OtherPane() const
{
    return host()->OutDir();
}

void mdiInDir::SetCaptions()
{
    setWindowTitle(Msg(kCaptionInDir));
    mnuCopy->setText(Msg(kMenuInDirSameOutDir));
}

void mdiInDir::SetTipTexts(bool on)
{
    drvDrive->setToolTip(on ? Msg(kTipInDirDrive) : QString());
    dlbDir->setToolTip(on ? Msg(kTipInDirFolders) : QString());
    txtDir->setToolTip(on ? Msg(kTipInDirPath) : QString());
}
