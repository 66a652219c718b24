#include "engine/TargetList.h"

#include "common/PathHelpers.h"
#include "common/ProgramMessages.h"

#include <stdexcept>

namespace qb::engine {

std::vector<std::string> TargetList::Items() const
{
    std::vector<std::string> paths;
    paths.reserve(m_items.size());
    for (const Target& item : m_items)
        paths.push_back(item.path);
    return paths;
}

void TargetList::Append(const std::string& path)
{
    m_items.push_back({path, TargetState::Listed});
    if (m_watcher)
        m_watcher->TargetAdded(Count() - 1);
}

void TargetList::RemoveAt(int index)
{
    if (index < 0 || index >= Count())
        throw std::out_of_range("TargetList::RemoveAt");
    m_items.erase(m_items.begin() + index);
    if (m_watcher)
        m_watcher->TargetRemoved(index);
}

void TargetList::Clear()
{
    m_items.clear();
    if (m_watcher)
        m_watcher->TargetsCleared();
}

void TargetList::BeginRun()
{
    for (int i = 0; i < Count(); ++i)
        SetState(i, TargetState::Pending);
}

void TargetList::SetState(int index, TargetState state)
{
    Target& item = m_items.at(static_cast<std::size_t>(index));
    if (item.state == state)
        return;
    item.state = state;
    if (m_watcher)
        m_watcher->TargetStateChanged(index);
}

void TargetList::EndRun()
{
    for (int i = 0; i < Count();) {
        if (m_items[static_cast<std::size_t>(i)].state == TargetState::Packed)
            RemoveAt(i);
        else
            ++i;
    }
    for (int i = 0; i < Count(); ++i)
        SetState(i, TargetState::Listed);
}

bool AddTarget(TargetList& list, const std::string& name, MessageSink& messages)
{
    try {
        const int count = list.Count();
        for (int i = 0; i < count; ++i) {
            if (list.Item(i) == name)
                return true;  // already there: not an error
        }
        if (count < kMaxTargets) {
            list.Append(name);
            return true;
        }
        messages.ShowMessage(ProgramMessage(kTextTargetListFull));
        return false;
    } catch (...) {
        return false;
    }
}

bool AddOutsidePath(TargetList& list, const std::string& path, MessageSink& messages,
                    PathOutcome* outcome)
{
    PathOutcome result = PathOutcome::Failed;
    bool added = false;
    try {
        if (path.empty()) {
            result = PathOutcome::Empty;
            added = true;
        } else if (const std::string onDisk = PathHelpers::OnDiskPath(path); onDisk.empty()) {
            // OnDiskPath takes only "X:\..."; anything else is not a form it can look up.
            const bool drivePath = path.size() >= 3 && path[1] == ':' && path[2] == '\\';
            result = drivePath        ? PathOutcome::Missing
                     : path[0] == '/' ? PathOutcome::OutsideDrives
                                      : PathOutcome::Relative;
            added = true;
        } else if (!PathHelpers::FolderExists(onDisk)) {
            result = PathOutcome::NotFolder;
            added = true;
        } else {
            added = AddTarget(list, onDisk, messages);
            result = added ? PathOutcome::Listed : PathOutcome::ListFull;
        }
    } catch (...) {
        result = PathOutcome::Failed;
        added = false;
    }
    if (outcome)
        *outcome = result;
    return added;
}

}  // namespace qb::engine
