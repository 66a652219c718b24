// Texts of the message tables with names filled in: "%1" ... "%9" stand for the arguments in
// order. A text without such marks comes back as it is.
#pragma once

#include <initializer_list>
#include <string>

std::string FormatText(const std::string& text, std::initializer_list<std::string> args);
