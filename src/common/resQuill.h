// The message table shared with the other programs of the family.
#pragma once

#include <string>

// Names of the shared codes the packing run and start-up use.
enum SharedText : int {
    kSharedUninstallQuestion = 20,  // follows the program's name: delete every setting?
    kSharedRunAborted = 30,  // closing line of a run that was stopped
    kSharedRunFinished = 31,  // closing line of a run that went through the list
};

// The text for a code (UTF-8); the empty text for a code that is not in the table.
std::string resQuill(int code);
