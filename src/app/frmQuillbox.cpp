#include "frmQuillbox.h"

#include <QMdiArea>

frmQuillbox::frmQuillbox(const QString &commandText, QWidget *parent)
    : QMainWindow(parent), m_commandText(commandText), m_mdi(new QMdiArea(this))
{
    setWindowTitle(QStringLiteral("Quillbox2 for Win32"));
    setCentralWidget(m_mdi);
}

frmQuillbox::~frmQuillbox() = default;
