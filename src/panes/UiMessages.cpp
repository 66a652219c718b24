#include "UiMessages.h"

#include "dialogs/UiSeams.h"

namespace qb::panes {

void UiMessages::ShowMessage(const std::string& text)
{
    qb::ui::ShowMessage(m_parent, QString::fromStdString(text));
}

bool UiMessages::AskYesNo(const std::string& text)
{
    return qb::ui::AskYesNo(m_parent, QString::fromStdString(text));
}

}  // namespace qb::panes
