// The message table of this program (captions, tooltips, message boxes, history lines).
#pragma once

#include <string>

// The text for a code (UTF-8); the empty text for a code that is not in the table.
std::string resQuillbox(int code);
