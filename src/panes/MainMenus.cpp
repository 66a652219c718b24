#include "MainMenus.h"

#include "panes/FormHost.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

namespace qb::panes {

namespace {

QAction* command(QWidget* owner, const char* name, const QString& caption, MenuHandlers* target,
                 void (MenuHandlers::*handler)())
{
    auto* action = new QAction(caption, owner);
    action->setObjectName(QString::fromLatin1(name));
    QObject::connect(action, &QAction::triggered, owner,
                     [target, handler] { (target->*handler)(); });
    return action;
}

QMenu* menu(QWidget* owner, const char* name, const QString& caption)
{
    auto* m = new QMenu(caption, owner);
    m->setObjectName(QString::fromLatin1(name));
    m->menuAction()->setObjectName(QString::fromLatin1(name));
    return m;
}

}  // namespace

QList<QAction*> MainMenus::BarActions() const
{
    return {mnuExit,
            mnuFont,
            mnuFile->menuAction(),
            mnuLog->menuAction(),
            mnuDefault->menuAction(),
            mnuOption,
            mnuMkdir,
            mnuHelp,
            mnuAbout};
}

void MainMenus::SetEnabled(bool flag)
{
    for (QAction* entry : BarActions())
        if (entry)
            entry->setEnabled(flag);
    // A disabled drop-down must not keep its shortcuts alive either.
    for (QMenu* m : {mnuFile, mnuLog, mnuDefault})
        if (m)
            m->setEnabled(flag);
}

MainMenus BuildMainMenus(QWidget* owner, MenuHandlers* target)
{
    MainMenus m;
    using H = MenuHandlers;
    m.mnuExit = command(owner, "mnuExit", QStringLiteral("E(&x)it"), target, &H::mnuExit_Click);
    m.mnuFont = command(owner, "mnuFont", QStringLiteral("Fon(&t)"), target, &H::mnuFont_Click);

    m.mnuFile = menu(owner, "mnuFile", QStringLiteral("(&F)ile"));
    m.mnuOpen = command(owner, "mnuOpen", QStringLiteral("(&O)pen"), target, &H::mnuOpen_Click);
    m.mnuOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    m.mnuSave = command(owner, "mnuSave", QStringLiteral("(&S)ave"), target, &H::mnuSave_Click);
    m.mnuSave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    m.mnuSaveAs =
        command(owner, "mnuSaveAs", QStringLiteral("Save(&A)s"), target, &H::mnuSaveAs_Click);
    m.mnuSaveAs->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    m.mnuFile->addActions({m.mnuOpen, m.mnuSave, m.mnuSaveAs});

    m.mnuLog = menu(owner, "mnuLog", QStringLiteral("(&L)og"));
    m.mnuLogCopy =
        command(owner, "mnuLogCopy", QStringLiteral("Log(&C)opy"), target, &H::mnuLogCopy_Click);
    m.mnuLogSave =
        command(owner, "mnuLogSave", QStringLiteral("Log(&S)ave"), target, &H::mnuLogSave_Click);
    m.mnuLog->addActions({m.mnuLogCopy, m.mnuLogSave});

    m.mnuDefault = menu(owner, "mnuDefault", QStringLiteral("(&D)efault"));
    m.mnuInDirDefault = command(owner, "mnuInDirDefault", QStringLiteral("InDirDefault"), target,
                                &H::mnuInDirDefault_Click);
    m.mnuOutDirDefault = command(owner, "mnuOutDirDefault", QStringLiteral("OutDirDefault"), target,
                                 &H::mnuOutDirDefault_Click);
    m.mnuTmpDirDefault = command(owner, "mnuTmpDirDefault", QStringLiteral("TmpDirDefault"), target,
                                 &H::mnuTmpDirDefault_Click);
    m.mnuDefault->addActions({m.mnuInDirDefault, m.mnuOutDirDefault, m.mnuTmpDirDefault});

    m.mnuOption =
        command(owner, "mnuOption", QStringLiteral("(&O)ption"), target, &H::mnuOption_Click);
    m.mnuMkdir = command(owner, "mnuMkdir", QStringLiteral("M(&k)dir"), target, &H::mnuMkdir_Click);
    m.mnuHelp = command(owner, "mnuHelp", QStringLiteral("(&H)elp"), target, &H::mnuHelp_Click);
    m.mnuAbout = command(owner, "mnuAbout", QStringLiteral("(&A)bout"), target, &H::mnuAbout_Click);
    return m;
}

}  // namespace qb::panes
