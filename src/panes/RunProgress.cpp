#include "RunProgress.h"

#include "common/MessageFormat.h"
#include "common/SharedMessages.h"
#include "common/ProgramMessages.h"
#include "dialogs/SharedFont.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace qb::panes {

namespace {
int g_showDelayMs = 400;
int g_refreshMs = 50;
}  // namespace

void RunProgress::SetShowDelayMs(int ms)
{
    g_showDelayMs = ms;
}
void RunProgress::SetRefreshMs(int ms)
{
    g_refreshMs = ms;
}

RunProgress::RunProgress(const qb::engine::Options& options, QWidget* parent)
    : QDialog(parent), m_options(options)
{
    setObjectName(QStringLiteral("RunProgress"));
    setWindowTitle(QStringLiteral("Quillbox2"));
    // Not modal: the main window's cancel button stays usable beside this one.
    setWindowModality(Qt::NonModal);
    positionLabel = new QLabel(this);
    positionLabel->setObjectName(QStringLiteral("positionLabel"));
    positionLabel->setTextFormat(Qt::PlainText);
    folderLabel = new QLabel(this);
    folderLabel->setObjectName(QStringLiteral("folderLabel"));
    memberLabel = new QLabel(this);
    memberLabel->setObjectName(QStringLiteral("memberLabel"));
    memberLabel->setTextFormat(Qt::PlainText);
    folderLabel->setTextFormat(Qt::PlainText);
    progressBar = new QProgressBar(this);
    progressBar->setObjectName(QStringLiteral("progressBar"));
    progressBar->setRange(0, 1000);
    cancelButton = new QPushButton(QString::fromStdString(SharedMessage(kSharedCancel)), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    connect(cancelButton, &QPushButton::clicked, this, [this] { m_cancelled = true; });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(positionLabel);
    layout->addWidget(folderLabel);
    layout->addWidget(memberLabel);
    layout->addWidget(progressBar);
    layout->addWidget(cancelButton, 0, Qt::AlignRight);
    setMinimumWidth(420);
}

void RunProgress::BeginRun()
{
    m_cancelled = false;
}

void RunProgress::BeginFolder(int index, int count, const QString& folder)
{
    positionLabel->setText(QString::fromStdString(FormatText(
        ProgramMessage(kTextRunPosition), {std::to_string(index + 1), std::to_string(count)})));
    folderLabel->setText(folder);
    memberLabel->clear();
    progressBar->setValue(0);
    m_started.start();
    m_lastRefresh.invalidate();
}

bool RunProgress::Report(const QString& member, std::uint64_t done, std::uint64_t total)
{
    if (!m_started.isValid())
        m_started.start();
    // Reports can come thousands of times a second; the window follows at a calm pace.
    if (m_lastRefresh.isValid() && m_lastRefresh.elapsed() < g_refreshMs)
        return !m_cancelled;
    m_lastRefresh.start();
    if (!isVisible() && m_started.elapsed() >= g_showDelayMs) {
        setFont(qb::ui::SharedFont(m_options));
        show();
    }
    if (isVisible()) {
        memberLabel->setText(member);
        const int permille = total ? static_cast<int>(done * 1000 / total) : 0;
        progressBar->setValue(std::min(permille, 1000));
    }
    QCoreApplication::processEvents();
    return !m_cancelled;
}

void RunProgress::EndFolder()
{
    // Hiding after every folder would make the window blink in and out through a run of
    // many folders that each take a moment; it goes when the run is over.
    m_started.invalidate();
}

void RunProgress::EndRun()
{
    hide();
    m_started.invalidate();
}

void RunProgress::closeEvent(QCloseEvent* event)
{
    // Closing the window means the same as its cancel button; it hides when the call ends.
    m_cancelled = true;
    event->ignore();
}

void RunProgress::reject()
{
    m_cancelled = true;
}

}  // namespace qb::panes
