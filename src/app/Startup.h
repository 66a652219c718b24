#pragma once
// Start-up of the program, from the command text to either the end of a silent run or the
// main window:
//
//   /U            ask, delete the settings section on Yes, end
//   LoadSettings
//   archivers     end with message 205 without UNLHA32.DLL; message 206 when it is too old
//   silent run    when the command text is not empty and option Auto is on; end if it ran
//   main window   MainWindow does the rest and the event loop runs until it closes
//
// Without DISPLAY and WAYLAND_DISPLAY the program picks Qt's offscreen platform itself, so the
// silent run works on servers and in scripts; the window cannot be shown there, which is said
// on standard error before the program ends.
//
// For tests that run without a display, QUILLBOX2_TEST_ANSWERS holds the answers to the Yes/No
// questions of start-up, in order, as a comma-separated list of "yes" and "no" (only the /U
// question asks one). It is read by nothing else.

#include "RunOptions.h"

#include <string>

namespace qb::app {

// Exit status when start-up ends the program before any run (missing module, error, no
// display for the window).
inline constexpr int kExitStartupFailed = 3;

// Runs start-up and, when no silent run took place, the main window. Returns the exit status.
// The run options override the loaded settings for this run (never saved) and make it silent:
// a silent run that finds nothing to pack ends with status 1 instead of showing the window.
// Of argv, Qt is given the program's name only (the arguments are parsed before).
int RunProgram(char** argv, const std::string& commandText, const RunOptions& run = {});

}  // namespace qb::app
