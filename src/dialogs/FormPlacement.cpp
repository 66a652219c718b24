#include "FormPlacement.h"

#include "engine/Options.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QVariant>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace qb::ui {
namespace {

constexpr double kDefaultPosition = 1000;
constexpr double kDefaultSize = 5000;

double logicalDpi()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchX() : 96.0;
    return dpi > 0 ? dpi : 96.0;
}

// A stored number, or the default when the key is absent or its text is not a number.
double readNumber(const std::string& probeKey, const std::string& key, double defaultValue)
{
    const std::string text =
        qb::engine::ReadWindowSetting(probeKey, key, qb::engine::NumberToText(defaultValue));
    const auto value = qb::engine::TextToNumber(text);
    return value && std::isfinite(*value) ? *value : defaultValue;
}

}  // namespace

int TwipsToPixels(double twips)
{
    return static_cast<int>(std::lround(twips * logicalDpi() / 1440.0));
}

double PixelsToTwips(int pixels)
{
    return pixels * 1440.0 / logicalDpi();
}

void RestoreFormPosition(QWidget* form, const std::string& prefix, bool withSize)
{
    const std::string probe = prefix + "_Left";
    double left = readNumber(probe, prefix + "_Left", kDefaultPosition);
    double top = readNumber(probe, prefix + "_Top", kDefaultPosition);

    // A position off the screen (a smaller monitor, a hand-edited file) would hide the dialog.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize area = screen ? screen->geometry().size() : QSize(1024, 768);
    if (left < 0 || left > PixelsToTwips(area.width()))
        left = kDefaultPosition;
    if (top < 0 || top > PixelsToTwips(area.height()))
        top = kDefaultPosition;
    form->move(TwipsToPixels(left), TwipsToPixels(top));
    // Kept so that a dialog that was not moved writes back exactly what it read: a twip is
    // smaller than a pixel, and converting back and forth would creep.
    form->setProperty("qbLeftTwips", left);
    form->setProperty("qbTopTwips", top);

    if (withSize) {
        const double width = readNumber(probe, prefix + "_Width", kDefaultSize);
        const double height = readNumber(probe, prefix + "_Height", kDefaultSize);
        // A nonsense size is not worth keeping; the default is a usable one.
        const bool usable = width > 0 && height > 0 && width < 1e6 && height < 1e6;
        form->resize(TwipsToPixels(usable ? width : kDefaultSize),
                     TwipsToPixels(usable ? height : kDefaultSize));
        form->setProperty("qbWidthTwips", usable ? width : kDefaultSize);
        form->setProperty("qbHeightTwips", usable ? height : kDefaultSize);
    }
}

namespace {

// The position in twips: the value read at load while the widget still stands there.
double twipsOf(const QWidget* form, const char* property, int pixels)
{
    const QVariant kept = form->property(property);
    if (kept.isValid() && TwipsToPixels(kept.toDouble()) == pixels)
        return kept.toDouble();
    return std::round(PixelsToTwips(pixels));
}

}  // namespace

void SaveFormPosition(const QWidget* form, const std::string& prefix, bool withSize)
{
    const QRect frame = form->frameGeometry();
    qb::engine::WriteWindowSetting(prefix + "_Left",
                                 qb::engine::NumberToText(twipsOf(form, "qbLeftTwips", frame.x())));
    qb::engine::WriteWindowSetting(prefix + "_Top",
                                 qb::engine::NumberToText(twipsOf(form, "qbTopTwips", frame.y())));
    if (withSize) {
        qb::engine::WriteWindowSetting(prefix + "_Width", qb::engine::NumberToText(twipsOf(
                                                            form, "qbWidthTwips", form->width())));
        qb::engine::WriteWindowSetting(
            prefix + "_Height",
            qb::engine::NumberToText(twipsOf(form, "qbHeightTwips", form->height())));
    }
}

namespace {

// Fits each dialog as it appears; its own place (restored from the settings) was set before.
class DialogFitter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            if (auto* dialog = qobject_cast<QDialog*>(watched); dialog && dialog->isWindow())
                FitOnScreen(dialog);
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

void FitOnScreen(QWidget* window)
{
    const QScreen* screen = window->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    // The frame the window manager draws around it, known once the window has been shown.
    const QRect frame = window->frameGeometry();
    const QRect inner = window->geometry();
    const QSize frameExtra(frame.width() - inner.width(), frame.height() - inner.height());

    const QRect fitted = FitInside(QRect(window->pos(), window->size() + frameExtra), area,
                                   window->minimumSize() + frameExtra);
    if (fitted.size() - frameExtra != window->size())
        window->resize(fitted.size() - frameExtra);
    if (fitted.topLeft() != window->pos())
        window->move(fitted.topLeft());
}

QRect FitInside(const QRect& rect, const QRect& area, const QSize& minimum)
{
    const QSize size = rect.size().boundedTo(area.size()).expandedTo(minimum);
    auto place = [](int at, int length, int areaStart, int areaLength) {
        if (length >= areaLength)
            return areaStart;
        return std::clamp(at, areaStart, areaStart + areaLength - length);
    };
    return QRect(QPoint(place(rect.x(), size.width(), area.x(), area.width()),
                        place(rect.y(), size.height(), area.y(), area.height())),
                 size);
}

void KeepDialogsOnScreen()
{
    static DialogFitter* fitter = nullptr;
    if (fitter || !qApp)
        return;
    fitter = new DialogFitter(qApp);
    qApp->installEventFilter(fitter);
}

}  // namespace qb::ui
