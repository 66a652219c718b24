#pragma once
// Keeps a text on the clipboard after the program ends.
//
// On X11 (and Wayland) the clipboard holds no data of its own: whoever copied serves it on
// request, so a text copied by a program that then exits is gone. The silent run ends right
// after copying its history, so it hands the text to a small background child: the program
// started again with a hidden switch, in a session of its own and with its standard streams on
// /dev/null (a terminal or a caller's pipe is never kept open). The child owns the clipboard
// until another program copies something, or at most kKeepLimitHours.

#include <string>

namespace qb::app {

// The hidden switch that makes the program a clipboard keeper.
inline constexpr const char* kClipboardKeeperSwitch = "--qb-keep-clipboard";
inline constexpr int kKeepLimitHours = 12;

// Starts the keeper with text; false when it could not be started or handed the text.
bool KeepClipboardText(const std::string& text);

// The keeper's own main: reads the text from standard input, owns the clipboard, and returns
// the exit status once another program took the clipboard or the time limit passed.
int RunClipboardKeeper(int argc, char** argv);

}  // namespace qb::app
