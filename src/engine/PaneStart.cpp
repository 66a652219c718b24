#include "engine/PaneStart.h"

#include "common/basQuill.h"
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
    return FormSettingsApp(ProbeKey(pane));
}

PaneFolderSettings ReadPaneFolderSettings(FolderPane pane)
{
    const std::string cwd = WorkingFolder();
    const bool in = pane == FolderPane::In;
    const char* probe = ProbeKey(pane);
    PaneFolderSettings s;
    s.Dir = ReadFormSetting(probe, in ? "Dir_In" : "Dir_Out", cwd);
    s.Yuko = ParseStoredBool(ReadFormSetting(probe, in ? "Dir_In_Yuko" : "Dir_Out_Yuko", "True"));
    s.OldDir = ReadFormSetting(probe, in ? "OldDir_In" : "OldDir_Out", cwd);
    return s;
}

std::string ShownFolder(const std::string& dir)
{
    if (!dir.empty()) {
        const std::string onDisk = basQuill::OnDiskPath(dir);
        if (!onDisk.empty() && basQuill::FolderExists(onDisk))
            return onDisk;
    }
    return basQuill::OnDiskPath(WorkingFolder());
}

std::string StartingFolder(FolderPane pane)
{
    const PaneFolderSettings s = ReadPaneFolderSettings(pane);
    return ShownFolder(s.Yuko ? s.Dir : s.OldDir);
}

}  // namespace qb::engine
