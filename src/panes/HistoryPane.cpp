#include "HistoryPane.h"

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

HistoryPane::HistoryPane(PaneHost* host, const qb::engine::Options& options, QWidget* parent)
    : PaneBase(host, options, "HistoryPane", "Status", parent)
{
    SetDesignedTwips(QRectF(4000, 2200, 4000, 2200));
    historyList = new qb::panes::HistoryList(this);
    historyList->setObjectName(QStringLiteral("historyList"));

    popupMenu = NewPopup();
    clearAction = AddPopupItem("clearAction", [this] { Clear(); });

    WatchRightButton(historyList);
}

void HistoryPane::AddLine(const QString& text)
{
    // The rule follows the current line, not the count: the user may have clicked an earlier
    // line, and the oldest line goes only once the current line lies beyond the limit.
    const int i = historyList->currentRow();
    if (i <= kLastKeptIndex) {
        historyList->addLine(text);
        historyList->setCurrentRow(i + 1);
    } else {
        historyList->removeFirst();
        historyList->addLine(text);
        historyList->setCurrentRow(i);
    }
    qb::panes::PaintNow(historyList->viewport());
}

void HistoryPane::Clear()
{
    historyList->clearLines();
}

QString HistoryPane::HistoryText() const
{
    QString text;
    for (int i = 0; i < historyList->count(); ++i) {
        text += historyList->text(i);
        text += QStringLiteral("\r\n");
    }
    return text;
}

void HistoryPane::LogCopy()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    if (historyList->count() > 0)
        clipboard->setText(HistoryText());
}

void HistoryPane::LogSave()
{
    // The boxes belong to the main window, the window the pane lives in.
    const QString name =
        qb::ui::SaveFileName(window(), Shared(kSharedLogFilter), QString(), QStringLiteral(".LOG"));
    if (!name.isEmpty())
        WriteLogFile(name);
}

void HistoryPane::WriteLogFile(const QString& fileName)
{
    if (historyList->count() == 0)
        return;
    const std::string drivePath = fileName.toStdString();
    const auto found = qb::platform::FindEntryName(drivePath);
    if (found && !qb::platform::IsFolder(drivePath) &&
        !qb::ui::AskYesNo(window(), Shared(kSharedOverwriteLog)))
        return;
    // The log is written in full beside its place and then put there, so a failure (full disk,
    // read-only folder) never leaves a cut-off log or destroys the file it would replace.
    const std::string hostPath = qb::platform::ToHostPath(drivePath);
    QSaveFile file(QString::fromStdString(hostPath));
    const QByteArray bytes = HistoryText().toUtf8();
    const bool written = !hostPath.empty() && file.open(QIODevice::WriteOnly) &&
                         file.write(bytes) == bytes.size() && file.commit();
    if (!written)
        qb::ui::ShowMessage(window(), Shared(kSharedLogNotSaved));
}

void HistoryPane::SetFontData()
{
    ApplySharedFont({historyList});
    historyList->FitRowsToFont();
    LayOutControls();
}

void HistoryPane::SetToolTip(bool on)
{
    historyList->setToolTip(on ? Msg(kTipHistory) : QString());
}

void HistoryPane::Initialize()
{
    LoadPosition();
    SetFontData();
    setWindowTitle(Msg(kCaptionHistory));
    clearAction->setText(Shared(kSharedMenuClear));
    SetToolTip(ProgramOptions().ShowTooltips);
}

void HistoryPane::LayOutControls()
{
    LayOutList(historyList);
}
