#include "engine/TargetList.h"

#include "common/basQuill.h"
#include "common/resQuillbox.h"

namespace qb::engine {

bool ListInAdd(TargetList& list, const std::string& name, MessageSink& messages)
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
        messages.ShowMessage(resQuillbox(kTextTargetListFull));
        return false;
    } catch (...) {
        return false;
    }
}

bool Gaibu_ListInAdd(TargetList& list, const std::string& path, MessageSink& messages)
{
    try {
        if (path.empty())
            return true;
        const std::string onDisk = basQuill::OnDiskPath(path);
        if (onDisk.empty())
            return true;
        if (!basQuill::FolderExists(onDisk))
            return true;
        return ListInAdd(list, onDisk, messages);
    } catch (...) {
        return false;
    }
}

}  // namespace qb::engine
