#pragma once
// What the program writes on standard error about a run and its settings, in English and in
// Japanese, kept in one table (ConsoleTexts.cpp) so that the texts can move to translation files
// together. The language is the locale's (JapaneseLocale): Japanese under a Japanese locale,
// English otherwise. "%1", "%2" stand for the names filled in.

#include "engine/TargetList.h"

#include <initializer_list>
#include <string>

namespace qb::app {

enum class ConsoleText {
    LeftOut,  // a folder named but not packed: %1 the folder, %2 why (a ConsoleReason)
    OutputFolderMissing,  // a job file's output folder: %1 as named, %2 the folder used
    NothingToPack,
    NoDisplay,
    SettingsNotSaved,  // %1 the settings file, %2 the system's reason
    SettingsNotDeleted,  // %1 the settings file, %2 the system's reason
};

// The text in the locale's language, with the names filled in, without a line end.
std::string ConsoleMessage(ConsoleText text, std::initializer_list<std::string> args = {});

// Why a folder was left out, in the locale's language ("" for a folder that was listed).
std::string ConsoleReason(qb::engine::PathOutcome why);

// The system's words for an error number (in the locale's language where the system has them).
std::string SystemReason(int error);

}  // namespace qb::app
