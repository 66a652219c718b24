#include "engine/TargetList.h"

#include "common/PathHelpers.h"
#include "common/ProgramMessages.h"

namespace qb::engine {

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

bool AddOutsidePath(TargetList& list, const std::string& path, MessageSink& messages)
{
    try {
        if (path.empty())
            return true;
        const std::string onDisk = PathHelpers::OnDiskPath(path);
        if (onDisk.empty())
            return true;
        if (!PathHelpers::FolderExists(onDisk))
            return true;
        return AddTarget(list, onDisk, messages);
    } catch (...) {
        return false;
    }
}

}  // namespace qb::engine
