// The target list: the folders the next run packs, in order. The window's list box and the
// silent run's plain list both implement TargetList; the adding rules (no duplicates, at most
// 1000 folders, outside paths normalised first) live here once for both.
#pragma once

#include "engine/PackHost.h"

#include <string>
#include <vector>

namespace qb::engine {

class TargetList {
public:
    virtual ~TargetList() = default;
    virtual int Count() const = 0;
    virtual std::string Item(int index) const = 0;
    virtual void Append(const std::string& path) = 0;
    virtual void Clear() = 0;
};

// A TargetList in memory (the silent run, tests).
class VectorTargetList : public TargetList {
public:
    int Count() const override { return static_cast<int>(m_items.size()); }
    std::string Item(int index) const override
    {
        return m_items.at(static_cast<std::size_t>(index));
    }
    void Append(const std::string& path) override { m_items.push_back(path); }
    void Clear() override { m_items.clear(); }
    const std::vector<std::string>& Items() const { return m_items; }

private:
    std::vector<std::string> m_items;
};

// The most folders one run takes.
inline constexpr int kMaxTargets = 1000;

// Adds name unless an item equals it exactly (case-sensitive): true. With the list full, shows
// message 3100 and returns false, so that callers stop adding.
bool AddTarget(TargetList& list, const std::string& name, MessageSink& messages);

// Adds a path that came from outside (command line, job file, drop): turned into its on-disk
// form first; an empty path, a path that does not exist, is not a drive path or names a file is
// skipped (true). False only when AddTarget refused.
bool AddOutsidePath(TargetList& list, const std::string& path, MessageSink& messages);

}  // namespace qb::engine
