// The folder a folder pane starts in: its initial folder (Dir_In / Dir_Out) when that is in
// force (Dir_In_Yuko / Dir_Out_Yuko), else the folder of the last exit (OldDir_In /
// OldDir_Out); the process's working folder when the setting is absent or the folder cannot be
// shown. The settings are read from the old location when it holds the pane's left position.
#pragma once

#include <string>

namespace qb::engine {

enum class FolderPane { In, Out };

struct PaneFolderSettings {
    std::string InitialFolder;  // Dir_In / Dir_Out
    bool UseInitialFolder = true;  // Dir_In_Yuko / Dir_Out_Yuko
    std::string LastFolder;  // OldDir_In / OldDir_Out
};

// Reads the three settings of the pane (defaults: the working folder, True, the working folder).
PaneFolderSettings ReadPaneFolderSettings(FolderPane pane);

// The settings application the pane reads from: "Quillbox2" (old) when it holds the pane's
// InDir_Left / OutDir_Left with a value other than -9999, else "Brambleworks".
std::string PaneSettingsApp(FolderPane pane);

// The process's working folder in drive form ("" when no drive covers it).
std::string WorkingFolder();

// What writing Folder with dir shows: the on-disk form of dir when it is an existing folder,
// else the working folder.
std::string ShownFolder(const std::string& dir);

// The starting folder of the pane, as Folder reads it after the pane loaded.
std::string StartingFolder(FolderPane pane);

}  // namespace qb::engine
