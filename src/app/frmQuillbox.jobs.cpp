// Job files from the File menu, and the command line handed to the target list at start-up.

#include "app/frmQuillbox.hosts.h"
#include "common/resQuillbox.h"
#include "dialogs/UiSeams.h"
#include "panes/mdiFile.h"
#include "panes/mdiInDir.h"
#include "panes/mdiOutDir.h"

namespace {
QString jobFilter()
{
    return QString::fromStdString(resQuillbox(kTextJobFilter));
}
const QString kJobExt = QStringLiteral(".QBJ");
}  // namespace

std::string frmQuillbox::JobHost::InDirName()
{
    return m_frame.m_inDir->DirName().toStdString();
}

void frmQuillbox::JobHost::SetInDirName(const std::string& dir)
{
    m_frame.m_inDir->SetDirName(QString::fromStdString(dir));
}

std::string frmQuillbox::JobHost::OutDirName()
{
    return m_frame.m_outDir->DirName().toStdString();
}

void frmQuillbox::JobHost::SetOutDirName(const std::string& dir)
{
    m_frame.m_outDir->SetDirName(QString::fromStdString(dir));
}

qb::engine::TargetList& frmQuillbox::JobHost::Targets()
{
    return *m_frame.m_file;
}

void frmQuillbox::JobHost::ShowMessage(const std::string& text)
{
    qb::ui::ShowMessage(&m_frame, QString::fromStdString(text));
}

bool frmQuillbox::JobHost::AskYesNo(const std::string& text)
{
    return qb::ui::AskYesNo(&m_frame, QString::fromStdString(text));
}

void frmQuillbox::LoadQbj()
{
    qb::engine::LoadQbj(qb::engine::CurrentJobFile, *m_jobHost, *m_jobHost);
}

void frmQuillbox::mnuOpen_Click()
{
    const QString name = qb::ui::OpenFileName(
        this, jobFilter(), QString::fromStdString(qb::engine::CurrentJobFile), kJobExt);
    if (name.isEmpty())
        return;
    qb::engine::CurrentJobFile = name.toStdString();
    LoadQbj();
    BtnEnabledChange();
}

void frmQuillbox::mnuSave_Click()
{
    if (qb::engine::CurrentJobFile.empty()) {
        const QString name = qb::ui::SaveFileName(this, jobFilter(), QString(), kJobExt);
        if (!name.isEmpty())
            qb::engine::CurrentJobFile = name.toStdString();
    }
    if (!qb::engine::CurrentJobFile.empty())
        qb::engine::WriteJobFile(qb::engine::CurrentJobFile, *m_jobHost, *m_jobHost);
}

void frmQuillbox::mnuSaveAs_Click()
{
    const QString name = qb::ui::SaveFileName(
        this, jobFilter(), QString::fromStdString(qb::engine::CurrentJobFile), kJobExt);
    if (name.isEmpty())
        return;
    qb::engine::CurrentJobFile = name.toStdString();
    qb::engine::WriteJobFile(qb::engine::CurrentJobFile, *m_jobHost, *m_jobHost);
}
