#include "mdiStatus.h"

#include "dialogs/UiSeams.h"
#include "engine/Options.h"
#include "panes/HistoryList.h"
#include "panes/PaintNow.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QSaveFile>

using qb::panes::Msg;
using qb::panes::Shared;

mdiStatus::mdiStatus(FormHost* host, QWidget* parent)
    : PaneBase(host, "mdiStatus", "Status", parent)
{
    SetDesignedTwips(QRectF(4000, 2200, 4000, 2200));
    lstKekka = new qb::panes::HistoryList(this);
    lstKekka->setObjectName(QStringLiteral("lstKekka"));

    mnuPopup = NewPopup();
    mnuDel = AddPopupItem("mnuDel", [this] { RefreshForm(); });

    WatchRightButton(lstKekka);
}

void mdiStatus::ListInAdd(const QString& text)
{
    // The rule follows the current line, not the count: the user may have clicked an earlier
    // line, and the oldest line goes only once the current line lies beyond the limit.
    const int i = lstKekka->currentRow();
    if (i <= kLastKeptIndex) {
        lstKekka->addLine(text);
        lstKekka->setCurrentRow(i + 1);
    } else {
        lstKekka->removeFirst();
        lstKekka->addLine(text);
        lstKekka->setCurrentRow(i);
    }
    qb::panes::PaintNow(lstKekka->viewport());
}

void mdiStatus::RefreshForm()
{
    lstKekka->clearLines();
}

QString mdiStatus::HistoryText() const
{
    QString text;
    for (int i = 0; i < lstKekka->count(); ++i) {
        text += lstKekka->text(i);
        text += QStringLiteral("\r\n");
    }
    return text;
}

void mdiStatus::LogCopy()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    if (lstKekka->count() > 0)
        clipboard->setText(HistoryText());
}

void mdiStatus::LogSave()
{
    const QString name = qb::ui::SaveFileName(host()->MainWidget(), Shared(kSharedLogFilter),
                                              QString(), QStringLiteral(".LOG"));
    if (!name.isEmpty())
        WriteLogFile(name);
}

void mdiStatus::WriteLogFile(const QString& fileName)
{
    if (lstKekka->count() == 0)
        return;
    const std::string drivePath = fileName.toStdString();
    const auto found = qb::platform::FindEntryName(drivePath);
    if (found && !qb::platform::IsFolder(drivePath) &&
        !qb::ui::AskYesNo(host()->MainWidget(), Shared(kSharedOverwriteLog)))
        return;
    // The log is written in full beside its place and then put there, so a failure (full disk,
    // read-only folder) never leaves a cut-off log or destroys the file it would replace.
    const std::string hostPath = qb::platform::ToHostPath(drivePath);
    QSaveFile file(QString::fromStdString(hostPath));
    const QByteArray bytes = HistoryText().toUtf8();
    const bool written = !hostPath.empty() && file.open(QIODevice::WriteOnly) &&
                         file.write(bytes) == bytes.size() && file.commit();
    if (!written)
        qb::ui::ShowMessage(host()->MainWidget(), Shared(kSharedLogNotSaved));
}

void mdiStatus::SetFontData()
{
    ApplySharedFont({lstKekka});
    lstKekka->FitRowsToFont();
    Form_Resize();
}

void mdiStatus::SetToolTip(bool on)
{
    lstKekka->setToolTip(on ? Msg(kTipHistory) : QString());
}

void mdiStatus::Form_Load()
{
    LoadPosition();
    SetFontData();
    setWindowTitle(Msg(kCaptionHistory));
    mnuDel->setText(Shared(kSharedMenuClear));
    SetToolTip(host()->ProgramOptions().Tip);
}

void mdiStatus::Form_Resize()
{
    LayOutList(lstKekka);
}
