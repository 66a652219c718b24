#include "engine/ArchiverCommands.h"

#include "archivers/include/archiver_output.h"

namespace qb::engine {
namespace {

const std::string kQuote = "\"";

std::string Quoted(const std::string& text)
{
    return kQuote + text + kQuote;
}

}  // namespace

std::string WithBackslash(const std::string& folder)
{
    if (!folder.empty() && folder.back() == '\\')
        return folder;
    return folder + "\\";
}

namespace {

std::string CommonExtraSwitches(const Options& o)
{
    return std::string(o.TestArchive ? " " ARC_SWITCH_TEST : "") +
           (o.SyncArchive ? " " ARC_SWITCH_SYNC : "");
}

}  // namespace

std::string LzhExtraSwitches(const Options& o)
{
    return CommonExtraSwitches(o) +
           (LzhNamesFromSetting(o.LzhNameCode) == LzhNames::Utf8 ? " " ARC_SWITCH_NAMES_UTF8 : "");
}

std::string ZipExtraSwitches(const Options& o)
{
    return CommonExtraSwitches(o) + (ZipNamesFromSetting(o.ZipNameCode) == ZipNames::Cp932WhenAllFit
                                         ? " " ARC_SWITCH_NAMES_CP932
                                         : "");
}

std::string WorkSwitch(const Options& o)
{
    return "-w" + o.TempFolder;
}

std::string LzhExclusions()
{
    return "-jx386SPART.PAR -jxWIN386.SWP -jxPAGEFILE.SYS";
}

std::string FileSpec(const Options& o, const std::string& folder)
{
    if (!o.StoreFolderPath)
        return "*.*";
    const std::string full = folder + "\\*.*";
    // Without the drive the archive stores paths relative to the drive root; the first three
    // characters are always "X:\" for the folders a run is given.
    if (o.OmitDrive)
        return full.size() > 3 ? full.substr(3) : std::string();
    return full;
}

std::string LzhSwitchSet(const Options& o)
{
    if (o.IncludeSubfolders)
        return o.LzhCommandPrefix + (o.IncludeHidden ? " -xra " : " -xr ");
    return o.LzhCommandPrefix + (o.IncludeHidden ? " -xa " : " -x ");
}

std::string ZipSwitchSet(const Options& o)
{
    // The ZIP prefix is always empty, so a ZIP command starts with a space.
    if (o.IncludeSubfolders)
        return o.IncludeHidden ? " -r -S " : " -r ";
    return o.IncludeHidden ? " -D -S " : " -D ";
}

std::string LzhPackCommand(const Options& o, RunMode mode, const std::string& archive,
                           const std::string& folder)
{
    std::string s = LzhSwitchSet(o);
    if (mode == RunMode::Stored)
        s += " -z1 ";
    return s + LzhExtraSwitches(o) + " " + Quoted(WorkSwitch(o)) + "  " + LzhExclusions() + " " +
           Quoted(archive) + " " + Quoted(FileSpec(o, folder));
}

std::string ZipPackCommand(const Options& o, RunMode mode, const std::string& archive,
                           const std::string& folder)
{
    const std::string s = ZipSwitchSet(o) + (mode == RunMode::Stored ? " -0 " : " -9 ");
    const std::string extra = ZipExtraSwitches(o);
    return s + (extra.empty() ? "" : extra.substr(1) + " ") + Quoted(archive) + " " +
           Quoted(FileSpec(o, folder));
}

std::string LzhFirstStageCommand(const Options& o, const DoubleNames& n, const std::string& folder)
{
    return LzhSwitchSet(o) + " -z1" + LzhExtraSwitches(o) + " " + Quoted(WorkSwitch(o)) + "  " +
           LzhExclusions() + " " + Quoted(n.T) + " " + Quoted(FileSpec(o, folder));
}

std::string ZipFirstStageCommand(const Options& o, const DoubleNames& n, const std::string& folder)
{
    return ZipSwitchSet(o) + " -0" + ZipExtraSwitches(o) + " " + Quoted(n.T) + " " +
           Quoted(FileSpec(o, folder));
}

std::string LzhSecondStageCommand(const Options& o, const DoubleNames& n)
{
    // The outer archive always updates with the fixed prefix, whatever Lzh_Option says.
    return "u -+" + LzhExtraSwitches(o) + " " + Quoted(WorkSwitch(o)) + " " + Quoted(n.D) + " " +
           Quoted(n.N);
}

std::string ZipSecondStageCommand(const Options& o, const DoubleNames& n)
{
    return "-r -9" + ZipExtraSwitches(o) + " " + Quoted(n.D) + " " + Quoted(n.N);
}

std::string LzhUpdateExtractCommand(const Options& o, const DoubleNames& n)
{
    return "x -+ " + Quoted(n.D) + " " + Quoted(WithBackslash(o.TempFolder)) + " " + Quoted(n.N);
}

std::string UnZipUpdateExtractCommand(const Options& o, const DoubleNames& n)
{
    return "-x " + Quoted(n.D) + " " + Quoted(WithBackslash(o.TempFolder)) + " " + Quoted(n.N);
}

}  // namespace qb::engine
