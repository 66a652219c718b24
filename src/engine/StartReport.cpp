#include "engine/StartReport.h"

#include "common/MessageFormat.h"
#include "common/PathHelpers.h"
#include "common/ProgramMessages.h"
#include "engine/ModuleReport.h"

namespace qb::engine {
namespace {

bool Says(const StartReport::Entry& e)
{
    return e.outputFolder || (e.why != PathOutcome::Listed && e.why != PathOutcome::Empty);
}

}  // namespace

bool StartReport::Empty() const
{
    for (const Entry& e : m_entries)
        if (Says(e))
            return false;
    return true;
}

void StartReport::AddFolder(const std::string& path, PathOutcome why)
{
    if (why != PathOutcome::Empty)
        m_entries.push_back({path, why, false, {}});
}

void StartReport::Drop(PathOutcome why, const TargetList& list)
{
    for (Entry& e : m_entries) {
        if (e.outputFolder || e.why != PathOutcome::Listed)
            continue;
        // Listed means added in its on-disk form (AddOutsidePath).
        const std::string onDisk = PathHelpers::OnDiskPath(e.path);
        bool held = false;
        for (int i = 0; i < list.Count() && !held; ++i)
            held = list.Item(i) == onDisk;
        if (!held)
            e.why = why;
    }
}

void StartReport::DropListed()
{
    std::erase_if(m_entries,
                  [](const Entry& e) { return !e.outputFolder && e.why == PathOutcome::Listed; });
}

void StartReport::AddOutputFolderMissing(const std::string& named, const std::string& used)
{
    m_entries.push_back({named, PathOutcome::Listed, true, used});
}

void StartReport::ForgetOutputFolder()
{
    std::erase_if(m_entries, [](const Entry& e) { return e.outputFolder; });
}

std::vector<StartReport::Entry> StartReport::Entries() const
{
    std::vector<Entry> said;
    for (const Entry& e : m_entries)
        if (Says(e))
            said.push_back(e);
    return said;
}

int StartReport::FoldersLeftOut() const
{
    int count = 0;
    for (const Entry& e : Entries())
        count += e.outputFolder ? 0 : 1;
    return count;
}

std::vector<std::string> StartReport::HistoryLines() const
{
    std::vector<std::string> lines;
    for (const Entry& e : Entries()) {
        if (e.outputFolder) {
            lines.push_back(
                FormatText(ProgramMessage(kHistoryOutputFolderMissing), {e.path, e.usedFolder}));
            continue;
        }
        // The same three lines as a folder the run itself refuses.
        const std::string shown = PathHelpers::ShortDisplayPath(e.path);
        lines.push_back("[ " + (shown.empty() ? e.path : shown) + " ]");
        lines.push_back(ProgramMessage(kHistoryRefused));
        lines.push_back(ReasonLine(LeftOutReason(e.why)));
    }
    return lines;
}

std::string LeftOutReason(PathOutcome why)
{
    switch (why) {
    case PathOutcome::Listed:
    case PathOutcome::Empty:
        return {};
    case PathOutcome::Relative:
        return ProgramMessage(kReasonRelativePath);
    case PathOutcome::OutsideDrives:
        return ProgramMessage(kReasonOutsideDrives);
    case PathOutcome::Missing:
        return ProgramMessage(kTextFolderMissing);
    case PathOutcome::NotFolder:
        return ProgramMessage(kReasonNotFolder);
    case PathOutcome::ListFull:
        return ProgramMessage(kTextTargetListFull);
    case PathOutcome::Failed:
        return ProgramMessage(kReasonUnexpected);
    case PathOutcome::WithJobFile:
        return ProgramMessage(kReasonWithJobFile);
    case PathOutcome::QuoteNotClosed:
        return ProgramMessage(kReasonQuoteInPath);
    }
    return {};
}

}  // namespace qb::engine
