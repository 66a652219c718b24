#include "FolderAliases.h"

#include "Messages.h"
#include "UiSeams.h"
#include "frmMenuMente.h"

#include "common/basQuill.h"
#include "engine/Options.h"
#include "platform/SettingsStore.h"

#include <QAction>
#include <QMenu>

using qb::ui::Quill;
using qb::ui::Quillbox;

FolderAliases::FolderAliases(Pane pane, QWidget* owner, std::function<QString()> dirName,
                             std::function<void(const QString&)> setDirName)
    : m_pane(pane), m_owner(owner), m_dirName(std::move(dirName)),
      m_setDirName(std::move(setDirName))
{ }

std::string FolderAliases::keyPrefix() const
{
    return m_pane == Pane::InDir ? "Dir_In" : "Dir_Out";
}

QString FolderAliases::paneTitle() const
{
    return Quillbox(m_pane == Pane::InDir ? kCaptionInDir : kCaptionOutDir);
}

QString FolderAliases::AliasName(int i) const
{
    return i >= 0 && i < kMax ? m_name[i] : QString();
}

QString FolderAliases::AliasDir(int i) const
{
    return i >= 0 && i < kMax ? m_dir[i] : QString();
}

QAction* FolderAliases::mnuAddDir(int i) const
{
    return i >= 0 && i < kMax ? m_entries[i] : nullptr;
}

void FolderAliases::AddToMenu(QMenu* popup)
{
    m_add = popup->addAction(Quill(kSharedMenuAddAlias));
    m_add->setObjectName(QStringLiteral("mnuAdd"));
    m_menteAction = popup->addAction(Quill(kSharedMenuAliases));
    m_menteAction->setObjectName(QStringLiteral("mnuMente"));
    m_bar = popup->addSeparator();
    m_bar->setObjectName(QStringLiteral("mnuBar"));
    for (int i = 0; i < kMax; ++i) {
        m_entries[i] = popup->addAction(QString());
        m_entries[i]->setObjectName(QStringLiteral("mnuAddDir%1").arg(i));
        QObject::connect(m_entries[i], &QAction::triggered, popup,
                         [this, i] { mnuAddDir_Click(i); });
    }
    QObject::connect(m_add, &QAction::triggered, popup, [this] { mnuAdd_Click(); });
    QObject::connect(m_menteAction, &QAction::triggered, popup, [this] { mnuMente_Click(); });
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
    if (m_menteAction)
        m_menteAction->setEnabled(m_last >= 0);
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
        qb::engine::WriteFormSetting(keyPrefix() + "_DirName" + index,
                                     used ? m_name[i].toStdString() : std::string());
        qb::engine::WriteFormSetting(keyPrefix() + "_DirDir" + index,
                                     used ? m_dir[i].toStdString() : std::string());
    }
}

void FolderAliases::mnuAddDir_Click(int intIndex)
{
    if (intIndex < 0 || intIndex > m_last || !m_setDirName)
        return;
    m_setDirName(m_dir[intIndex]);
}

void FolderAliases::mnuAdd_Click()
{
    if (m_last >= kMax - 1)
        return;
    const QString dir = m_dirName ? m_dirName() : QString();
    // Without a folder to name there is nothing to add; an alias needs both.
    if (dir.isEmpty())
        return;
    const QString prompt = Quill(kSharedAliasPrompt) + QLatin1Char('\r') + dir;
    const QString shortened = QString::fromStdString(basQuill::ShortDisplayPath(dir.toStdString()));
    const auto answer = qb::ui::InputText(m_owner, Quill(kSharedAliasCaption), prompt, shortened);
    if (!answer || answer->isEmpty())
        return;
    for (int i = 0; i <= m_last; ++i) {
        if (m_name[i] == *answer) {
            qb::ui::ShowMessage(m_owner, Quill(kSharedAliasExists));
            return;
        }
    }
    ++m_last;
    m_name[m_last] = *answer;
    m_dir[m_last] = dir;
    syncMenu();
}

void FolderAliases::mnuMente_Click()
{
    if (!m_mente)
        return;
    for (int i = 0; i < kMax; ++i) {
        if (i <= m_last)
            m_mente->Set_Menu(i, m_name[i], m_dir[i]);
        else
            m_mente->Set_Menu(i, QString(), QString());
    }
    m_mente->pstr_Me_Caption = paneTitle();
    if (!m_mente->ShowModal())
        return;
    const int last = m_mente->MenuCount();
    m_last = last < kMax ? last : kMax - 1;
    for (int i = 0; i < kMax; ++i) {
        if (i <= m_last) {
            m_mente->Get_Menu(i, m_name[i], m_dir[i]);
        } else {
            m_name[i].clear();
            m_dir[i].clear();
        }
    }
    syncMenu();
}
