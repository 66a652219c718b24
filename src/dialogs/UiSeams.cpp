#include "UiSeams.h"

#include "platform/Drives.h"

#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>

#include <cstdlib>
#include <deque>

namespace qb::ui {
namespace {

const QString kTitle = QStringLiteral("Quillbox2");

struct Seam {
    std::deque<bool> yesNo;
    std::deque<std::optional<QString>> inputs;
    std::deque<QString> fileNames;
    std::deque<std::optional<QFont>> fonts;
    QStringList record;
    bool neverShow = false;
};

Seam &seam()
{
    static Seam s;
    return s;
}

void note(const char *kind, const QString &text)
{
    seam().record << QString::fromLatin1(kind) + QStringLiteral(": ") + text;
}

template <typename T>
std::optional<T> take(std::deque<T> &queue)
{
    if (queue.empty())
        return std::nullopt;
    T value = queue.front();
    queue.pop_front();
    return value;
}

QString toDrive(const QString &host)
{
    if (host.isEmpty())
        return {};
    const std::string drive = qb::platform::ToDrivePath(host.toStdString());
    return QString::fromStdString(drive);
}

QString toHost(const QString &drive)
{
    if (drive.isEmpty())
        return {};
    return QString::fromStdString(qb::platform::ToHostPath(drive.toStdString()));
}

QString withDefaultExt(QString name, const QString &defaultExt)
{
    if (!name.isEmpty() && !defaultExt.isEmpty()) {
        const int slash = name.lastIndexOf(QLatin1Char('\\'));
        if (!name.mid(slash + 1).contains(QLatin1Char('.')))
            name += defaultExt.startsWith(QLatin1Char('.')) ? defaultExt : QStringLiteral(".") + defaultExt;
    }
    return name;
}

} // namespace

void ShowMessage(QWidget *parent, const QString &text)
{
    note("message", text);
    if (seam().neverShow)
        return;
    QMessageBox::information(parent, kTitle, text, QMessageBox::Ok);
}

bool AskYesNo(QWidget *parent, const QString &text)
{
    note("question", text);
    if (auto queued = take(seam().yesNo))
        return *queued;
    if (seam().neverShow)
        return false;
    return QMessageBox::question(parent, kTitle, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

std::optional<QString> InputText(QWidget *parent, const QString &title, const QString &prompt,
                                 const QString &initial)
{
    note("input", prompt);
    if (auto queued = take(seam().inputs))
        return *queued;
    if (seam().neverShow)
        return std::nullopt;
    bool ok = false;
    QString shown = prompt;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QString text = QInputDialog::getText(parent, title, shown, QLineEdit::Normal, initial, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

void LoadFailed(QWidget *parent, const QString &text)
{
    ShowMessage(parent, text);
    std::exit(1);
}

QString ToQtFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        out << parts[i] + QStringLiteral(" (") + parts[i + 1] + QStringLiteral(")");
    return out.join(QStringLiteral(";;"));
}

QString OpenFileName(QWidget *parent, const QString &filter, const QString &initialName,
                     const QString &defaultExt)
{
    note("open", initialName);
    if (auto queued = take(seam().fileNames))
        return *queued;
    if (seam().neverShow)
        return {};
    QFileDialog dialog(parent, QString(), toHost(initialName), ToQtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QString(defaultExt).remove(QLatin1Char('.')));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return toDrive(dialog.selectedFiles().first());
}

QString SaveFileName(QWidget *parent, const QString &filter, const QString &initialName,
                     const QString &defaultExt)
{
    note("save", initialName);
    if (auto queued = take(seam().fileNames))
        return withDefaultExt(*queued, defaultExt);
    if (seam().neverShow)
        return {};
    QFileDialog dialog(parent, QString(), toHost(initialName), ToQtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // The program asks its own overwrite question, so the dialog must not ask a second time.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setDefaultSuffix(QString(defaultExt).remove(QLatin1Char('.')));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return toDrive(dialog.selectedFiles().first());
}

std::optional<QFont> ChooseFont(QWidget *parent, const QFont &initial)
{
    note("font", initial.family());
    if (auto queued = take(seam().fonts))
        return *queued;
    if (seam().neverShow)
        return std::nullopt;
    bool ok = false;
    // Only scalable faces: the shared font is used at many sizes.
    const QFont font = QFontDialog::getFont(&ok, initial, parent, QString(), QFontDialog::ScalableFonts);
    if (!ok)
        return std::nullopt;
    return font;
}

namespace test {
void QueueYesNo(bool yes) { seam().yesNo.push_back(yes); }
void QueueInput(std::optional<QString> answer) { seam().inputs.push_back(std::move(answer)); }
void QueueFileName(const QString &driveOrEmpty) { seam().fileNames.push_back(driveOrEmpty); }
void QueueFont(std::optional<QFont> answer) { seam().fonts.push_back(std::move(answer)); }
void SetNeverShow(bool never) { seam().neverShow = never; }
QStringList TakeRecord()
{
    QStringList out;
    out.swap(seam().record);
    return out;
}
void Reset()
{
    seam() = Seam{};
}
} // namespace test

} // namespace qb::ui
