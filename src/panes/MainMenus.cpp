#include "MainMenus.h"

#include "panes/PaneHost.h"

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
    return {exitAction,
            fontAction,
            fileMenu->menuAction(),
            logMenu->menuAction(),
            initialFoldersMenu->menuAction(),
            optionsAction,
            makeFolderAction,
            helpAction,
            aboutAction};
}

void MainMenus::SetEnabled(bool flag)
{
    for (QAction* entry : BarActions())
        if (entry)
            entry->setEnabled(flag);
    // A disabled drop-down must not keep its shortcuts alive either.
    for (QMenu* m : {fileMenu, logMenu, initialFoldersMenu})
        if (m)
            m->setEnabled(flag);
}

MainMenus BuildMainMenus(QWidget* owner, MenuHandlers* target)
{
    MainMenus m;
    using H = MenuHandlers;
    m.exitAction = command(owner, "exitAction", QStringLiteral("E(&x)it"), target, &H::ExitProgram);
    m.fontAction = command(owner, "fontAction", QStringLiteral("Fon(&t)"), target, &H::EditFont);

    m.fileMenu = menu(owner, "fileMenu", QStringLiteral("(&F)ile"));
    m.openAction = command(owner, "openAction", QStringLiteral("(&O)pen"), target, &H::OpenJobFile);
    m.openAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    m.saveAction = command(owner, "saveAction", QStringLiteral("(&S)ave"), target, &H::SaveJobFile);
    m.saveAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    m.saveAsAction =
        command(owner, "saveAsAction", QStringLiteral("Save(&A)s"), target, &H::SaveJobFileAs);
    m.saveAsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    m.fileMenu->addActions({m.openAction, m.saveAction, m.saveAsAction});

    m.logMenu = menu(owner, "logMenu", QStringLiteral("(&L)og"));
    m.copyLogAction =
        command(owner, "copyLogAction", QStringLiteral("Log(&C)opy"), target, &H::CopyHistory);
    m.saveLogAction =
        command(owner, "saveLogAction", QStringLiteral("Log(&S)ave"), target, &H::SaveHistory);
    m.logMenu->addActions({m.copyLogAction, m.saveLogAction});

    m.initialFoldersMenu = menu(owner, "initialFoldersMenu", QStringLiteral("(&D)efault"));
    m.initialSourceFolderAction = command(owner, "initialSourceFolderAction", QStringLiteral("InDirDefault"), target,
                                &H::EditInitialSourceFolder);
    m.initialOutputFolderAction = command(owner, "initialOutputFolderAction", QStringLiteral("OutDirDefault"), target,
                                 &H::EditInitialOutputFolder);
    m.tempFolderAction = command(owner, "tempFolderAction", QStringLiteral("TmpDirDefault"), target,
                                 &H::EditTempFolder);
    m.initialFoldersMenu->addActions({m.initialSourceFolderAction, m.initialOutputFolderAction, m.tempFolderAction});

    m.optionsAction =
        command(owner, "optionsAction", QStringLiteral("(&O)ption"), target, &H::EditOptions);
    m.makeFolderAction = command(owner, "makeFolderAction", QStringLiteral("M(&k)dir"), target, &H::CreateFolder);
    m.helpAction = command(owner, "helpAction", QStringLiteral("(&H)elp"), target, &H::OpenHelp);
    m.aboutAction = command(owner, "aboutAction", QStringLiteral("(&A)bout"), target, &H::ShowAbout);
    return m;
}

}  // namespace qb::panes
