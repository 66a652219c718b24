#include "UiSeams.h"

#include "engine/Options.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/SettingsStore.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
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

Seam& seam()
{
    static Seam s;
    return s;
}

void note(const char* kind, const QString& text)
{
    seam().record << QString::fromLatin1(kind) + QStringLiteral(": ") + text;
}

template<typename T>
std::optional<T> take(std::deque<T>& queue)
{
    if (queue.empty())
        return std::nullopt;
    T value = queue.front();
    queue.pop_front();
    return value;
}

QString toDrive(const QString& host)
{
    if (host.isEmpty())
        return {};
    const std::string drive = qb::platform::ToDrivePath(host.toStdString());
    return QString::fromStdString(drive);
}

QString toHost(const QString& drive)
{
    if (drive.isEmpty())
        return {};
    return QString::fromStdString(qb::platform::ToHostPath(drive.toStdString()));
}

// The settings key that remembers the folder of the last file of a kind ("LastDir_LOG").
std::string lastDirKey(const QString& defaultExt)
{
    return "LastDir_" + QString(defaultExt).remove(QLatin1Char('.')).toUpper().toStdString();
}

void rememberFolder(const QString& defaultExt, const QString& driveFile)
{
    const int slash = driveFile.lastIndexOf(QLatin1Char('\\'));
    if (defaultExt.isEmpty() || slash < 2)
        return;
    // A drive root keeps its backslash ("C:\\").
    const QString folder = driveFile.left(slash == 2 ? 3 : slash);
    qb::engine::WriteWindowSetting(lastDirKey(defaultExt), folder.toStdString());
}

QString existingHostFolder(const QString& driveFolder)
{
    if (driveFolder.isEmpty() || !qb::platform::IsFolder(driveFolder.toStdString()))
        return {};
    return toHost(driveFolder);
}

// Sets up a file dialog the program's way: the filters with their own texts, matching names
// in any letter case, and the folder it opens in.
void prepare(QFileDialog& dialog, const QString& filter, const QString& initialName,
             const QString& defaultExt)
{
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setNameFilters(ToQtFilter(filter).split(QStringLiteral(";;")));
    dialog.setDefaultSuffix(QString(defaultExt).remove(QLatin1Char('.')));
    const QString start = FileDialogFolder(initialName, defaultExt);
    dialog.setDirectory(start);
    const int slash = initialName.lastIndexOf(QLatin1Char('\\'));
    if (slash >= 0 && !start.isEmpty() &&
        existingHostFolder(initialName.left(slash == 2 ? 3 : slash)) == start)
        dialog.selectFile(initialName.mid(slash + 1));
}

QString withDefaultExt(QString name, const QString& defaultExt)
{
    if (!name.isEmpty() && !defaultExt.isEmpty()) {
        const int slash = name.lastIndexOf(QLatin1Char('\\'));
        if (!name.mid(slash + 1).contains(QLatin1Char('.')))
            name += defaultExt.startsWith(QLatin1Char('.')) ? defaultExt
                                                            : QStringLiteral(".") + defaultExt;
    }
    return name;
}

}  // namespace

void ShowMessage(QWidget* parent, const QString& text)
{
    note("message", text);
    if (seam().neverShow)
        return;
    QMessageBox::information(parent, kTitle, text, QMessageBox::Ok);
}

bool AskYesNo(QWidget* parent, const QString& text)
{
    note("question", text);
    if (auto queued = take(seam().yesNo))
        return *queued;
    if (seam().neverShow)
        return false;
    return QMessageBox::question(parent, kTitle, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

std::optional<QString> InputText(QWidget* parent, const QString& title, const QString& prompt,
                                 const QString& initial)
{
    note("input", prompt);
    if (auto queued = take(seam().inputs))
        return *queued;
    if (seam().neverShow)
        return std::nullopt;
    bool ok = false;
    QString shown = prompt;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QString text =
        QInputDialog::getText(parent, title, shown, QLineEdit::Normal, initial, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

void LoadFailed(QWidget* parent, const QString& text)
{
    ShowMessage(parent, text);
    std::exit(1);
}

QString CaseFreePattern(const QString& pattern)
{
    // "*.*" is every file, as it always was where these filters come from.
    if (pattern == QStringLiteral("*.*"))
        return QStringLiteral("*");
    QString out;
    for (const QChar c : pattern) {
        if (c.isLetter() && c.toLower() != c.toUpper())
            out += QLatin1Char('[') + c.toUpper() + c.toLower() + QLatin1Char(']');
        else
            out += c;
    }
    return out;
}

QString ToQtFilter(const QString& filter)
{
    // Each description keeps its own text ("LogFile(*.LOG)"); the patterns added after it for
    // the dialog to match with are hidden from view (HideNameFilterDetails), so no text shows
    // twice. A pair may list several patterns separated by ';'.
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts))
            patterns << CaseFreePattern(p.trimmed());
        out << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                   QStringLiteral(")");
    }
    return out.join(QStringLiteral(";;"));
}

QString FileDialogFolder(const QString& initialName, const QString& defaultExt)
{
    const int slash = initialName.lastIndexOf(QLatin1Char('\\'));
    if (slash >= 2)
        if (QString host = existingHostFolder(initialName.left(slash == 2 ? 3 : slash));
            !host.isEmpty())
            return host;
    if (!defaultExt.isEmpty()) {
        const std::string key = lastDirKey(defaultExt);
        // Read where it is written: a folder is no position, so no older location is probed.
        const QString last = QString::fromStdString(
            qb::platform::GetSetting(std::string(qb::engine::kSettingsApp),
                                     std::string(qb::engine::kSettingsSection), key, ""));
        if (QString host = existingHostFolder(last); !host.isEmpty())
            return host;
    }
    return QDir::homePath();
}

QString OpenFileName(QWidget* parent, const QString& filter, const QString& initialName,
                     const QString& defaultExt)
{
    note("open", initialName);
    QString chosen;
    if (auto queued = take(seam().fileNames)) {
        chosen = *queued;
    } else if (!seam().neverShow) {
        QFileDialog dialog(parent);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        prepare(dialog, filter, initialName, defaultExt);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = toDrive(dialog.selectedFiles().first());
    }
    if (!chosen.isEmpty())
        rememberFolder(defaultExt, chosen);
    return chosen;
}

QString SaveFileName(QWidget* parent, const QString& filter, const QString& initialName,
                     const QString& defaultExt)
{
    note("save", initialName);
    QString chosen;
    if (auto queued = take(seam().fileNames)) {
        chosen = withDefaultExt(*queued, defaultExt);
    } else if (!seam().neverShow) {
        QFileDialog dialog(parent);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        // The program asks its own overwrite question, so the dialog must not ask a second time.
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
        prepare(dialog, filter, initialName, defaultExt);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = toDrive(dialog.selectedFiles().first());
    }
    if (!chosen.isEmpty())
        rememberFolder(defaultExt, chosen);
    return chosen;
}

std::optional<QFont> ChooseFont(QWidget* parent, const QFont& initial)
{
    note("font", initial.family());
    if (auto queued = take(seam().fonts))
        return *queued;
    if (seam().neverShow)
        return std::nullopt;
    bool ok = false;
    // Only scalable faces: the shared font is used at many sizes.
    const QFont font =
        QFontDialog::getFont(&ok, initial, parent, QString(), QFontDialog::ScalableFonts);
    if (!ok)
        return std::nullopt;
    return font;
}

namespace test {
void QueueYesNo(bool yes)
{
    seam().yesNo.push_back(yes);
}
void QueueInput(std::optional<QString> answer)
{
    seam().inputs.push_back(std::move(answer));
}
void QueueFileName(const QString& driveOrEmpty)
{
    seam().fileNames.push_back(driveOrEmpty);
}
void QueueFont(std::optional<QFont> answer)
{
    seam().fonts.push_back(std::move(answer));
}
void SetNeverShow(bool never)
{
    seam().neverShow = never;
}
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
}  // namespace test

}  // namespace qb::ui
