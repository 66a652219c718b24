#include "FontTips.h"

#include "dialogs/UiSeams.h"
#include "engine/Options.h"

namespace qb::fonts {

bool StoreFontChoice(qb::engine::Options& options, const QFont& chosen)
{
    const QString storedName = QString::fromStdString(options.FontName);
    // The stored Windows name and the installed face it stands for are the same font: picking
    // that face again must not count as a change.
    const bool sameName =
        chosen.family() == storedName || chosen.family() == qb::ui::ResolveFontFamily(storedName);
    const double size = chosen.pointSizeF() > 0 ? chosen.pointSizeF() : chosen.pointSize();
    const bool sameSize = size == static_cast<double>(options.FontSize);
    if (sameName && sameSize && chosen.bold() == options.FontBold &&
        chosen.italic() == options.FontItalic)
        return false;
    if (!sameName)
        options.FontName = chosen.family().toStdString();
    options.FontSize = qb::ui::RoundHalfEven(size);
    options.FontBold = chosen.bold();
    options.FontItalic = chosen.italic();
    return true;
}

bool FontMenu(QWidget* parent, qb::engine::Options& options,
              const std::function<void()>& applyFontEverywhere)
{
    const auto chosen = qb::ui::ChooseFont(parent, qb::ui::SharedFont(options));
    // Cancelling leaves the dialog's values as they were, which is no change.
    if (!chosen || !StoreFontChoice(options, *chosen))
        return false;
    if (applyFontEverywhere)
        applyFontEverywhere();
    return true;
}

}  // namespace qb::fonts
