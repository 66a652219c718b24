#pragma once
// What the program writes on standard error about a run and its settings, in English and in
// Japanese, kept in one table (ConsoleTexts.cpp) so that the texts can move to translation files
// together. The language is the locale's (JapaneseLocale): Japanese under a Japanese locale,
// English otherwise. "%1", "%2" stand for the names filled in.

#include "engine/TargetList.h"
#include "platform/SettingsStore.h"

#include <initializer_list>
#include <string>
#include <string_view>

namespace qb::app {

enum class ConsoleText {
    LeftOut,  // a folder named but not packed: %1 the folder, %2 why (a ConsoleReason)
    OutputFolderMissing,  // a job file's output folder: %1 as named, %2 the folder used
    NothingToPack,
    NoDisplay,
    SettingsNotSaved,  // %1 the settings file, %2 the system's reason
    SettingsNotDeleted,  // %1 the settings file, %2 the system's reason
    SettingsNotUsed,  // %1 the settings file, %2 what is wrong with it (SettingsProblemText)
    OutFolderMissing,  // --out: %1 as given
};

// The text in the locale's language, with the names filled in, without a line end.
std::string ConsoleMessage(ConsoleText text, std::initializer_list<std::string> args = {});

// Why a folder was left out, in the locale's language ("" for a folder that was listed).
std::string ConsoleReason(qb::engine::PathOutcome why);

// What is wrong with a settings file, in the locale's language, to follow "it" in English;
// error: the system's error number behind it (0 for none); section: the one looked for.
std::string SettingsProblemText(qb::platform::SettingsProblem problem, int error,
                                std::string_view section);

// The system's words for an error number (in the locale's language where the system has them).
std::string SystemReason(int error);

}  // namespace qb::app
