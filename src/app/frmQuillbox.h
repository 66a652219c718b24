#pragma once
// The main window: a multiple-document frame holding the six panes, the run buttons along the
// top and the menu bar.

#include <QMainWindow>
#include <QString>

class QMdiArea;

class frmQuillbox : public QMainWindow
{
    Q_OBJECT
public:
    explicit frmQuillbox(const QString &commandText, QWidget *parent = nullptr);
    ~frmQuillbox() override;

    QMdiArea *mdiArea() const { return m_mdi; }

private:
    QString m_commandText;
    QMdiArea *m_mdi = nullptr;
};
