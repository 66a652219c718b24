#include "SharedFont.h"

#include "engine/Options.h"

#include <QApplication>
#include <QFontDatabase>
#include <QWidget>

#include <cmath>
#include <limits>

namespace qb::ui {
namespace {

// The installed family matching one of the candidates (any letter case), or "".
QString firstInstalled(const QStringList& candidates)
{
    const QStringList installed = QFontDatabase::families();
    for (const QString& want : candidates) {
        for (const QString& have : installed) {
            if (have.compare(want, Qt::CaseInsensitive) == 0)
                return have;
        }
    }
    return {};
}

}  // namespace

QString ResolveFontFamily(const QString& name)
{
    if (!name.isEmpty()) {
        const QString exact = firstInstalled({name});
        if (!exact.isEmpty())
            return exact;
    }
    // Settings written on Windows name the Windows Japanese faces; here the IPA faces stand in
    // for them, proportional for the "Ｐ" variants.
    const bool proportional =
        name.contains(QStringLiteral("Ｐ")) || name.contains(QStringLiteral("P ")) ||
        name.contains(QStringLiteral("PMincho")) || name.contains(QStringLiteral("PGothic"));
    const bool mincho = name.contains(QStringLiteral("明朝")) ||
                        name.contains(QStringLiteral("Mincho"), Qt::CaseInsensitive);
    const bool gothic = name.contains(QStringLiteral("ゴシック")) ||
                        name.contains(QStringLiteral("Gothic"), Qt::CaseInsensitive);
    QStringList candidates;
    if (mincho && proportional)
        candidates = {QStringLiteral("IPAPMincho"), QStringLiteral("IPAMincho"),
                      QStringLiteral("Noto Serif CJK JP")};
    else if (mincho)
        candidates = {QStringLiteral("IPAMincho"), QStringLiteral("IPAPMincho"),
                      QStringLiteral("Noto Serif CJK JP")};
    else if (gothic && proportional)
        candidates = {QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic"),
                      QStringLiteral("Noto Sans CJK JP")};
    else if (gothic)
        candidates = {QStringLiteral("IPAGothic"), QStringLiteral("IPAPGothic"),
                      QStringLiteral("Noto Sans CJK JP")};
    const QString mapped = firstInstalled(candidates);
    if (!mapped.isEmpty())
        return mapped;
    return QApplication::font().family();
}

QFont SharedFont(const qb::engine::Options& options)
{
    QFont font(ResolveFontFamily(QString::fromStdString(options.FontName)));
    // A size from a damaged settings file must not make the windows unusable.
    const int size = options.FontSize;
    font.setPointSize(size >= 1 && size <= 200 ? size : 10);
    font.setBold(options.FontBold);
    font.setItalic(options.FontItalic);
    return font;
}

void ApplySharedFont(const qb::engine::Options& options, std::initializer_list<QWidget*> widgets)
{
    const QFont font = SharedFont(options);
    for (QWidget* widget : widgets) {
        if (widget)
            widget->setFont(font);
    }
}

int RoundHalfEven(double value)
{
    if (!std::isfinite(value))
        return 0;
    const double floorValue = std::floor(value);
    const double fraction = value - floorValue;
    double result = floorValue;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(floorValue, 2.0) != 0.0))
        result = floorValue + 1;
    if (result > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (result < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return static_cast<int>(result);
}

}  // namespace qb::ui
