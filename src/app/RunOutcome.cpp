#include "RunOutcome.h"

#include "SilentRun.h"
#include "common/MessageFormat.h"
#include "common/ProgramMessages.h"
#include "platform/Drives.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QVBoxLayout>

#include <cstdio>

namespace qb::app {
namespace {

// How long the run stays to hear whether the notification's button was pressed. A notification
// server may keep a notification (and so notify-send) waiting for hours; the run does not
// outlive it by more than this, and the notification simply stays without its button working.
constexpr int kButtonWaitMs = 30000;

std::string FileName(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? "/" : path.substr(0, slash);
}

void OpenFolder(const std::string& folder)
{
    const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (xdgOpen.isEmpty() || !QProcess::startDetached(xdgOpen, {QString::fromStdString(folder)}))
        std::fprintf(stderr, "Quillbox2: the folder %s could not be opened (no xdg-open)\n",
                     folder.c_str());
}

struct SendResult {
    bool started = false;
    bool finished = false;
    int exitCode = -1;
    QString out;
    QString err;
};

SendResult Send(const QString& notifySend, const QStringList& args, int waitMs)
{
    SendResult r;
    QProcess process;
    process.start(notifySend, args);
    r.started = process.waitForStarted(10000);
    if (!r.started)
        return r;
    r.finished = process.waitForFinished(waitMs);
    if (!r.finished) {
        process.terminate();
        if (!process.waitForFinished(2000)) {
            process.kill();
            process.waitForFinished(2000);
        }
    } else if (process.exitStatus() == QProcess::NormalExit) {
        r.exitCode = process.exitCode();
    }
    r.out = QString::fromUtf8(process.readAllStandardOutput());
    r.err = QString::fromUtf8(process.readAllStandardError());
    return r;
}

bool Notify(const std::vector<std::string>& history, const std::vector<std::string>& archives)
{
    const QString notifySend = QStandardPaths::findExecutable(QStringLiteral("notify-send"));
    if (notifySend.isEmpty())
        return false;
    const QStringList common = {QStringLiteral("--app-name=Quillbox2"),
                                QStringLiteral("--icon=quillbox2")};
    const QStringList text = {QStringLiteral("Quillbox2"),
                              QString::fromStdString(NotificationBody(history, archives))};
    const std::string folder = ArchivesFolder(archives);
    if (!folder.empty()) {
        // notify-send waits while a notification with a button is up and prints the button's
        // name when it is pressed.
        const SendResult r = Send(
            notifySend,
            common +
                QStringList{QStringLiteral("--action=open=") +
                            QString::fromStdString(ProgramMessage(kTextOpenFolder))} +
                text,
            kButtonWaitMs);
        if (r.started && !r.finished)
            return true;  // shown, and nobody pressed the button in time
        if (r.exitCode == 0) {
            if (r.out.split(QLatin1Char('\n')).contains(QStringLiteral("open")))
                OpenFolder(folder);
            return true;
        }
        // A service without buttons: notify-send says so, shows it without and fails only for
        // that. Anything more it says is a failure of its own (no service at all, say).
        QStringList complaints = r.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        complaints.removeIf(
            [](const QString& line) { return line.startsWith(QLatin1String("Actions are not supported")); });
        if (r.exitCode == 1 && complaints.isEmpty() && !r.err.isEmpty())
            return true;
        // Anything else, an older notify-send that knows no --action among it: once more
        // without the button.
    }
    const SendResult r = Send(notifySend, common + text, 10000);
    return r.finished && r.exitCode == 0;
}

}  // namespace

RunOutcomeWindow::RunOutcomeWindow(const std::vector<std::string>& history, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Quillbox2"));
    auto* layout = new QVBoxLayout(this);
    summaryLabel = new QLabel(this);
    summaryLabel->setTextFormat(Qt::PlainText);
    summaryLabel->setWordWrap(true);
    QFont bold = summaryLabel->font();
    bold.setBold(true);
    summaryLabel->setFont(bold);
    if (!history.empty())
        summaryLabel->setText(QString::fromStdString(history.back()));
    layout->addWidget(summaryLabel);
    historyText = new QPlainTextEdit(this);
    historyText->setReadOnly(true);
    historyText->setLineWrapMode(QPlainTextEdit::NoWrap);
    for (const std::string& line : history)
        historyText->appendPlainText(QString::fromStdString(line));
    layout->addWidget(historyText);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    resize(640, 360);
}

std::string ArchivesFolder(const std::vector<std::string>& archives)
{
    if (archives.empty())
        return {};
    const std::string folder = FolderOf(archives.front());
    for (const std::string& archive : archives)
        if (FolderOf(archive) != folder)
            return {};
    return folder;
}

std::string NotificationBody(const std::vector<std::string>& history,
                             const std::vector<std::string>& archives)
{
    std::string body = history.empty() ? std::string() : history.back();
    const std::string folder = ArchivesFolder(archives);
    if (!folder.empty())
        body += "\n" + FormatText(ProgramMessage(kTextArchivesFolder), {folder});
    for (const std::string& archive : archives)
        body += "\n" + (folder.empty() ? archive : FileName(archive));
    return body;
}

void ReportOutcome(bool allPacked, const std::vector<std::string>& history,
                   const std::vector<std::string>& created)
{
    std::vector<std::string> archives;
    for (const std::string& path : created)
        archives.push_back(qb::platform::ToHostPath(path));
    if (allPacked && Notify(history, archives))
        return;
    if (IsOffscreen()) {
        if (!history.empty())
            std::fprintf(stderr, "Quillbox2: %s\n", history.back().c_str());
        for (const std::string& line : history)
            std::fprintf(stderr, "Quillbox2 history: %s\n", line.c_str());
        return;
    }
    RunOutcomeWindow window(history);
    window.exec();
}

}  // namespace qb::app
