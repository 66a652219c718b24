#include "FolderAliasDialog.h"

#include "FormPlacement.h"
#include "Messages.h"
#include "SharedFont.h"
#include "UiSeams.h"

#include "common/PathHelpers.h"
#include "engine/Options.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

using qb::ui::SharedMessageText;

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
    return QString::fromStdString(PathHelpers::ShortDisplayPath(path.toStdString()));
}

}  // namespace

FolderAliasDialog::FolderAliasDialog(const qb::engine::Options& options, QWidget* parent)
    : QDialog(parent), m_options(options)
{
    setObjectName(QStringLiteral("FolderAliasDialog"));
    setModal(true);

    aliasList = new QListWidget(this);
    aliasList->setObjectName(QStringLiteral("aliasList"));
    aliasList->setSelectionMode(QAbstractItemView::SingleSelection);
    folderPathBox = new QLineEdit(this);
    folderPathBox->setObjectName(QStringLiteral("folderPathBox"));
    folderPathBox->setReadOnly(true);
    renameButton = makeButton(this, "renameButton");
    moveUpButton = makeButton(this, "moveUpButton");
    moveDownButton = makeButton(this, "moveDownButton");
    removeButton = makeButton(this, "removeButton");
    removeAllButton = makeButton(this, "removeAllButton");
    okButton = makeButton(this, "okButton");
    cancelButton = makeButton(this, "cancelButton");

    // The four list buttons carry pictures only.
    moveUpButton->setIcon(style()->standardIcon(QStyle::SP_ArrowUp));
    moveDownButton->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    removeButton->setIcon(style()->standardIcon(QStyle::SP_TrashIcon));
    removeAllButton->setIcon(style()->standardIcon(QStyle::SP_DialogDiscardButton));

    auto* side = new QVBoxLayout;
    side->addWidget(moveUpButton);
    side->addWidget(moveDownButton);
    side->addSpacing(12);
    side->addWidget(removeButton);
    side->addWidget(removeAllButton);
    side->addStretch();
    auto* listRow = new QHBoxLayout;
    listRow->addWidget(aliasList, 1);
    listRow->addLayout(side);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(folderPathBox, 1);
    nameRow->addWidget(renameButton);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(listRow, 1);
    layout->addLayout(nameRow);
    layout->addLayout(buttons);

    connect(aliasList, &QListWidget::itemClicked, this, [this] { AliasClicked(); });
    connect(aliasList, &QListWidget::currentRowChanged, this, [this] { ShowSelectedFolder(); });
    connect(renameButton, &QPushButton::clicked, this, [this] { RenameSelected(); });
    connect(moveUpButton, &QPushButton::clicked, this, [this] { MoveSelectedUp(); });
    connect(moveDownButton, &QPushButton::clicked, this, [this] { MoveSelectedDown(); });
    connect(removeButton, &QPushButton::clicked, this, [this] { RemoveSelected(); });
    connect(removeAllButton, &QPushButton::clicked, this, [this] { RemoveAll(); });
    connect(okButton, &QPushButton::clicked, this, [this] { ApplyAndClose(); });
    connect(cancelButton, &QPushButton::clicked, this, [this] { DiscardAndClose(); });

    // Load: position, font, captions, tooltips, empty slots.
    resize(qb::ui::TwipsToPixels(5400), qb::ui::TwipsToPixels(4200));
    qb::ui::RestoreFormPosition(this, "MenuMente");
    SetFontData();
    renameButton->setText(SharedMessageText(kSharedRenameButton));
    okButton->setText(SharedMessageText(kSharedOkButton));
    cancelButton->setText(SharedMessageText(kSharedCancelButton));
    SetToolTip(m_options.ShowTooltips);
    for (int i = 0; i < kSlots; ++i)
        SetAlias(i, QString(), QString());
}

void FolderAliasDialog::SetAlias(int index, const QString& name, const QString& folder)
{
    if (index < 0 || index >= kSlots)
        return;
    m_name[index] = name;
    m_dir[index] = folder;
}

void FolderAliasDialog::GetAlias(int index, QString& name, QString& folder) const
{
    if (index < 0 || index >= aliasList->count() || index >= kSlots) {
        name.clear();
        folder.clear();
        return;
    }
    name = m_name[index];
    folder = m_dir[index];
}

int FolderAliasDialog::LastAliasIndex() const
{
    return aliasList->count() - 1;
}

void FolderAliasDialog::SetToolTip(bool on)
{
    const auto tip = [on](int code) { return on ? SharedMessageText(code) : QString(); };
    okButton->setToolTip(tip(kSharedOkButtonTip));
    cancelButton->setToolTip(tip(kSharedCancelButtonTip));
    renameButton->setToolTip(tip(kSharedRenameTip));
    folderPathBox->setToolTip(tip(kSharedAliasFolderTip));
    aliasList->setToolTip(tip(kSharedAliasListTip));
    moveUpButton->setToolTip(tip(kSharedMoveUpTip));
    moveDownButton->setToolTip(tip(kSharedMoveDownTip));
    removeButton->setToolTip(tip(kSharedDeleteTip));
    removeAllButton->setToolTip(tip(kSharedDeleteAllTip));
}

void FolderAliasDialog::SetFontData()
{
    qb::ui::ApplySharedFont(m_options, {this, okButton, cancelButton, renameButton, folderPathBox, aliasList});
}

bool FolderAliasDialog::ShowModal()
{
    exec();
    return okPressed;
}

void FolderAliasDialog::SavePosition()
{
    qb::ui::SaveFormPosition(this, "MenuMente");
}

void FolderAliasDialog::showEvent(QShowEvent* event)
{
    PrepareForShowing();
    QDialog::showEvent(event);
}

void FolderAliasDialog::closeEvent(QCloseEvent* event)
{
    // The close box discards the edits, as Cancel does, and keeps the position.
    okPressed = false;
    SavePosition();
    QDialog::closeEvent(event);
}

void FolderAliasDialog::PrepareForShowing()
{
    okPressed = false;
    setWindowTitle(ownerTitle + SharedMessageText(kSharedAliasesCaption));
    {
        const QSignalBlocker block(aliasList);
        aliasList->clear();
        for (int i = 0; i < kSlots && !m_name[i].isEmpty() && !m_dir[i].isEmpty(); ++i)
            aliasList->addItem(m_name[i]);
        if (aliasList->count() > 0)
            aliasList->setCurrentRow(0);
    }
    ShowSelectedFolder();
    EnableListControls();
    if (aliasList->isEnabled())
        aliasList->setFocus();
    else
        cancelButton->setFocus();
}

void FolderAliasDialog::ShowSelectedFolder()
{
    const int k = aliasList->currentRow();
    folderPathBox->setText(k >= 0 && k < aliasList->count() && k < kSlots ? shortForm(m_dir[k]) : QString());
}

void FolderAliasDialog::AliasClicked()
{
    ShowSelectedFolder();
}

void FolderAliasDialog::RenameSelected()
{
    const int entries = aliasList->count();
    const int k = aliasList->currentRow();
    if (entries == 0 || k < 0 || k >= kSlots)
        return;
    const auto answer =
        qb::ui::InputText(this, SharedMessageText(kSharedRenameCaption), SharedMessageText(kSharedRenamePrompt), m_name[k]);
    if (!answer || answer->isEmpty() || *answer == m_name[k])
        return;
    for (int i = 0; i < entries && i < kSlots; ++i) {
        if (m_name[i] == *answer) {
            qb::ui::ShowMessage(this, SharedMessageText(kSharedRenameExists));
            return;
        }
    }
    m_name[k] = *answer;
    aliasList->item(k)->setText(*answer);
}

void FolderAliasDialog::SwapSlots(int a, int b)
{
    std::swap(m_name[a], m_name[b]);
    std::swap(m_dir[a], m_dir[b]);
}

void FolderAliasDialog::MoveSelectedUp()
{
    const int k = aliasList->currentRow();
    if (aliasList->count() == 0 || k < 1 || k >= kSlots)
        return;
    const QSignalBlocker block(aliasList);
    aliasList->insertItem(k - 1, aliasList->takeItem(k));
    SwapSlots(k, k - 1);
    aliasList->setCurrentRow(k - 1);
    ShowSelectedFolder();
}

void FolderAliasDialog::MoveSelectedDown()
{
    const int k = aliasList->currentRow();
    if (aliasList->count() == 0 || k < 0 || k > aliasList->count() - 2 || k + 1 >= kSlots)
        return;
    const QSignalBlocker block(aliasList);
    aliasList->insertItem(k + 1, aliasList->takeItem(k));
    SwapSlots(k, k + 1);
    aliasList->setCurrentRow(k + 1);
    ShowSelectedFolder();
}

void FolderAliasDialog::RemoveSelected()
{
    const int k = aliasList->currentRow();
    if (aliasList->count() == 0 || k < 0 || k >= kSlots)
        return;
    {
        const QSignalBlocker block(aliasList);
        delete aliasList->takeItem(k);
        for (int i = k; i + 1 < kSlots; ++i) {
            m_name[i] = m_name[i + 1];
            m_dir[i] = m_dir[i + 1];
        }
        m_name[kSlots - 1].clear();
        m_dir[kSlots - 1].clear();
        if (aliasList->count() > 0)
            aliasList->setCurrentRow(k < aliasList->count() ? k : aliasList->count() - 1);
    }
    ShowSelectedFolder();
    EnableListControls();
}

void FolderAliasDialog::RemoveAll()
{
    if (aliasList->count() == 0)
        return;
    {
        const QSignalBlocker block(aliasList);
        aliasList->clear();
    }
    folderPathBox->clear();
    for (int i = 0; i < kSlots; ++i)
        SetAlias(i, QString(), QString());
    EnableListControls();
}

void FolderAliasDialog::ApplyAndClose()
{
    okPressed = true;
    done(QDialog::Accepted);
}

void FolderAliasDialog::DiscardAndClose()
{
    done(QDialog::Rejected);
}

void FolderAliasDialog::EnableListControls()
{
    const bool any = aliasList->count() > 0;
    for (QWidget* control : {static_cast<QWidget*>(folderPathBox), static_cast<QWidget*>(aliasList),
                             static_cast<QWidget*>(moveUpButton), static_cast<QWidget*>(moveDownButton),
                             static_cast<QWidget*>(removeButton), static_cast<QWidget*>(removeAllButton),
                             static_cast<QWidget*>(renameButton)})
        control->setEnabled(any);
}
