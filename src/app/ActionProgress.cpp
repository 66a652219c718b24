#include "ActionProgress.h"

#include "common/MessageFormat.h"
#include "common/ProgramMessages.h"
#include "common/SharedMessages.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QIcon>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

// The program's icons are built into it (quillbox2.qrc, a resource of a static library).
static void InitIcons()
{
    Q_INIT_RESOURCE(quillbox2);
}

namespace qb::app {
namespace {

// Reports can come thousands of times a second; the window follows at a calm pace.
constexpr int kRefreshMs = 50;
constexpr int kWidth = 440;
int g_showDelayMs = 1000;

QIcon ProgramIcon()
{
    InitIcons();
    QIcon icon;
    for (int size : {16, 32, 48, 64, 256})
        icon.addFile(QStringLiteral(":/quillbox2/quillbox2-%1.png").arg(size), QSize(size, size));
    return icon;
}

}  // namespace

void ActionProgress::SetShowDelayMs(int ms)
{
    g_showDelayMs = ms;
}

ActionProgress::ActionProgress(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ActionProgress"));
    setWindowTitle(QStringLiteral("Quillbox2"));
    setWindowIcon(ProgramIcon());
    positionLabel = new QLabel(this);
    positionLabel->setObjectName(QStringLiteral("positionLabel"));
    folderLabel = new QLabel(this);
    folderLabel->setObjectName(QStringLiteral("folderLabel"));
    QFont bold = folderLabel->font();
    bold.setBold(true);
    folderLabel->setFont(bold);
    memberLabel = new QLabel(this);
    memberLabel->setObjectName(QStringLiteral("memberLabel"));
    for (QLabel* label : {positionLabel, folderLabel, memberLabel})
        label->setTextFormat(Qt::PlainText);
    progressBar = new QProgressBar(this);
    progressBar->setObjectName(QStringLiteral("progressBar"));
    progressBar->setRange(0, 1000);
    progressBar->setValue(0);
    cancelButton = new QPushButton(QString::fromStdString(SharedMessage(kSharedCancel)), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    connect(cancelButton, &QPushButton::clicked, this, &ActionProgress::Cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(positionLabel);
    layout->addWidget(folderLabel);
    layout->addWidget(memberLabel);
    layout->addWidget(progressBar);
    layout->addWidget(cancelButton, 0, Qt::AlignRight);
    // A fixed width: long member names are shortened instead of pulling the window wider.
    setFixedWidth(kWidth);
    m_run.start();
}

void ActionProgress::BeginFolder(int index, int count, const QString& name)
{
    positionLabel->setText(QString::fromStdString(FormatText(
        ProgramMessage(kTextRunPosition), {std::to_string(index + 1), std::to_string(count)})));
    const int room = kWidth - layout()->contentsMargins().left() - layout()->contentsMargins().right();
    folderLabel->setText(folderLabel->fontMetrics().elidedText(name, Qt::ElideMiddle, room));
    folderLabel->setToolTip(name);
    memberLabel->clear();
    progressBar->setValue(0);
    // The new folder's first member shows at once, however soon after the last report.
    m_lastRefresh.invalidate();
    ShowWhenDue();
}

bool ActionProgress::Report(const QString& member, std::uint64_t done, std::uint64_t total)
{
    if (m_lastRefresh.isValid() && m_lastRefresh.elapsed() < kRefreshMs)
        return !m_cancelled;
    m_lastRefresh.start();
    ShowWhenDue();
    if (isVisible()) {
        const int room =
            kWidth - layout()->contentsMargins().left() - layout()->contentsMargins().right();
        memberLabel->setText(memberLabel->fontMetrics().elidedText(member, Qt::ElideMiddle, room));
        const int permille = total ? static_cast<int>(std::min<std::uint64_t>(done, total) * 1000 /
                                                      total)
                                   : 0;
        progressBar->setValue(permille);
    }
    QCoreApplication::processEvents();
    return !m_cancelled;
}

bool ActionProgress::TakeEvents()
{
    ShowWhenDue();
    QCoreApplication::processEvents();
    return !m_cancelled;
}

void ActionProgress::Finish()
{
    hide();
}

void ActionProgress::ShowWhenDue()
{
    if (!isVisible() && !m_cancelled && m_run.elapsed() >= g_showDelayMs)
        show();
}

void ActionProgress::Cancel()
{
    m_cancelled = true;
    // The archive being written ends at its next report; until then the button has done its part.
    cancelButton->setEnabled(false);
}

void ActionProgress::closeEvent(QCloseEvent* event)
{
    // Closing the window means the same as its cancel button; it goes when the run ends.
    Cancel();
    event->ignore();
}

void ActionProgress::reject()
{
    Cancel();
}

}  // namespace qb::app
