#pragma once
// The two message tables as Qt text, for the windows.

#include "common/resQuill.h"
#include "common/resQuillbox.h"

#include <QString>

namespace qb::ui {

inline QString Quillbox(int code)
{
    return QString::fromStdString(resQuillbox(code));
}
inline QString Quill(int code)
{
    return QString::fromStdString(resQuill(code));
}

}  // namespace qb::ui
