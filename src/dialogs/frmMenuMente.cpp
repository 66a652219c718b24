#include "frmMenuMente.h"

#include "FormPlacement.h"
#include "Messages.h"
#include "SharedFont.h"
#include "UiSeams.h"

#include "common/basQuill.h"
#include "engine/Options.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

using qb::ui::Quill;

namespace {

QPushButton* makeButton(QWidget* parent, const char* name)
{
    auto* button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

QString shortForm(const QString& path)
{
    return QString::fromStdString(basQuill::ShortDisplayPath(path.toStdString()));
}

}  // namespace

frmMenuMente::frmMenuMente(const qb::engine::Options& options, QWidget* parent)
    : QDialog(parent), m_options(options)
{
    setObjectName(QStringLiteral("frmMenuMente"));
    setModal(true);

    lbxMenu = new QListWidget(this);
    lbxMenu->setObjectName(QStringLiteral("lbxMenu"));
    lbxMenu->setSelectionMode(QAbstractItemView::SingleSelection);
    txtDir = new QLineEdit(this);
    txtDir->setObjectName(QStringLiteral("txtDir"));
    txtDir->setReadOnly(true);
    btnName = makeButton(this, "btnName");
    btnUp = makeButton(this, "btnUp");
    btnDown = makeButton(this, "btnDown");
    btnDel = makeButton(this, "btnDel");
    btnDelAll = makeButton(this, "btnDelAll");
    btnOk = makeButton(this, "btnOk");
    btnCancel = makeButton(this, "btnCancel");

    // The four list buttons carry pictures only.
    btnUp->setIcon(style()->standardIcon(QStyle::SP_ArrowUp));
    btnDown->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    btnDel->setIcon(style()->standardIcon(QStyle::SP_TrashIcon));
    btnDelAll->setIcon(style()->standardIcon(QStyle::SP_DialogDiscardButton));

    auto* side = new QVBoxLayout;
    side->addWidget(btnUp);
    side->addWidget(btnDown);
    side->addSpacing(12);
    side->addWidget(btnDel);
    side->addWidget(btnDelAll);
    side->addStretch();
    auto* listRow = new QHBoxLayout;
    listRow->addWidget(lbxMenu, 1);
    listRow->addLayout(side);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(txtDir, 1);
    nameRow->addWidget(btnName);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(listRow, 1);
    layout->addLayout(nameRow);
    layout->addLayout(buttons);

    connect(lbxMenu, &QListWidget::itemClicked, this, [this] { lbxMenu_Click(); });
    connect(lbxMenu, &QListWidget::currentRowChanged, this, [this] { ShowSelectedFolder(); });
    connect(btnName, &QPushButton::clicked, this, [this] { btnName_Click(); });
    connect(btnUp, &QPushButton::clicked, this, [this] { btnUp_Click(); });
    connect(btnDown, &QPushButton::clicked, this, [this] { btnDown_Click(); });
    connect(btnDel, &QPushButton::clicked, this, [this] { btnDel_Click(); });
    connect(btnDelAll, &QPushButton::clicked, this, [this] { btnDelAll_Click(); });
    connect(btnOk, &QPushButton::clicked, this, [this] { btnOk_Click(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancel_Click(); });

    // Load: position, font, captions, tooltips, empty slots.
    resize(qb::ui::TwipsToPixels(5400), qb::ui::TwipsToPixels(4200));
    qb::ui::RestoreFormPosition(this, "MenuMente");
    SetFontData();
    btnName->setText(Quill(kSharedRenameButton));
    btnOk->setText(Quill(kSharedOkButton));
    btnCancel->setText(Quill(kSharedCancelButton));
    SetToolTip(m_options.Tip);
    for (int i = 0; i < kSlots; ++i)
        Set_Menu(i, QString(), QString());
}

void frmMenuMente::Set_Menu(int intIndex, const QString& strName, const QString& strDir)
{
    if (intIndex < 0 || intIndex >= kSlots)
        return;
    m_name[intIndex] = strName;
    m_dir[intIndex] = strDir;
}

void frmMenuMente::Get_Menu(int intIndex, QString& strName, QString& strDir) const
{
    if (intIndex < 0 || intIndex >= lbxMenu->count() || intIndex >= kSlots) {
        strName.clear();
        strDir.clear();
        return;
    }
    strName = m_name[intIndex];
    strDir = m_dir[intIndex];
}

int frmMenuMente::MenuCount() const
{
    return lbxMenu->count() - 1;
}

void frmMenuMente::SetToolTip(bool blnToolTip)
{
    const auto tip = [blnToolTip](int code) { return blnToolTip ? Quill(code) : QString(); };
    btnOk->setToolTip(tip(kSharedOkButtonTip));
    btnCancel->setToolTip(tip(kSharedCancelButtonTip));
    btnName->setToolTip(tip(kSharedRenameTip));
    txtDir->setToolTip(tip(kSharedAliasFolderTip));
    lbxMenu->setToolTip(tip(kSharedAliasListTip));
    btnUp->setToolTip(tip(kSharedMoveUpTip));
    btnDown->setToolTip(tip(kSharedMoveDownTip));
    btnDel->setToolTip(tip(kSharedDeleteTip));
    btnDelAll->setToolTip(tip(kSharedDeleteAllTip));
}

void frmMenuMente::SetFontData()
{
    qb::ui::ApplySharedFont(m_options, {this, btnOk, btnCancel, btnName, txtDir, lbxMenu});
}

bool frmMenuMente::ShowModal()
{
    exec();
    return pblnOk;
}

void frmMenuMente::SavePosition()
{
    qb::ui::SaveFormPosition(this, "MenuMente");
}

void frmMenuMente::showEvent(QShowEvent* event)
{
    Form_Activate();
    QDialog::showEvent(event);
}

void frmMenuMente::closeEvent(QCloseEvent* event)
{
    // The close box discards the edits, as Cancel does, and keeps the position.
    pblnOk = false;
    SavePosition();
    QDialog::closeEvent(event);
}

void frmMenuMente::Form_Activate()
{
    pblnOk = false;
    setWindowTitle(pstr_Me_Caption + Quill(kSharedAliasesCaption));
    {
        const QSignalBlocker block(lbxMenu);
        lbxMenu->clear();
        for (int i = 0; i < kSlots && !m_name[i].isEmpty() && !m_dir[i].isEmpty(); ++i)
            lbxMenu->addItem(m_name[i]);
        if (lbxMenu->count() > 0)
            lbxMenu->setCurrentRow(0);
    }
    ShowSelectedFolder();
    EnableListControls();
    if (lbxMenu->isEnabled())
        lbxMenu->setFocus();
    else
        btnCancel->setFocus();
}

void frmMenuMente::ShowSelectedFolder()
{
    const int k = lbxMenu->currentRow();
    txtDir->setText(k >= 0 && k < lbxMenu->count() && k < kSlots ? shortForm(m_dir[k]) : QString());
}

void frmMenuMente::lbxMenu_Click()
{
    ShowSelectedFolder();
}

void frmMenuMente::btnName_Click()
{
    const int entries = lbxMenu->count();
    const int k = lbxMenu->currentRow();
    if (entries == 0 || k < 0 || k >= kSlots)
        return;
    const auto answer =
        qb::ui::InputText(this, Quill(kSharedRenameCaption), Quill(kSharedRenamePrompt), m_name[k]);
    if (!answer || answer->isEmpty() || *answer == m_name[k])
        return;
    for (int i = 0; i < entries && i < kSlots; ++i) {
        if (m_name[i] == *answer) {
            qb::ui::ShowMessage(this, Quill(kSharedRenameExists));
            return;
        }
    }
    m_name[k] = *answer;
    lbxMenu->item(k)->setText(*answer);
}

void frmMenuMente::SwapSlots(int a, int b)
{
    std::swap(m_name[a], m_name[b]);
    std::swap(m_dir[a], m_dir[b]);
}

void frmMenuMente::btnUp_Click()
{
    const int k = lbxMenu->currentRow();
    if (lbxMenu->count() == 0 || k < 1 || k >= kSlots)
        return;
    const QSignalBlocker block(lbxMenu);
    lbxMenu->insertItem(k - 1, lbxMenu->takeItem(k));
    SwapSlots(k, k - 1);
    lbxMenu->setCurrentRow(k - 1);
    ShowSelectedFolder();
}

void frmMenuMente::btnDown_Click()
{
    const int k = lbxMenu->currentRow();
    if (lbxMenu->count() == 0 || k < 0 || k > lbxMenu->count() - 2 || k + 1 >= kSlots)
        return;
    const QSignalBlocker block(lbxMenu);
    lbxMenu->insertItem(k + 1, lbxMenu->takeItem(k));
    SwapSlots(k, k + 1);
    lbxMenu->setCurrentRow(k + 1);
    ShowSelectedFolder();
}

void frmMenuMente::btnDel_Click()
{
    const int k = lbxMenu->currentRow();
    if (lbxMenu->count() == 0 || k < 0 || k >= kSlots)
        return;
    {
        const QSignalBlocker block(lbxMenu);
        delete lbxMenu->takeItem(k);
        for (int i = k; i + 1 < kSlots; ++i) {
            m_name[i] = m_name[i + 1];
            m_dir[i] = m_dir[i + 1];
        }
        m_name[kSlots - 1].clear();
        m_dir[kSlots - 1].clear();
        if (lbxMenu->count() > 0)
            lbxMenu->setCurrentRow(k < lbxMenu->count() ? k : lbxMenu->count() - 1);
    }
    ShowSelectedFolder();
    EnableListControls();
}

void frmMenuMente::btnDelAll_Click()
{
    if (lbxMenu->count() == 0)
        return;
    {
        const QSignalBlocker block(lbxMenu);
        lbxMenu->clear();
    }
    txtDir->clear();
    for (int i = 0; i < kSlots; ++i)
        Set_Menu(i, QString(), QString());
    EnableListControls();
}

void frmMenuMente::btnOk_Click()
{
    pblnOk = true;
    done(QDialog::Accepted);
}

void frmMenuMente::btnCancel_Click()
{
    done(QDialog::Rejected);
}

void frmMenuMente::EnableListControls()
{
    const bool any = lbxMenu->count() > 0;
    for (QWidget* control : {static_cast<QWidget*>(txtDir), static_cast<QWidget*>(lbxMenu),
                             static_cast<QWidget*>(btnUp), static_cast<QWidget*>(btnDown),
                             static_cast<QWidget*>(btnDel), static_cast<QWidget*>(btnDelAll),
                             static_cast<QWidget*>(btnName)})
        control->setEnabled(any);
}
