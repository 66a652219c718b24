#include "frmOption.h"

#include "common/resQuill.h"
#include "common/resQuillbox.h"
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

using qb::ui::Quill;
using qb::ui::Quillbox;

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

frmOption::frmOption(qb::engine::Options& options,
                     std::function<void(bool)> applyToolTipsEverywhere, QWidget* parent,
                     std::function<bool()> zipAvailable)
    : QDialog(parent), m_options(options), m_applyToolTips(std::move(applyToolTipsEverywhere)),
      m_zipAvailable(std::move(zipAvailable))
{
    try {
        setObjectName(QStringLiteral("frmOption"));
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
        ckbSubDir = check("ckbSubDir");
        ckbHiddn = check("ckbHiddn");
        ckbJibun = check("ckbJibun");
        ckbHabuku = check("ckbHabuku");
        ckbUCase = check("ckbUCase");
        ckbDouble = check("ckbDouble");
        ckbAuto = check("ckbAuto");
        pnlAuto = new QWidget(this);
        pnlAuto->setObjectName(QStringLiteral("pnlAuto"));
        for (int i = 0; i < 3; ++i)
            obtExe[i] = radio(pnlAuto, QStringLiteral("obtExe%1").arg(i));
        ckbLog = check("ckbLog");
        lblPattern = new QLabel(this);
        lblPattern->setObjectName(QStringLiteral("lblPattern"));
        pnlPattern = new QWidget(this);
        pnlPattern->setObjectName(QStringLiteral("pnlPattern"));
        for (int i = 0; i < 4; ++i)
            obtPattern[i] = radio(pnlPattern, QStringLiteral("obtPattern%1").arg(i));
        lblAshukuExe = new QLabel(this);
        lblAshukuExe->setObjectName(QStringLiteral("lblAshukuExe"));
        pnlAshukuExe = new QWidget(this);
        pnlAshukuExe->setObjectName(QStringLiteral("pnlAshukuExe"));
        for (int i = 0; i < 2; ++i)
            obtAshukuExe[i] = radio(pnlAshukuExe, QStringLiteral("obtAshukuExe%1").arg(i));
        ckbResize = check("ckbResize");
        ckbTip = check("ckbTip");
        ckbTestArchive = check("ckbTestArchive");
        ckbSyncArchive = check("ckbSyncArchive");
        lblLzhNameCode = new QLabel(this);
        lblLzhNameCode->setObjectName(QStringLiteral("lblLzhNameCode"));
        pnlLzhNameCode = new QWidget(this);
        pnlLzhNameCode->setObjectName(QStringLiteral("pnlLzhNameCode"));
        for (int i = 0; i < 2; ++i)
            obtLzhNameCode[i] = radio(pnlLzhNameCode, QStringLiteral("obtLzhNameCode%1").arg(i));
        lblZipNameCode = new QLabel(this);
        lblZipNameCode->setObjectName(QStringLiteral("lblZipNameCode"));
        pnlZipNameCode = new QWidget(this);
        pnlZipNameCode->setObjectName(QStringLiteral("pnlZipNameCode"));
        for (int i = 0; i < 2; ++i)
            obtZipNameCode[i] = radio(pnlZipNameCode, QStringLiteral("obtZipNameCode%1").arg(i));
        btnInit = new QPushButton(this);
        btnInit->setObjectName(QStringLiteral("btnInit"));
        btnCancel = new QPushButton(this);
        btnCancel->setObjectName(QStringLiteral("btnCancel"));
        btnOk = new QPushButton(this);
        btnOk->setObjectName(QStringLiteral("btnOk"));
        for (QPushButton* button : {btnInit, btnCancel, btnOk})
            button->setAutoDefault(false);

        // Arrangement: the packing switches, the automatic run with its modes indented below
        // it, the format choices in two columns (double compression and the LZH names on the
        // left, the format of normal runs and the ZIP names on the right), then the two window
        // switches side by side and the buttons.
        const int indent = qb::ui::TwipsToPixels(300);
        auto* autoLayout = new QHBoxLayout(pnlAuto);
        autoLayout->setContentsMargins(indent, 0, 0, 0);
        for (QRadioButton* button : obtExe)
            autoLayout->addWidget(button);
        autoLayout->addStretch();
        // The four patterns two by two, the first stage's format by row: the dialog must stay
        // low enough for a 1280 x 1024 screen at twice the scale.
        auto* patternLayout = new QGridLayout(pnlPattern);
        patternLayout->setContentsMargins(indent, 0, 0, 0);
        for (int i = 0; i < 4; ++i)
            patternLayout->addWidget(obtPattern[i], i / 2, i % 2);
        auto* formatLayout = new QVBoxLayout(pnlAshukuExe);
        formatLayout->setContentsMargins(indent, 0, 0, 0);
        for (QRadioButton* button : obtAshukuExe)
            formatLayout->addWidget(button);
        formatLayout->addStretch();
        for (auto [panel, buttons] : {std::pair{pnlLzhNameCode, &obtLzhNameCode},
                                      std::pair{pnlZipNameCode, &obtZipNameCode}}) {
            auto* column = new QVBoxLayout(panel);
            column->setContentsMargins(indent, 0, 0, 0);
            for (QRadioButton* button : *buttons)
                column->addWidget(button);
        }

        auto* habukuRow = new QHBoxLayout;
        habukuRow->setContentsMargins(indent, 0, 0, 0);
        habukuRow->addWidget(ckbHabuku);
        auto* logRow = new QHBoxLayout;
        logRow->setContentsMargins(indent, 0, 0, 0);
        logRow->addWidget(ckbLog);
        auto* choices = new QGridLayout;
        choices->setHorizontalSpacing(qb::ui::TwipsToPixels(600));
        choices->setVerticalSpacing(0);
        choices->addWidget(lblPattern, 0, 0);
        choices->addWidget(pnlPattern, 1, 0, Qt::AlignTop);
        choices->addWidget(lblAshukuExe, 0, 1);
        choices->addWidget(pnlAshukuExe, 1, 1, Qt::AlignTop);
        choices->setRowMinimumHeight(2, qb::ui::TwipsToPixels(120));
        choices->addWidget(lblLzhNameCode, 3, 0);
        choices->addWidget(pnlLzhNameCode, 4, 0, Qt::AlignTop);
        choices->addWidget(lblZipNameCode, 3, 1);
        choices->addWidget(pnlZipNameCode, 4, 1, Qt::AlignTop);
        choices->setColumnStretch(2, 1);
        auto* buttons = new QHBoxLayout;
        buttons->addWidget(btnInit);
        buttons->addStretch();
        buttons->addWidget(btnCancel);
        buttons->addWidget(btnOk);

        auto* layout = new QVBoxLayout(this);
        layout->setSizeConstraint(QLayout::SetFixedSize);
        for (QWidget* box : {ckbSubDir, ckbHiddn, ckbJibun})
            layout->addWidget(box);
        layout->addLayout(habukuRow);
        layout->addWidget(ckbUCase);
        layout->addWidget(ckbDouble);
        layout->addWidget(ckbTestArchive);
        layout->addWidget(ckbSyncArchive);
        layout->addWidget(ckbAuto);
        layout->addWidget(pnlAuto);
        layout->addLayout(logRow);
        layout->addSpacing(qb::ui::TwipsToPixels(120));
        layout->addLayout(choices);
        layout->addSpacing(qb::ui::TwipsToPixels(120));
        auto* windowRow = new QHBoxLayout;
        windowRow->addWidget(ckbResize);
        windowRow->addSpacing(qb::ui::TwipsToPixels(300));
        windowRow->addWidget(ckbTip);
        windowRow->addStretch();
        layout->addLayout(windowRow);
        layout->addSpacing(qb::ui::TwipsToPixels(120));
        layout->addLayout(buttons);

        connect(ckbJibun, &QCheckBox::clicked, this, [this] { UpdateHabukuVisibility(); });
        connect(ckbAuto, &QCheckBox::clicked, this, [this] { UpdateAutoVisibility(); });
        connect(btnInit, &QPushButton::clicked, this, [this] { btnInit_Click(); });
        connect(btnOk, &QPushButton::clicked, this, [this] { btnOk_Click(); });
        connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancel_Click(); });

        // Load: position, font, title and captions, tooltips.
        qb::ui::RestoreFormPosition(this, "Option");
        SetFontData();
        setWindowTitle(Quillbox(kCaptionOption));
        const std::pair<QAbstractButton*, QString> captions[] = {
            {ckbSubDir, Quillbox(kCaptionOptionSubDir)},
            {ckbHiddn, Quillbox(kCaptionOptionHiddn)},
            {ckbJibun, Quillbox(kCaptionOptionJibun)},
            {ckbHabuku, Quillbox(kCaptionOptionHabuku)},
            {ckbUCase, Quillbox(kCaptionOptionUCase)},
            {ckbDouble, Quillbox(kCaptionOptionDouble)},
            {ckbAuto, Quillbox(kCaptionOptionAuto)},
            {obtExe[0], Quillbox(kCaptionOptionAutoNormal)},
            {obtExe[1], Quillbox(kCaptionOptionAutoStored)},
            {obtExe[2], Quillbox(kCaptionOptionAutoDouble)},
            {ckbLog, Quill(kSharedCopyHistoryBox)},
            {obtPattern[0], Quillbox(kCaptionOptionPatternLzhLzh)},
            {obtPattern[1], Quillbox(kCaptionOptionPatternLzhZip)},
            {obtPattern[2], Quillbox(kCaptionOptionPatternZipLzh)},
            {obtPattern[3], Quillbox(kCaptionOptionPatternZipZip)},
            {obtAshukuExe[0], Quillbox(kCaptionOptionFormatLzh)},
            {obtAshukuExe[1], Quillbox(kCaptionOptionFormatZip)},
            {ckbResize, Quill(kSharedResizeBox)},
            {ckbTip, Quill(kSharedToolTipBox)},
            {btnInit, Quill(kSharedDefaultsButton)},
            {btnCancel, Quill(kSharedCancelButton)},
            {btnOk, Quill(kSharedOkButton)},
            {ckbTestArchive, Quillbox(kCaptionOptionTestArchive)},
            {ckbSyncArchive, Quillbox(kCaptionOptionSyncArchive)},
            {obtLzhNameCode[0], Quillbox(kCaptionOptionLzhNamesAuto)},
            {obtLzhNameCode[1], Quillbox(kCaptionOptionLzhNamesUtf8)},
            {obtZipNameCode[0], Quillbox(kCaptionOptionZipNamesUtf8)},
            {obtZipNameCode[1], Quillbox(kCaptionOptionZipNamesCp932)},
        };
        for (const auto& [control, caption] : captions)
            control->setText(caption);
        lblPattern->setText(Quillbox(kCaptionOptionPattern));
        lblAshukuExe->setText(Quillbox(kCaptionOptionFormat));
        lblLzhNameCode->setText(Quillbox(kCaptionOptionLzhNames));
        lblZipNameCode->setText(Quillbox(kCaptionOptionZipNames));
        SetToolTip(m_options.Tip);
    } catch (const std::exception&) {
        qb::ui::LoadFailed(this, QStringLiteral("Quillbox2 frmOption Form_Load ERR"));
    }
}

void frmOption::SetToolTip(bool blnToolTip)
{
    const std::pair<QWidget*, QString> tips[] = {
        {ckbSubDir, Quillbox(kTipOptionSubDir)},
        {ckbHiddn, Quillbox(kTipOptionHiddn)},
        {ckbJibun, Quillbox(kTipOptionJibun)},
        {ckbHabuku, Quillbox(kTipOptionHabuku)},
        {ckbUCase, Quillbox(kTipOptionUCase)},
        {ckbDouble, Quillbox(kTipOptionDouble)},
        {ckbAuto, Quillbox(kTipOptionAuto)},
        {obtExe[0], Quillbox(kTipOptionAutoNormal)},
        {obtExe[1], Quillbox(kTipOptionAutoStored)},
        {obtExe[2], Quillbox(kTipOptionAutoDouble)},
        {ckbLog, Quill(kSharedCopyHistoryTip)},
        {obtPattern[0], Quillbox(kTipOptionPatternLzhLzh)},
        {obtPattern[1], Quillbox(kTipOptionPatternLzhZip)},
        {obtPattern[2], Quillbox(kTipOptionPatternZipLzh)},
        {obtPattern[3], Quillbox(kTipOptionPatternZipZip)},
        {obtAshukuExe[0], Quillbox(kTipOptionFormatLzh)},
        {obtAshukuExe[1], Quillbox(kTipOptionFormatZip)},
        {ckbResize, Quill(kSharedResizeTip)},
        {ckbTip, Quill(kSharedToolTipTip)},
        {btnInit, Quill(kSharedDefaultsTip)},
        {btnCancel, Quill(kSharedCancelButtonTip)},
        {btnOk, Quill(kSharedOkButtonTip)},
        {ckbTestArchive, Quillbox(kTipOptionTestArchive)},
        {ckbSyncArchive, Quillbox(kTipOptionSyncArchive)},
        {obtLzhNameCode[0], Quillbox(kTipOptionLzhNamesAuto)},
        {obtLzhNameCode[1], Quillbox(kTipOptionLzhNamesUtf8)},
        {obtZipNameCode[0], Quillbox(kTipOptionZipNamesUtf8)},
        {obtZipNameCode[1], Quillbox(kTipOptionZipNamesCp932)},
    };
    for (const auto& [control, tip] : tips)
        control->setToolTip(blnToolTip ? tip : QString());
}

void frmOption::SetFontData()
{
    const QFont font = qb::ui::SharedFont(m_options);
    setFont(font);
    for (QWidget* control : findChildren<QWidget*>()) {
        if (qobject_cast<QAbstractButton*>(control) || qobject_cast<QLabel*>(control))
            control->setFont(font);
    }
}

bool frmOption::ShowModal()
{
    m_applied = false;
    exec();
    return m_applied;
}

void frmOption::SavePosition()
{
    qb::ui::SaveFormPosition(this, "Option");
}

void frmOption::showEvent(QShowEvent* event)
{
    Form_Activate();
    QDialog::showEvent(event);
}

void frmOption::closeEvent(QCloseEvent* event)
{
    // The close box discards the changes, as Cancel does.
    SavePosition();
    QDialog::closeEvent(event);
}

void frmOption::Form_Activate()
{
    m_applied = false;
    ShowOptionValues();
    EnableZipChoices();
    btnOk->setEnabled(false);
}

void frmOption::ShowOptionValues()
{
    const qb::engine::Options& o = m_options;
    ckbSubDir->setChecked(BoolToCheck(o.SubDir) == 1);
    ckbHiddn->setChecked(BoolToCheck(o.Hiddn) == 1);
    ckbJibun->setChecked(BoolToCheck(o.Jibun) == 1);
    ckbHabuku->setChecked(BoolToCheck(o.Habuku) == 1);
    UpdateHabukuVisibility();
    ckbUCase->setChecked(BoolToCheck(o.UCase) == 1);
    ckbDouble->setChecked(BoolToCheck(o.Double) == 1);
    ckbAuto->setChecked(BoolToCheck(o.Auto) == 1);
    UpdateAutoVisibility();
    selectIndex(obtExe, o.AutoExe);
    ckbLog->setChecked(BoolToCheck(o.AutoLog) == 1);
    selectIndex(obtPattern, o.Pattern);
    selectIndex(obtAshukuExe, o.AshukuExe);
    ckbResize->setChecked(BoolToCheck(o.Resize) == 1);
    ckbTip->setChecked(BoolToCheck(o.Tip) == 1);
    ckbTestArchive->setChecked(o.TestArchive);
    ckbSyncArchive->setChecked(o.SyncArchive);
    obtLzhNameCode[NameCodeButton(o.LzhNameCode)]->setChecked(true);
    obtZipNameCode[NameCodeButton(o.ZipNameCode)]->setChecked(true);
}

void frmOption::EnableZipChoices()
{
    const bool zip = m_zipAvailable ? m_zipAvailable() : qb::engine::Modules.ZipAvailable;
    for (int i = 1; i < 4; ++i)
        obtPattern[i]->setEnabled(zip);
    obtAshukuExe[1]->setEnabled(zip);
    // The code of ZIP names means nothing without the modules; it keeps its value.
    lblZipNameCode->setEnabled(zip);
    pnlZipNameCode->setEnabled(zip);
    if (zip)
        return;
    // Without the ZIP modules no ZIP choice can run, so the options fall back to LZH at once.
    m_options.Pattern = 0;
    obtPattern[0]->setChecked(true);
    m_options.AshukuExe = 0;
    obtAshukuExe[0]->setChecked(true);
}

void frmOption::UpdateHabukuVisibility()
{
    ckbHabuku->setVisible(ckbJibun->isChecked());
}

void frmOption::UpdateAutoVisibility()
{
    pnlAuto->setVisible(ckbAuto->isChecked());
    ckbLog->setVisible(ckbAuto->isChecked());
}

void frmOption::changed()
{
    btnOk->setEnabled(true);
}

void frmOption::btnInit_Click()
{
    btnOk->setEnabled(true);
    ResetOptionControls();
}

void frmOption::ResetOptionControls()
{
    ckbSubDir->setChecked(true);
    ckbHiddn->setChecked(false);
    ckbJibun->setChecked(false);
    ckbHabuku->setChecked(true);
    UpdateHabukuVisibility();
    ckbUCase->setChecked(true);
    ckbDouble->setChecked(false);
    ckbAuto->setChecked(false);
    UpdateAutoVisibility();
    ckbLog->setChecked(true);
    obtExe[0]->setChecked(true);
    obtPattern[0]->setChecked(true);
    obtAshukuExe[0]->setChecked(true);
    ckbResize->setChecked(true);
    ckbTip->setChecked(true);
    ckbTestArchive->setChecked(false);
    ckbSyncArchive->setChecked(false);
    obtLzhNameCode[0]->setChecked(true);
    obtZipNameCode[0]->setChecked(true);
}

void frmOption::ApplyOptions()
{
    qb::engine::Options& o = m_options;
    const auto value = [](const QCheckBox* box) { return CheckToBool(box->isChecked() ? 1 : 0); };
    o.SubDir = value(ckbSubDir);
    o.Hiddn = value(ckbHiddn);
    o.Jibun = value(ckbJibun);
    o.Habuku = value(ckbHabuku);
    o.UCase = value(ckbUCase);
    o.Double = value(ckbDouble);
    o.Auto = value(ckbAuto);
    if (const int exe = firstChecked(obtExe); exe >= 0)
        o.AutoExe = exe;
    o.AutoLog = value(ckbLog);
    if (const int pattern = firstChecked(obtPattern); pattern >= 0)
        o.Pattern = pattern;
    if (const int format = firstChecked(obtAshukuExe); format >= 0)
        o.AshukuExe = format;
    o.Resize = value(ckbResize);
    o.TestArchive = value(ckbTestArchive);
    o.SyncArchive = value(ckbSyncArchive);
    ApplyNameCode(firstChecked(obtLzhNameCode), o.LzhNameCode);
    ApplyNameCode(firstChecked(obtZipNameCode), o.ZipNameCode);
    const bool tip = value(ckbTip);
    if (tip != o.Tip) {
        o.Tip = tip;
        if (m_applyToolTips)
            m_applyToolTips(tip);
        else
            SetToolTip(tip);
    }
    m_applied = true;
}

void frmOption::btnOk_Click()
{
    ApplyOptions();
    done(QDialog::Accepted);
}

void frmOption::btnCancel_Click()
{
    done(QDialog::Rejected);
}
