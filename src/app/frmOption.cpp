#include "frmOption.h"

#include "dialogs/FormPlacement.h"
#include "dialogs/Messages.h"
#include "dialogs/SharedFont.h"
#include "dialogs/UiSeams.h"
#include "engine/Archivers.h"
#include "engine/Options.h"

#include <QCheckBox>
#include <QCloseEvent>
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

// Captions below 8040 are this program's texts, from 8042 on the family's shared ones; the
// newer options (8100 on) are this program's again.
QString text(int code)
{
    return code < 8040 || code >= 8100 ? Quillbox(code) : Quill(code);
}

template <std::size_t N>
int firstChecked(const std::array<QRadioButton *, N> &buttons)
{
    for (std::size_t i = 0; i < N; ++i) {
        if (buttons[i]->isChecked())
            return static_cast<int>(i);
    }
    return -1;
}

template <std::size_t N>
void selectIndex(const std::array<QRadioButton *, N> &buttons, int index)
{
    const int chosen = index >= 0 && index < static_cast<int>(N) ? index : 0;
    buttons[chosen]->setChecked(true);
}

} // namespace

frmOption::frmOption(qb::engine::Options& options,
                     std::function<void(bool)> applyToolTipsEverywhere, QWidget* parent,
                     std::function<bool()> zipAvailable)
    : QDialog(parent), m_options(options), m_applyToolTips(std::move(applyToolTipsEverywhere)),
      m_zipAvailable(std::move(zipAvailable))
{
    try {
        setObjectName(QStringLiteral("frmOption"));
        setModal(true);

        auto check = [this](const char *name) {
            auto *box = new QCheckBox(this);
            box->setObjectName(QLatin1String(name));
            connect(box, &QCheckBox::clicked, this, [this] { changed(); });
            return box;
        };
        auto radio = [this](QWidget *panel, const QString &name) {
            auto *button = new QRadioButton(panel);
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
        btnInit = new QPushButton(this);
        btnInit->setObjectName(QStringLiteral("btnInit"));
        btnCancel = new QPushButton(this);
        btnCancel->setObjectName(QStringLiteral("btnCancel"));
        btnOk = new QPushButton(this);
        btnOk->setObjectName(QStringLiteral("btnOk"));
        for (QPushButton *button : {btnInit, btnCancel, btnOk})
            button->setAutoDefault(false);

        // Arrangement: the packing switches, the automatic run with its modes indented below
        // it, the two format choices side by side, then the window switches and the buttons.
        const int indent = qb::ui::TwipsToPixels(300);
        auto *autoLayout = new QHBoxLayout(pnlAuto);
        autoLayout->setContentsMargins(indent, 0, 0, 0);
        for (QRadioButton *button : obtExe)
            autoLayout->addWidget(button);
        autoLayout->addStretch();
        auto *patternLayout = new QVBoxLayout(pnlPattern);
        patternLayout->setContentsMargins(indent, 0, 0, 0);
        for (QRadioButton *button : obtPattern)
            patternLayout->addWidget(button);
        auto *formatLayout = new QVBoxLayout(pnlAshukuExe);
        formatLayout->setContentsMargins(indent, 0, 0, 0);
        for (QRadioButton *button : obtAshukuExe)
            formatLayout->addWidget(button);
        formatLayout->addStretch();

        auto *habukuRow = new QHBoxLayout;
        habukuRow->setContentsMargins(indent, 0, 0, 0);
        habukuRow->addWidget(ckbHabuku);
        auto *logRow = new QHBoxLayout;
        logRow->setContentsMargins(indent, 0, 0, 0);
        logRow->addWidget(ckbLog);
        auto *patternColumn = new QVBoxLayout;
        patternColumn->addWidget(lblPattern);
        patternColumn->addWidget(pnlPattern);
        auto *formatColumn = new QVBoxLayout;
        formatColumn->addWidget(lblAshukuExe);
        formatColumn->addWidget(pnlAshukuExe);
        formatColumn->addStretch();
        auto *choices = new QHBoxLayout;
        choices->addLayout(patternColumn);
        choices->addSpacing(qb::ui::TwipsToPixels(600));
        choices->addLayout(formatColumn);
        choices->addStretch();
        auto *buttons = new QHBoxLayout;
        buttons->addWidget(btnInit);
        buttons->addStretch();
        buttons->addWidget(btnCancel);
        buttons->addWidget(btnOk);

        auto *layout = new QVBoxLayout(this);
        layout->setSizeConstraint(QLayout::SetFixedSize);
        for (QWidget *box : {ckbSubDir, ckbHiddn, ckbJibun})
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
        layout->addWidget(ckbResize);
        layout->addWidget(ckbTip);
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
        setWindowTitle(Quillbox(8000));
        const std::pair<QAbstractButton*, int> captions[] = {
            {ckbSubDir, 8001},       {ckbHiddn, 8002},        {ckbJibun, 8003},
            {ckbHabuku, 8015},       {ckbUCase, 8004},        {ckbDouble, 8005},
            {ckbAuto, 8006},         {obtExe[0], 8007},       {obtExe[1], 8008},
            {obtExe[2], 8009},       {ckbLog, 8060},          {obtPattern[0], 8011},
            {obtPattern[1], 8012},   {obtPattern[2], 8013},   {obtPattern[3], 8014},
            {obtAshukuExe[0], 8017}, {obtAshukuExe[1], 8018}, {ckbResize, 8056},
            {ckbTip, 8058},          {btnInit, 8042},         {btnCancel, 8043},
            {btnOk, 8044},           {ckbTestArchive, 8100},  {ckbSyncArchive, 8101},
        };
        for (const auto &[control, code] : captions)
            control->setText(text(code));
        lblPattern->setText(text(8010));
        lblAshukuExe->setText(text(8016));
        SetToolTip(m_options.Tip);
    } catch (const std::exception &) {
        qb::ui::LoadFailed(this, QStringLiteral("Quillbox2 frmOption Form_Load ERR"));
    }
}

void frmOption::SetToolTip(bool blnToolTip)
{
    const std::pair<QWidget*, int> tips[] = {
        {ckbSubDir, 8020},       {ckbHiddn, 8021},        {ckbJibun, 8022},
        {ckbHabuku, 8035},       {ckbUCase, 8023},        {ckbDouble, 8024},
        {ckbAuto, 8025},         {obtExe[0], 8026},       {obtExe[1], 8027},
        {obtExe[2], 8028},       {ckbLog, 8061},          {obtPattern[0], 8031},
        {obtPattern[1], 8032},   {obtPattern[2], 8033},   {obtPattern[3], 8034},
        {obtAshukuExe[0], 8037}, {obtAshukuExe[1], 8038}, {ckbResize, 8057},
        {ckbTip, 8059},          {btnInit, 8045},         {btnCancel, 8046},
        {btnOk, 8047},           {ckbTestArchive, 8110},  {ckbSyncArchive, 8111},
    };
    for (const auto &[control, code] : tips)
        control->setToolTip(blnToolTip ? text(code) : QString());
}

void frmOption::SetFontData()
{
    const QFont font = qb::ui::SharedFont(m_options);
    setFont(font);
    for (QWidget *control : findChildren<QWidget *>()) {
        if (qobject_cast<QAbstractButton *>(control) || qobject_cast<QLabel *>(control))
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

void frmOption::showEvent(QShowEvent *event)
{
    Form_Activate();
    QDialog::showEvent(event);
}

void frmOption::closeEvent(QCloseEvent *event)
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
}

void frmOption::EnableZipChoices()
{
    const bool zip = m_zipAvailable ? m_zipAvailable() : qb::engine::Modules.ZipAvailable;
    for (int i = 1; i < 4; ++i)
        obtPattern[i]->setEnabled(zip);
    obtAshukuExe[1]->setEnabled(zip);
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
}

void frmOption::ApplyOptions()
{
    qb::engine::Options& o = m_options;
    const auto value = [](const QCheckBox *box) { return CheckToBool(box->isChecked() ? 1 : 0); };
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
