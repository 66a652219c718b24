#include "RunOutcome.h"

#include "SilentRun.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QVBoxLayout>

#include <cstdio>

namespace qb::app {
namespace {

// The archive's own name, the last component of its drive path.
std::string FileName(const std::string& path)
{
    const std::size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool Notify(const std::vector<std::string>& history, const std::vector<std::string>& created)
{
    const QString notifySend = QStandardPaths::findExecutable(QStringLiteral("notify-send"));
    if (notifySend.isEmpty())
        return false;
    // The closing line of the history ("全て終了しました"), then the archives made.
    QString body = history.empty() ? QString() : QString::fromStdString(history.back());
    for (const std::string& archive : created)
        body += QLatin1Char('\n') + QString::fromStdString(FileName(archive));
    QProcess process;
    process.start(notifySend,
                  {QStringLiteral("--app-name=Quillbox2"), QStringLiteral("--icon=quillbox2"),
                   QStringLiteral("Quillbox2"), body});
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

}  // namespace

RunOutcomeWindow::RunOutcomeWindow(const std::vector<std::string>& history, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Quillbox2"));
    auto* layout = new QVBoxLayout(this);
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

void ReportOutcome(bool allPacked, const std::vector<std::string>& history,
                   const std::vector<std::string>& created)
{
    if (allPacked && Notify(history, created))
        return;
    if (IsOffscreen()) {
        for (const std::string& line : history)
            std::fprintf(stderr, "Quillbox2 history: %s\n", line.c_str());
        return;
    }
    RunOutcomeWindow window(history);
    window.exec();
}

}  // namespace qb::app
