#pragma once
// The two message tables as Qt text, for the windows.

#include "common/SharedMessages.h"
#include "common/ProgramMessages.h"

#include <QString>

namespace qb::ui {

inline QString ProgramMessageText(int code)
{
    return QString::fromStdString(ProgramMessage(code));
}
inline QString SharedMessageText(int code)
{
    return QString::fromStdString(SharedMessage(code));
}

}  // namespace qb::ui
