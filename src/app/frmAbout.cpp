#include "frmAbout.h"

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

using qb::ui::Quill;
using qb::ui::Quillbox;

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

frmAbout::Libraries frmAbout::FoundLibraries()
{
    Libraries found;
    found.lzhAvailable = qb::engine::Modules.LzhAvailable;
    found.zipAvailable = qb::engine::Modules.ZipAvailable;
    found.lzhVersion = qb::engine::Modules.LzhVersion;
    found.unzipVersion = qb::engine::Modules.UnZipVersion;
    found.zipVersion = qb::engine::Modules.ZipVersion;
    return found;
}

frmAbout::frmAbout(const qb::engine::Options& options, QWidget* parent)
    : frmAbout(options, FoundLibraries(), parent)
{ }

frmAbout::frmAbout(const qb::engine::Options& options, const Libraries& libraries, QWidget* parent)
    : QDialog(parent), m_options(options)
{
    try {
        setObjectName(QStringLiteral("frmAbout"));
        setModal(true);

        imgAbout = new QLabel(this);
        imgAbout->setObjectName(QStringLiteral("imgAbout"));
        imgAbout->setPixmap(programPicture());
        auto label = [this](const char* name) {
            auto* l = new QLabel(this);
            l->setObjectName(QLatin1String(name));
            return l;
        };
        lblAboutTitle = label("lblAboutTitle");
        lblAboutProgName = label("lblAboutProgName");
        lblAboutVersion = label("lblAboutVersion");
        lblAboutName = label("lblAboutName");
        txtHttp = contactLine(this, "txtHttp", Quill(kSharedAuthorWeb));
        txtMail = contactLine(this, "txtMail", Quill(kSharedAuthorMail));
        txtNiftyMail = contactLine(this, "txtNiftyMail", Quill(kSharedAuthorId));
        for (int i = 0; i < 3; ++i) {
            lblProg[i] = label(QStringLiteral("lblProg%1").arg(i).toLatin1().constData());
            lblVer[i] = label(QStringLiteral("lblVer%1").arg(i).toLatin1().constData());
        }
        btnOk = new QPushButton(QStringLiteral("OK"), this);
        btnOk->setObjectName(QStringLiteral("btnOk"));
        connect(btnOk, &QPushButton::clicked, this, [this] { done(QDialog::Accepted); });

        auto* names = new QVBoxLayout;
        names->addWidget(lblAboutTitle);
        names->addWidget(lblAboutProgName);
        names->addWidget(lblAboutVersion);
        auto* head = new QHBoxLayout;
        head->addWidget(imgAbout, 0, Qt::AlignTop);
        head->addSpacing(qb::ui::TwipsToPixels(240));
        head->addLayout(names, 1);
        auto* rows = new QGridLayout;
        rows->setColumnStretch(2, 1);
        for (int i = 0; i < 3; ++i) {
            rows->addWidget(lblProg[i], i, 0);
            rows->addWidget(lblVer[i], i, 1);
        }
        rows->setHorizontalSpacing(qb::ui::TwipsToPixels(360));
        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        buttons->addWidget(btnOk);
        auto* layout = new QVBoxLayout(this);
        layout->setSizeConstraint(QLayout::SetFixedSize);
        layout->addLayout(head);
        layout->addSpacing(qb::ui::TwipsToPixels(120));
        layout->addLayout(rows);
        layout->addSpacing(qb::ui::TwipsToPixels(120));
        layout->addWidget(lblAboutName);
        layout->addWidget(txtHttp);
        layout->addWidget(txtMail);
        layout->addWidget(txtNiftyMail);
        layout->addLayout(buttons);

        // Load: position, font, fixed texts, the module rows.
        qb::ui::RestoreFormPosition(this, "About");
        SetFontData();
        setWindowTitle(Quillbox(kCaptionAbout));
        lblAboutTitle->setText(Quillbox(kTextAboutTitle));
        lblAboutProgName->setText(Quillbox(kTextProgramName));
        lblAboutVersion->setText(QStringLiteral("Ver.") + kProgramVersion);
        lblAboutName->setText(QStringLiteral("Brambleworks"));
        fillRows(libraries);
        for (QLineEdit* line : {txtHttp, txtMail, txtNiftyMail})
            line->setMinimumWidth(line->fontMetrics().horizontalAdvance(line->text()) + 16);
    } catch (const std::exception&) {
        qb::ui::LoadFailed(this, QStringLiteral("Quillbox2 frmAbout Form_Load ERR"));
    }
}

void frmAbout::fillRows(const Libraries& libraries)
{
    try {
        int row = 0;
        auto put = [&](const char* name, int version) {
            lblProg[row]->setText(QLatin1String(name));
            lblVer[row]->setText(QStringLiteral("Ver.") +
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
            lblProg[row]->clear();
            lblVer[row]->clear();
        }
    } catch (const std::exception&) {
        for (int i = 0; i < 3; ++i) {
            lblProg[i]->clear();
            lblVer[i]->clear();
        }
    }
}

QString frmAbout::FormatLibraryVersion(std::int16_t intVersion)
{
    const float value = static_cast<float>(intVersion) / 100.0f;
    return QString::number(value, 'f', 2);
}

void frmAbout::SetFontData()
{
    qb::ui::ApplySharedFont(m_options,
                            {this, btnOk, lblAboutTitle, lblAboutName, lblAboutVersion, lblVer[0],
                             lblVer[1], lblVer[2], lblProg[0], lblProg[1], lblProg[2],
                             lblAboutProgName, txtNiftyMail, txtMail, txtHttp});
}

void frmAbout::ShowModal()
{
    exec();
}

void frmAbout::SavePosition()
{
    qb::ui::SaveFormPosition(this, "About");
}

void frmAbout::closeEvent(QCloseEvent* event)
{
    SavePosition();
    QDialog::closeEvent(event);
}
