#include "AboutDialog.h"

#include "dialogs/FormPlacement.h"
#include "dialogs/Messages.h"
#include "dialogs/SharedFont.h"
#include "dialogs/UiSeams.h"
#include "engine/Archivers.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

#include <exception>

using qb::ui::SharedMessageText;
using qb::ui::ProgramMessageText;

namespace {

const QString kProgramVersion = QStringLiteral("1.02");

// The program's picture: a box with a quill laid across it.
QPixmap programPicture()
{
    QPixmap picture(64, 64);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(90, 60, 30), 2));
    painter.setBrush(QColor(205, 160, 95));
    painter.drawRect(8, 30, 48, 28);
    painter.setBrush(QColor(230, 190, 125));
    QPolygonF lid;
    lid << QPointF(8, 30) << QPointF(18, 20) << QPointF(58, 20) << QPointF(56, 30);
    painter.drawPolygon(lid);
    QPainterPath quill;
    quill.moveTo(14, 50);
    quill.cubicTo(26, 26, 42, 10, 60, 4);
    quill.cubicTo(52, 18, 38, 34, 14, 50);
    painter.setPen(QPen(QColor(40, 40, 90), 1.5));
    painter.setBrush(QColor(245, 245, 250));
    painter.drawPath(quill);
    painter.drawLine(QPointF(14, 50), QPointF(8, 60));
    return picture;
}

QLineEdit* contactLine(QWidget* parent, const char* name, const QString& text)
{
    auto* line = new QLineEdit(text, parent);
    line->setObjectName(QLatin1String(name));
    line->setReadOnly(true);
    line->setFrame(false);
    return line;
}

}  // namespace

AboutDialog::Libraries AboutDialog::FoundLibraries()
{
    Libraries found;
    found.lzhAvailable = qb::engine::Modules.LzhAvailable;
    found.zipAvailable = qb::engine::Modules.ZipAvailable;
    found.lzhVersion = qb::engine::Modules.LzhVersion;
    found.unzipVersion = qb::engine::Modules.UnZipVersion;
    found.zipVersion = qb::engine::Modules.ZipVersion;
    return found;
}

AboutDialog::AboutDialog(const qb::engine::Options& options, QWidget* parent)
    : AboutDialog(options, FoundLibraries(), parent)
{ }

AboutDialog::AboutDialog(const qb::engine::Options& options, const Libraries& libraries, QWidget* parent)
    : QDialog(parent), m_options(options)
{
    try {
        setObjectName(QStringLiteral("AboutDialog"));
        setModal(true);

        pictureLabel = new QLabel(this);
        pictureLabel->setObjectName(QStringLiteral("pictureLabel"));
        pictureLabel->setPixmap(programPicture());
        auto label = [this](const char* name) {
            auto* l = new QLabel(this);
            l->setObjectName(QLatin1String(name));
            return l;
        };
        titleLabel = label("titleLabel");
        programNameLabel = label("programNameLabel");
        versionLabel = label("versionLabel");
        authorLabel = label("authorLabel");
        webAddressLine = contactLine(this, "webAddressLine", SharedMessageText(kSharedAuthorWeb));
        mailAddressLine = contactLine(this, "mailAddressLine", SharedMessageText(kSharedAuthorMail));
        authorIdLine = contactLine(this, "authorIdLine", SharedMessageText(kSharedAuthorId));
        for (int i = 0; i < 3; ++i) {
            moduleLabels[i] = label(QStringLiteral("moduleLabel%1").arg(i).toLatin1().constData());
            moduleVersionLabels[i] = label(QStringLiteral("moduleVersionLabel%1").arg(i).toLatin1().constData());
        }
        okButton = new QPushButton(QStringLiteral("OK"), this);
        okButton->setObjectName(QStringLiteral("okButton"));
        connect(okButton, &QPushButton::clicked, this, [this] { done(QDialog::Accepted); });

        auto* names = new QVBoxLayout;
        names->addWidget(titleLabel);
        names->addWidget(programNameLabel);
        names->addWidget(versionLabel);
        auto* head = new QHBoxLayout;
        head->addWidget(pictureLabel, 0, Qt::AlignTop);
        head->addSpacing(qb::ui::TwipsToPixels(240));
        head->addLayout(names, 1);
        auto* rows = new QGridLayout;
        rows->setColumnStretch(2, 1);
        for (int i = 0; i < 3; ++i) {
            rows->addWidget(moduleLabels[i], i, 0);
            rows->addWidget(moduleVersionLabels[i], i, 1);
        }
        rows->setHorizontalSpacing(qb::ui::TwipsToPixels(360));
        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        buttons->addWidget(okButton);
        auto* layout = new QVBoxLayout(this);
        layout->setSizeConstraint(QLayout::SetFixedSize);
        layout->addLayout(head);
        layout->addSpacing(qb::ui::TwipsToPixels(120));
        layout->addLayout(rows);
        layout->addSpacing(qb::ui::TwipsToPixels(120));
        layout->addWidget(authorLabel);
        layout->addWidget(webAddressLine);
        layout->addWidget(mailAddressLine);
        layout->addWidget(authorIdLine);
        layout->addLayout(buttons);

        // Load: position, font, fixed texts, the module rows.
        qb::ui::RestoreFormPosition(this, "About");
        SetFontData();
        setWindowTitle(ProgramMessageText(kCaptionAbout));
        titleLabel->setText(ProgramMessageText(kTextAboutTitle));
        programNameLabel->setText(ProgramMessageText(kTextProgramName));
        versionLabel->setText(QStringLiteral("Ver.") + kProgramVersion);
        authorLabel->setText(QStringLiteral("Brambleworks"));
        fillRows(libraries);
        for (QLineEdit* line : {webAddressLine, mailAddressLine, authorIdLine})
            line->setMinimumWidth(line->fontMetrics().horizontalAdvance(line->text()) + 16);
    } catch (const std::exception&) {
        qb::ui::LoadFailed(this, QStringLiteral("Quillbox2 frmAbout Form_Load ERR"));
    }
}

void AboutDialog::fillRows(const Libraries& libraries)
{
    try {
        int row = 0;
        auto put = [&](const char* name, int version) {
            moduleLabels[row]->setText(QLatin1String(name));
            moduleVersionLabels[row]->setText(QStringLiteral("Ver.") +
                                 FormatLibraryVersion(static_cast<std::int16_t>(version)));
            ++row;
        };
        if (libraries.lzhAvailable)
            put("UNLHA32.DLL", libraries.lzhVersion);
        if (libraries.zipAvailable) {
            put("UNZIP32.DLL", libraries.unzipVersion);
            put("ZIP32J.DLL", libraries.zipVersion);
        }
        for (; row < 3; ++row) {
            moduleLabels[row]->clear();
            moduleVersionLabels[row]->clear();
        }
    } catch (const std::exception&) {
        for (int i = 0; i < 3; ++i) {
            moduleLabels[i]->clear();
            moduleVersionLabels[i]->clear();
        }
    }
}

QString AboutDialog::FormatLibraryVersion(std::int16_t version)
{
    const float value = static_cast<float>(version) / 100.0f;
    return QString::number(value, 'f', 2);
}

void AboutDialog::SetFontData()
{
    qb::ui::ApplySharedFont(m_options,
                            {this, okButton, titleLabel, authorLabel, versionLabel, moduleVersionLabels[0],
                             moduleVersionLabels[1], moduleVersionLabels[2], moduleLabels[0], moduleLabels[1], moduleLabels[2],
                             programNameLabel, authorIdLine, mailAddressLine, webAddressLine});
}

void AboutDialog::ShowModal()
{
    exec();
}

void AboutDialog::SavePosition()
{
    qb::ui::SaveFormPosition(this, "About");
}

void AboutDialog::closeEvent(QCloseEvent* event)
{
    SavePosition();
    QDialog::closeEvent(event);
}
