#include "engine/PaneStart.h"

#include "common/PathHelpers.h"
#include "engine/Options.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"

namespace qb::engine {
namespace {

// A stored Boolean that does not convert leaves the value a freshly loaded pane has: False.
bool ParseStoredBool(const std::string& text)
{
    return TextToBool(text).value_or(false);
}

const char* ProbeKey(FolderPane pane)
{
    return pane == FolderPane::In ? "InDir_Left" : "OutDir_Left";
}

}  // namespace

std::string WorkingFolder()
{
    const std::string host = qb::platform::WorkingFolderHostPath();
    return host.empty() ? std::string() : qb::platform::ToDrivePath(host);
}

std::string PaneSettingsApp(FolderPane pane)
{
    return WindowSettingsApp(ProbeKey(pane));
}

PaneFolderSettings ReadPaneFolderSettings(FolderPane pane)
{
    const std::string cwd = WorkingFolder();
    const bool in = pane == FolderPane::In;
    const char* probe = ProbeKey(pane);
    PaneFolderSettings s;
    s.InitialFolder = ReadWindowSetting(probe, in ? "Dir_In" : "Dir_Out", cwd);
    s.UseInitialFolder = ParseStoredBool(ReadWindowSetting(probe, in ? "Dir_In_Yuko" : "Dir_Out_Yuko", "True"));
    s.LastFolder = ReadWindowSetting(probe, in ? "OldDir_In" : "OldDir_Out", cwd);
    return s;
}

std::string ShownFolder(const std::string& dir)
{
    if (!dir.empty()) {
        const std::string onDisk = PathHelpers::OnDiskPath(dir);
        if (!onDisk.empty() && PathHelpers::FolderExists(onDisk))
            return onDisk;
    }
    return PathHelpers::OnDiskPath(WorkingFolder());
}

std::string StartingFolder(FolderPane pane)
{
    const PaneFolderSettings s = ReadPaneFolderSettings(pane);
    return ShownFolder(s.UseInitialFolder ? s.InitialFolder : s.LastFolder);
}

}  // namespace qb::engine
