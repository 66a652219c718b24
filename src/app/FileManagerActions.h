#pragma once
// The file-manager actions "pack each selected folder" (LZH and ZIP) for the current user:
//
//   Nautilus  a script per format in ~/.local/share/nautilus/scripts
//   Thunar    two custom actions in ~/.config/Thunar/uca.xml
//   Dolphin   a service menu in ~/.local/share/kio/servicemenus   } only when the copies
//   Nemo      two actions in ~/.local/share/nemo/actions           } installed with the program
//                                                                    are not where they look
//
// Every action runs this program (by its full path) as one silent run over the selected
// folders: --silent --notify --format lzh|zip -- FOLDERS.
//
// Nothing that was there before is hidden or lost. Thunar reads only the first uca.xml it
// finds, the user's before the system's, so a new user file starts as a copy of the system's.
// A user's file that has the name of one of ours is left as it is (and said so), a uca.xml that
// is not well formed is never rewritten, and every write goes to a temporary file renamed over
// the old one. What was set up (the files written, the folders made, and for a uca.xml made
// here the text it started from) is noted in ${XDG_STATE_HOME:-~/.local/state}/quillbox2, so
// that removing takes away exactly that: a file made here is deleted, the user's own keeps
// everything but our actions.

#include <string>
#include <vector>

namespace qb::app {

struct ActionsOutcome {
    // One line per file looked at, for standard output: "written: F", "removed: F",
    // "unchanged: F" or "kept: F (why)".
    std::vector<std::string> report;
    // What could not be done, each a sentence for standard error; any of them makes the
    // exit status 1.
    std::vector<std::string> errors;
};

// programPath: the program the actions run (normally the running one). japanese: the language
// of the reasons and errors.
ActionsOutcome InstallFileManagerActions(const std::string& programPath, bool japanese);
ActionsOutcome RemoveFileManagerActions(const std::string& programPath, bool japanese);

// The template text with @QUILLBOX2@ replaced by the program, quoted for a shell (or a desktop
// file's Exec line) when it holds anything but plain path characters.
std::string FillActionTemplate(const std::string& text, const std::string& programPath);

struct ThunarEdit {
    std::string text;  // the edited file
    std::string error;  // "" when the text is a well-formed list of actions; else why not
};
// uca.xml text with the program's actions (the <action> elements of <actions> whose unique-id
// begins with "quillbox2-") taken out, each with the line end after it, and with `actions` put
// in just before </actions> when not empty. Everything else stays byte for byte, so taking
// out what was put in gives back the text as it was. Text that is not well-formed UTF-8 XML
// with the root <actions> is refused (error set, text empty).
ThunarEdit EditThunarActions(const std::string& ucaText, const std::string& actions);

}  // namespace qb::app
