#include "FolderAliases.h"

#include "Messages.h"
#include "UiSeams.h"
#include "FolderAliasDialog.h"

#include "common/PathHelpers.h"
#include "engine/Options.h"
#include "platform/SettingsStore.h"

#include <QAction>
#include <QMenu>

using qb::ui::SharedMessageText;
using qb::ui::ProgramMessageText;

FolderAliases::FolderAliases(Pane pane, QWidget* owner, std::function<QString()> currentFolder,
                             std::function<void(const QString&)> setCurrentFolder)
    : m_pane(pane), m_owner(owner), m_currentFolder(std::move(currentFolder)),
      m_setCurrentFolder(std::move(setCurrentFolder))
{ }

std::string FolderAliases::keyPrefix() const
{
    return m_pane == Pane::SourceFolder ? "Dir_In" : "Dir_Out";
}

QString FolderAliases::paneTitle() const
{
    return ProgramMessageText(m_pane == Pane::SourceFolder ? kCaptionSourceFolder : kCaptionOutputFolder);
}

QString FolderAliases::AliasName(int i) const
{
    return i >= 0 && i < kMax ? m_name[i] : QString();
}

QString FolderAliases::AliasDir(int i) const
{
    return i >= 0 && i < kMax ? m_dir[i] : QString();
}

QAction* FolderAliases::AliasAction(int i) const
{
    return i >= 0 && i < kMax ? m_entries[i] : nullptr;
}

void FolderAliases::AddToMenu(QMenu* popup)
{
    m_add = popup->addAction(SharedMessageText(kSharedMenuAddAlias));
    m_add->setObjectName(QStringLiteral("addAliasAction"));
    m_editAliasesAction = popup->addAction(SharedMessageText(kSharedMenuAliases));
    m_editAliasesAction->setObjectName(QStringLiteral("editAliasesAction"));
    m_bar = popup->addSeparator();
    m_bar->setObjectName(QStringLiteral("aliasSeparator"));
    for (int i = 0; i < kMax; ++i) {
        m_entries[i] = popup->addAction(QString());
        m_entries[i]->setObjectName(QStringLiteral("aliasAction%1").arg(i));
        QObject::connect(m_entries[i], &QAction::triggered, popup,
                         [this, i] { GoToAlias(i); });
    }
    QObject::connect(m_add, &QAction::triggered, popup, [this] { AddAlias(); });
    QObject::connect(m_editAliasesAction, &QAction::triggered, popup, [this] { EditAliases(); });
    syncMenu();
}

void FolderAliases::syncMenu()
{
    for (int i = 0; i < kMax; ++i) {
        if (!m_entries[i])
            continue;
        const bool used = i <= m_last;
        // A '&' in a name is shown as typed, not taken as a shortcut mark.
        m_entries[i]->setText(
            used ? QString(m_name[i]).replace(QLatin1Char('&'), QStringLiteral("&&")) : QString());
        m_entries[i]->setVisible(used);
    }
    if (m_bar)
        m_bar->setVisible(m_last >= 0);
    if (m_editAliasesAction)
        m_editAliasesAction->setEnabled(m_last >= 0);
    if (m_add)
        m_add->setEnabled(m_last < kMax - 1);
}

void FolderAliases::Load(const std::string& app)
{
    const std::string section(qb::engine::kSettingsSection);
    m_last = kMax - 1;
    for (int i = 0; i < kMax; ++i) {
        const std::string index = std::to_string(i);
        const std::string name =
            qb::platform::GetSetting(app, section, keyPrefix() + "_DirName" + index, "");
        const std::string dir =
            qb::platform::GetSetting(app, section, keyPrefix() + "_DirDir" + index, "");
        if (name.empty() || dir.empty()) {
            m_last = i - 1;
            break;
        }
        m_name[i] = QString::fromStdString(name);
        m_dir[i] = QString::fromStdString(dir);
    }
    for (int i = m_last + 1; i < kMax; ++i) {
        m_name[i].clear();
        m_dir[i].clear();
    }
    syncMenu();
}

void FolderAliases::Save() const
{
    const qb::platform::SettingsBatch batch;
    for (int i = 0; i < kMax; ++i) {
        const std::string index = std::to_string(i);
        const bool used = i <= m_last;
        qb::engine::WriteWindowSetting(keyPrefix() + "_DirName" + index,
                                     used ? m_name[i].toStdString() : std::string());
        qb::engine::WriteWindowSetting(keyPrefix() + "_DirDir" + index,
                                     used ? m_dir[i].toStdString() : std::string());
    }
}

void FolderAliases::GoToAlias(int index)
{
    if (index < 0 || index > m_last || !m_setCurrentFolder)
        return;
    m_setCurrentFolder(m_dir[index]);
}

void FolderAliases::AddAlias()
{
    if (m_last >= kMax - 1)
        return;
    const QString dir = m_currentFolder ? m_currentFolder() : QString();
    // Without a folder to name there is nothing to add; an alias needs both.
    if (dir.isEmpty())
        return;
    const QString prompt = SharedMessageText(kSharedAliasPrompt) + QLatin1Char('\r') + dir;
    const QString shortened = QString::fromStdString(PathHelpers::ShortDisplayPath(dir.toStdString()));
    const auto answer = qb::ui::InputText(m_owner, SharedMessageText(kSharedAliasCaption), prompt, shortened);
    if (!answer || answer->isEmpty())
        return;
    for (int i = 0; i <= m_last; ++i) {
        if (m_name[i] == *answer) {
            qb::ui::ShowMessage(m_owner, SharedMessageText(kSharedAliasExists));
            return;
        }
    }
    ++m_last;
    m_name[m_last] = *answer;
    m_dir[m_last] = dir;
    syncMenu();
}

void FolderAliases::EditAliases()
{
    if (!m_folderAliasDialog)
        return;
    for (int i = 0; i < kMax; ++i) {
        if (i <= m_last)
            m_folderAliasDialog->SetAlias(i, m_name[i], m_dir[i]);
        else
            m_folderAliasDialog->SetAlias(i, QString(), QString());
    }
    m_folderAliasDialog->ownerTitle = paneTitle();
    if (!m_folderAliasDialog->ShowModal())
        return;
    const int last = m_folderAliasDialog->LastAliasIndex();
    m_last = last < kMax ? last : kMax - 1;
    for (int i = 0; i < kMax; ++i) {
        if (i <= m_last) {
            m_folderAliasDialog->GetAlias(i, m_name[i], m_dir[i]);
        } else {
            m_name[i].clear();
            m_dir[i].clear();
        }
    }
    syncMenu();
}
