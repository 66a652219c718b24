#include "OptionsDialog.h"

#include "common/SharedMessages.h"
#include "common/ProgramMessages.h"
#include "dialogs/FormPlacement.h"
#include "dialogs/Messages.h"
#include "dialogs/SharedFont.h"
#include "dialogs/UiSeams.h"
#include "engine/Archivers.h"
#include "engine/Options.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <exception>

using qb::ui::SharedMessageText;
using qb::ui::ProgramMessageText;

namespace {

template<std::size_t N>
int firstChecked(const std::array<QRadioButton*, N>& buttons)
{
    for (std::size_t i = 0; i < N; ++i) {
        if (buttons[i]->isChecked())
            return static_cast<int>(i);
    }
    return -1;
}

template<std::size_t N>
void selectIndex(const std::array<QRadioButton*, N>& buttons, int index)
{
    const int chosen = index >= 0 && index < static_cast<int>(N) ? index : 0;
    buttons[chosen]->setChecked(true);
}

// The code of names the buttons show for a stored value: the second button for 1, else the
// first, which is what any other value does.
int NameCodeButton(int stored)
{
    return stored == 1 ? 1 : 0;
}

// Writes the chosen button into a stored code of names only when it means something else, so
// that a value beyond the buttons survives applying the dialog.
void ApplyNameCode(int chosen, int& stored)
{
    if (chosen >= 0 && chosen != NameCodeButton(stored))
        stored = chosen;
}

}  // namespace

OptionsDialog::OptionsDialog(qb::engine::Options& options,
                     std::function<void(bool)> applyToolTipsEverywhere, QWidget* parent,
                     std::function<bool()> zipAvailable)
    : QDialog(parent), m_options(options), m_applyToolTips(std::move(applyToolTipsEverywhere)),
      m_zipAvailable(std::move(zipAvailable))
{
    try {
        setObjectName(QStringLiteral("OptionsDialog"));
        setModal(true);

        auto check = [this](const char* name) {
            auto* box = new QCheckBox(this);
            box->setObjectName(QLatin1String(name));
            connect(box, &QCheckBox::clicked, this, [this] { changed(); });
            return box;
        };
        auto radio = [this](QWidget* panel, const QString& name) {
            auto* button = new QRadioButton(panel);
            button->setObjectName(name);
            connect(button, &QRadioButton::clicked, this, [this] { changed(); });
            return button;
        };
        subfoldersBox = check("subfoldersBox");
        hiddenFilesBox = check("hiddenFilesBox");
        folderPathBox = check("folderPathBox");
        dropDriveBox = check("dropDriveBox");
        upperCaseBox = check("upperCaseBox");
        doubleCompressionBox = check("doubleCompressionBox");
        autoRunBox = check("autoRunBox");
        autoRunPanel = new QWidget(this);
        autoRunPanel->setObjectName(QStringLiteral("autoRunPanel"));
        for (int i = 0; i < 3; ++i)
            autoModeButtons[i] = radio(autoRunPanel, QStringLiteral("autoModeButton%1").arg(i));
        copyHistoryBox = check("copyHistoryBox");
        patternLabel = new QLabel(this);
        patternLabel->setObjectName(QStringLiteral("patternLabel"));
        patternPanel = new QWidget(this);
        patternPanel->setObjectName(QStringLiteral("patternPanel"));
        for (int i = 0; i < 4; ++i)
            patternButtons[i] = radio(patternPanel, QStringLiteral("patternButton%1").arg(i));
        formatLabel = new QLabel(this);
        formatLabel->setObjectName(QStringLiteral("formatLabel"));
        formatPanel = new QWidget(this);
        formatPanel->setObjectName(QStringLiteral("formatPanel"));
        for (int i = 0; i < 2; ++i)
            formatButtons[i] = radio(formatPanel, QStringLiteral("formatButton%1").arg(i));
        resizePanesBox = check("resizePanesBox");
        toolTipsBox = check("toolTipsBox");
        testArchiveBox = check("testArchiveBox");
        syncArchiveBox = check("syncArchiveBox");
        lzhNamesLabel = new QLabel(this);
        lzhNamesLabel->setObjectName(QStringLiteral("lzhNamesLabel"));
        lzhNamesPanel = new QWidget(this);
        lzhNamesPanel->setObjectName(QStringLiteral("lzhNamesPanel"));
        for (int i = 0; i < 2; ++i)
            lzhNamesButtons[i] = radio(lzhNamesPanel, QStringLiteral("lzhNamesButton%1").arg(i));
        zipNamesLabel = new QLabel(this);
        zipNamesLabel->setObjectName(QStringLiteral("zipNamesLabel"));
        zipNamesPanel = new QWidget(this);
        zipNamesPanel->setObjectName(QStringLiteral("zipNamesPanel"));
        for (int i = 0; i < 2; ++i)
            zipNamesButtons[i] = radio(zipNamesPanel, QStringLiteral("zipNamesButton%1").arg(i));
        defaultsButton = new QPushButton(this);
        defaultsButton->setObjectName(QStringLiteral("defaultsButton"));
        cancelButton = new QPushButton(this);
        cancelButton->setObjectName(QStringLiteral("cancelButton"));
        okButton = new QPushButton(this);
        okButton->setObjectName(QStringLiteral("okButton"));
        for (QPushButton* button : {defaultsButton, cancelButton, okButton})
            button->setAutoDefault(false);

        // Arrangement: the packing switches, the automatic run with its modes indented below
        // it, the format choices in two columns (double compression and the LZH names on the
        // left, the format of normal runs and the ZIP names on the right), then the two window
        // switches side by side and the buttons.
        const int indent = qb::ui::TwipsToPixels(300);
        auto* autoLayout = new QHBoxLayout(autoRunPanel);
        autoLayout->setContentsMargins(indent, 0, 0, 0);
        for (QRadioButton* button : autoModeButtons)
            autoLayout->addWidget(button);
        autoLayout->addStretch();
        // The four patterns two by two, the first stage's format by row: the dialog must stay
        // low enough for a 1280 x 1024 screen at twice the scale.
        auto* patternLayout = new QGridLayout(patternPanel);
        patternLayout->setContentsMargins(indent, 0, 0, 0);
        for (int i = 0; i < 4; ++i)
            patternLayout->addWidget(patternButtons[i], i / 2, i % 2);
        auto* formatLayout = new QVBoxLayout(formatPanel);
        formatLayout->setContentsMargins(indent, 0, 0, 0);
        for (QRadioButton* button : formatButtons)
            formatLayout->addWidget(button);
        formatLayout->addStretch();
        for (auto [panel, buttons] : {std::pair{lzhNamesPanel, &lzhNamesButtons},
                                      std::pair{zipNamesPanel, &zipNamesButtons}}) {
            auto* column = new QVBoxLayout(panel);
            column->setContentsMargins(indent, 0, 0, 0);
            for (QRadioButton* button : *buttons)
                column->addWidget(button);
        }

        auto* dropDriveRow = new QHBoxLayout;
        dropDriveRow->setContentsMargins(indent, 0, 0, 0);
        dropDriveRow->addWidget(dropDriveBox);
        auto* logRow = new QHBoxLayout;
        logRow->setContentsMargins(indent, 0, 0, 0);
        logRow->addWidget(copyHistoryBox);
        auto* choices = new QGridLayout;
        choices->setHorizontalSpacing(qb::ui::TwipsToPixels(600));
        choices->setVerticalSpacing(0);
        choices->addWidget(patternLabel, 0, 0);
        choices->addWidget(patternPanel, 1, 0, Qt::AlignTop);
        choices->addWidget(formatLabel, 0, 1);
        choices->addWidget(formatPanel, 1, 1, Qt::AlignTop);
        choices->setRowMinimumHeight(2, qb::ui::TwipsToPixels(120));
        choices->addWidget(lzhNamesLabel, 3, 0);
        choices->addWidget(lzhNamesPanel, 4, 0, Qt::AlignTop);
        choices->addWidget(zipNamesLabel, 3, 1);
        choices->addWidget(zipNamesPanel, 4, 1, Qt::AlignTop);
        choices->setColumnStretch(2, 1);
        auto* buttons = new QHBoxLayout;
        buttons->addWidget(defaultsButton);
        buttons->addStretch();
        buttons->addWidget(cancelButton);
        buttons->addWidget(okButton);

        auto* layout = new QVBoxLayout(this);
        layout->setSizeConstraint(QLayout::SetFixedSize);
        for (QWidget* box : {subfoldersBox, hiddenFilesBox, folderPathBox})
            layout->addWidget(box);
        layout->addLayout(dropDriveRow);
        layout->addWidget(upperCaseBox);
        layout->addWidget(doubleCompressionBox);
        layout->addWidget(testArchiveBox);
        layout->addWidget(syncArchiveBox);
        layout->addWidget(autoRunBox);
        layout->addWidget(autoRunPanel);
        layout->addLayout(logRow);
        layout->addSpacing(qb::ui::TwipsToPixels(120));
        layout->addLayout(choices);
        layout->addSpacing(qb::ui::TwipsToPixels(120));
        auto* windowRow = new QHBoxLayout;
        windowRow->addWidget(resizePanesBox);
        windowRow->addSpacing(qb::ui::TwipsToPixels(300));
        windowRow->addWidget(toolTipsBox);
        windowRow->addStretch();
        layout->addLayout(windowRow);
        layout->addSpacing(qb::ui::TwipsToPixels(120));
        layout->addLayout(buttons);

        connect(folderPathBox, &QCheckBox::clicked, this, [this] { UpdateDropDriveVisibility(); });
        connect(autoRunBox, &QCheckBox::clicked, this, [this] { UpdateAutoVisibility(); });
        connect(defaultsButton, &QPushButton::clicked, this, [this] { ResetToDefaults(); });
        connect(okButton, &QPushButton::clicked, this, [this] { ApplyAndClose(); });
        connect(cancelButton, &QPushButton::clicked, this, [this] { DiscardAndClose(); });

        // Load: position, font, title and captions, tooltips.
        qb::ui::RestoreFormPosition(this, "Option");
        SetFontData();
        setWindowTitle(ProgramMessageText(kCaptionOption));
        const std::pair<QAbstractButton*, QString> captions[] = {
            {subfoldersBox, ProgramMessageText(kCaptionOptionSubDir)},
            {hiddenFilesBox, ProgramMessageText(kCaptionOptionIncludeHidden)},
            {folderPathBox, ProgramMessageText(kCaptionOptionOwnFolderPath)},
            {dropDriveBox, ProgramMessageText(kCaptionOptionNoLeadingBackslash)},
            {upperCaseBox, ProgramMessageText(kCaptionOptionUCase)},
            {doubleCompressionBox, ProgramMessageText(kCaptionOptionDouble)},
            {autoRunBox, ProgramMessageText(kCaptionOptionAuto)},
            {autoModeButtons[0], ProgramMessageText(kCaptionOptionAutoNormal)},
            {autoModeButtons[1], ProgramMessageText(kCaptionOptionAutoStored)},
            {autoModeButtons[2], ProgramMessageText(kCaptionOptionAutoDouble)},
            {copyHistoryBox, SharedMessageText(kSharedCopyHistoryBox)},
            {patternButtons[0], ProgramMessageText(kCaptionOptionPatternLzhLzh)},
            {patternButtons[1], ProgramMessageText(kCaptionOptionPatternLzhZip)},
            {patternButtons[2], ProgramMessageText(kCaptionOptionPatternZipLzh)},
            {patternButtons[3], ProgramMessageText(kCaptionOptionPatternZipZip)},
            {formatButtons[0], ProgramMessageText(kCaptionOptionFormatLzh)},
            {formatButtons[1], ProgramMessageText(kCaptionOptionFormatZip)},
            {resizePanesBox, SharedMessageText(kSharedResizeBox)},
            {toolTipsBox, SharedMessageText(kSharedToolTipBox)},
            {defaultsButton, SharedMessageText(kSharedDefaultsButton)},
            {cancelButton, SharedMessageText(kSharedCancelButton)},
            {okButton, SharedMessageText(kSharedOkButton)},
            {testArchiveBox, ProgramMessageText(kCaptionOptionTestArchive)},
            {syncArchiveBox, ProgramMessageText(kCaptionOptionSyncArchive)},
            {lzhNamesButtons[0], ProgramMessageText(kCaptionOptionLzhNamesAuto)},
            {lzhNamesButtons[1], ProgramMessageText(kCaptionOptionLzhNamesUtf8)},
            {zipNamesButtons[0], ProgramMessageText(kCaptionOptionZipNamesUtf8)},
            {zipNamesButtons[1], ProgramMessageText(kCaptionOptionZipNamesCp932)},
        };
        for (const auto& [control, caption] : captions)
            control->setText(caption);
        patternLabel->setText(ProgramMessageText(kCaptionOptionPattern));
        formatLabel->setText(ProgramMessageText(kCaptionOptionFormat));
        lzhNamesLabel->setText(ProgramMessageText(kCaptionOptionLzhNames));
        zipNamesLabel->setText(ProgramMessageText(kCaptionOptionZipNames));
        SetToolTip(m_options.ShowTooltips);
    } catch (const std::exception&) {
        qb::ui::LoadFailed(this, QStringLiteral("Quillbox2 frmOption Form_Load ERR"));
    }
}

void OptionsDialog::SetToolTip(bool on)
{
    const std::pair<QWidget*, QString> tips[] = {
        {subfoldersBox, ProgramMessageText(kTipOptionSubDir)},
        {hiddenFilesBox, ProgramMessageText(kTipOptionIncludeHidden)},
        {folderPathBox, ProgramMessageText(kTipOptionOwnFolderPath)},
        {dropDriveBox, ProgramMessageText(kTipOptionNoLeadingBackslash)},
        {upperCaseBox, ProgramMessageText(kTipOptionUCase)},
        {doubleCompressionBox, ProgramMessageText(kTipOptionDouble)},
        {autoRunBox, ProgramMessageText(kTipOptionAuto)},
        {autoModeButtons[0], ProgramMessageText(kTipOptionAutoNormal)},
        {autoModeButtons[1], ProgramMessageText(kTipOptionAutoStored)},
        {autoModeButtons[2], ProgramMessageText(kTipOptionAutoDouble)},
        {copyHistoryBox, SharedMessageText(kSharedCopyHistoryTip)},
        {patternButtons[0], ProgramMessageText(kTipOptionPatternLzhLzh)},
        {patternButtons[1], ProgramMessageText(kTipOptionPatternLzhZip)},
        {patternButtons[2], ProgramMessageText(kTipOptionPatternZipLzh)},
        {patternButtons[3], ProgramMessageText(kTipOptionPatternZipZip)},
        {formatButtons[0], ProgramMessageText(kTipOptionFormatLzh)},
        {formatButtons[1], ProgramMessageText(kTipOptionFormatZip)},
        {resizePanesBox, SharedMessageText(kSharedResizeTip)},
        {toolTipsBox, SharedMessageText(kSharedToolTipTip)},
        {defaultsButton, SharedMessageText(kSharedDefaultsTip)},
        {cancelButton, SharedMessageText(kSharedCancelButtonTip)},
        {okButton, SharedMessageText(kSharedOkButtonTip)},
        {testArchiveBox, ProgramMessageText(kTipOptionTestArchive)},
        {syncArchiveBox, ProgramMessageText(kTipOptionSyncArchive)},
        {lzhNamesButtons[0], ProgramMessageText(kTipOptionLzhNamesAuto)},
        {lzhNamesButtons[1], ProgramMessageText(kTipOptionLzhNamesUtf8)},
        {zipNamesButtons[0], ProgramMessageText(kTipOptionZipNamesUtf8)},
        {zipNamesButtons[1], ProgramMessageText(kTipOptionZipNamesCp932)},
    };
    for (const auto& [control, tip] : tips)
        control->setToolTip(on ? tip : QString());
}

void OptionsDialog::SetFontData()
{
    const QFont font = qb::ui::SharedFont(m_options);
    setFont(font);
    for (QWidget* control : findChildren<QWidget*>()) {
        if (qobject_cast<QAbstractButton*>(control) || qobject_cast<QLabel*>(control))
            control->setFont(font);
    }
}

bool OptionsDialog::ShowModal()
{
    m_applied = false;
    exec();
    return m_applied;
}

void OptionsDialog::SavePosition()
{
    qb::ui::SaveFormPosition(this, "Option");
}

void OptionsDialog::showEvent(QShowEvent* event)
{
    PrepareForShowing();
    QDialog::showEvent(event);
}

void OptionsDialog::closeEvent(QCloseEvent* event)
{
    // The close box discards the changes, as Cancel does.
    SavePosition();
    QDialog::closeEvent(event);
}

void OptionsDialog::PrepareForShowing()
{
    m_applied = false;
    ShowOptionValues();
    EnableZipChoices();
    okButton->setEnabled(false);
}

void OptionsDialog::ShowOptionValues()
{
    const qb::engine::Options& o = m_options;
    subfoldersBox->setChecked(BoolToCheck(o.IncludeSubfolders) == 1);
    hiddenFilesBox->setChecked(BoolToCheck(o.IncludeHidden) == 1);
    folderPathBox->setChecked(BoolToCheck(o.StoreFolderPath) == 1);
    dropDriveBox->setChecked(BoolToCheck(o.OmitDrive) == 1);
    UpdateDropDriveVisibility();
    upperCaseBox->setChecked(BoolToCheck(o.UpperCaseNames) == 1);
    doubleCompressionBox->setChecked(BoolToCheck(o.UpdateDoubleArchives) == 1);
    autoRunBox->setChecked(BoolToCheck(o.AutoRun) == 1);
    UpdateAutoVisibility();
    selectIndex(autoModeButtons, o.AutoRunMode);
    copyHistoryBox->setChecked(BoolToCheck(o.CopyHistoryAfterAutoRun) == 1);
    selectIndex(patternButtons, o.DoublePattern);
    selectIndex(formatButtons, o.ArchiveFormat);
    resizePanesBox->setChecked(BoolToCheck(o.PanesFollowWindow) == 1);
    toolTipsBox->setChecked(BoolToCheck(o.ShowTooltips) == 1);
    testArchiveBox->setChecked(o.TestArchive);
    syncArchiveBox->setChecked(o.SyncArchive);
    lzhNamesButtons[NameCodeButton(o.LzhNameCode)]->setChecked(true);
    zipNamesButtons[NameCodeButton(o.ZipNameCode)]->setChecked(true);
}

void OptionsDialog::EnableZipChoices()
{
    const bool zip = m_zipAvailable ? m_zipAvailable() : qb::engine::Modules.ZipAvailable;
    for (int i = 1; i < 4; ++i)
        patternButtons[i]->setEnabled(zip);
    formatButtons[1]->setEnabled(zip);
    // The code of ZIP names means nothing without the modules; it keeps its value.
    zipNamesLabel->setEnabled(zip);
    zipNamesPanel->setEnabled(zip);
    if (zip)
        return;
    // Without the ZIP modules no ZIP choice can run, so the options fall back to LZH at once.
    m_options.DoublePattern = 0;
    patternButtons[0]->setChecked(true);
    m_options.ArchiveFormat = 0;
    formatButtons[0]->setChecked(true);
}

void OptionsDialog::UpdateDropDriveVisibility()
{
    dropDriveBox->setVisible(folderPathBox->isChecked());
}

void OptionsDialog::UpdateAutoVisibility()
{
    autoRunPanel->setVisible(autoRunBox->isChecked());
    copyHistoryBox->setVisible(autoRunBox->isChecked());
}

void OptionsDialog::changed()
{
    okButton->setEnabled(true);
}

void OptionsDialog::ResetToDefaults()
{
    okButton->setEnabled(true);
    ResetOptionControls();
}

void OptionsDialog::ResetOptionControls()
{
    subfoldersBox->setChecked(true);
    hiddenFilesBox->setChecked(false);
    folderPathBox->setChecked(false);
    dropDriveBox->setChecked(true);
    UpdateDropDriveVisibility();
    upperCaseBox->setChecked(true);
    doubleCompressionBox->setChecked(false);
    autoRunBox->setChecked(false);
    UpdateAutoVisibility();
    copyHistoryBox->setChecked(true);
    autoModeButtons[0]->setChecked(true);
    patternButtons[0]->setChecked(true);
    formatButtons[0]->setChecked(true);
    resizePanesBox->setChecked(true);
    toolTipsBox->setChecked(true);
    testArchiveBox->setChecked(false);
    syncArchiveBox->setChecked(false);
    lzhNamesButtons[0]->setChecked(true);
    zipNamesButtons[0]->setChecked(true);
}

void OptionsDialog::ApplyOptions()
{
    qb::engine::Options& o = m_options;
    const auto value = [](const QCheckBox* box) { return CheckToBool(box->isChecked() ? 1 : 0); };
    o.IncludeSubfolders = value(subfoldersBox);
    o.IncludeHidden = value(hiddenFilesBox);
    o.StoreFolderPath = value(folderPathBox);
    o.OmitDrive = value(dropDriveBox);
    o.UpperCaseNames = value(upperCaseBox);
    o.UpdateDoubleArchives = value(doubleCompressionBox);
    o.AutoRun = value(autoRunBox);
    if (const int exe = firstChecked(autoModeButtons); exe >= 0)
        o.AutoRunMode = exe;
    o.CopyHistoryAfterAutoRun = value(copyHistoryBox);
    if (const int pattern = firstChecked(patternButtons); pattern >= 0)
        o.DoublePattern = pattern;
    if (const int format = firstChecked(formatButtons); format >= 0)
        o.ArchiveFormat = format;
    o.PanesFollowWindow = value(resizePanesBox);
    o.TestArchive = value(testArchiveBox);
    o.SyncArchive = value(syncArchiveBox);
    ApplyNameCode(firstChecked(lzhNamesButtons), o.LzhNameCode);
    ApplyNameCode(firstChecked(zipNamesButtons), o.ZipNameCode);
    const bool tip = value(toolTipsBox);
    if (tip != o.ShowTooltips) {
        o.ShowTooltips = tip;
        if (m_applyToolTips)
            m_applyToolTips(tip);
        else
            SetToolTip(tip);
    }
    m_applied = true;
}

void OptionsDialog::ApplyAndClose()
{
    ApplyOptions();
    done(QDialog::Accepted);
}

void OptionsDialog::DiscardAndClose()
{
    done(QDialog::Rejected);
}
