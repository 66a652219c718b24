// The message table shared with the other programs of the family.
#pragma once

#include <string>

// The text for a code (UTF-8); the empty text for a code that is not in the table.
std::string resQuill(int code);
