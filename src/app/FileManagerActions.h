#pragma once
// The file-manager actions "pack each selected folder" (LZH and ZIP) for the current user:
//
//   Nautilus  a script per format in ~/.local/share/nautilus/scripts
//   Thunar    two custom actions in ~/.config/Thunar/uca.xml (the user's own actions are kept)
//   Dolphin   a service menu in ~/.local/share/kio/servicemenus   } only when the copies
//   Nemo      two actions in ~/.local/share/nemo/actions           } installed with the program
//                                                                    are not where they look
//
// Every action runs this program (by its full path) as one silent run over the selected
// folders: --silent --notify --format lzh|zip -- FOLDERS. Removing takes away exactly what
// installing put there.

#include <string>
#include <vector>

namespace qb::app {

struct ActionsOutcome {
    std::vector<std::string> changed;  // files written or removed, host paths
    std::string error;  // "" when everything went well
};

// programPath: the program the actions run (normally the running one).
ActionsOutcome InstallFileManagerActions(const std::string& programPath);
ActionsOutcome RemoveFileManagerActions();

// The template text with @QUILLBOX2@ replaced by the program, quoted for a shell (or a desktop
// file's Exec line) when it holds anything but plain path characters.
std::string FillActionTemplate(const std::string& text, const std::string& programPath);

// uca.xml text with the program's actions (those whose unique-id begins with "quillbox2-")
// taken out, and with `actions` put in before </actions> when not empty. nullopt-like failure:
// returns "" when the text is not a Thunar actions file (no </actions>).
std::string EditThunarActions(const std::string& ucaText, const std::string& actions);

}  // namespace qb::app
