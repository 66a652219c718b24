// The target list: the adding rules (duplicates, the 1000-folder limit and its one message, the
// normalising of outside paths), the states a run moves its folders through, and what a watching
// view is told.
#include "support/EngineFixture.h"

#include "common/ProgramMessages.h"

#include <stdexcept>

using namespace qbtest;
using qb::engine::AddOutsidePath;
using qb::engine::AddTarget;
using qb::engine::TargetState;

namespace {

const char* StateName(TargetState state)
{
    switch (state) {
    case TargetState::Listed:
        return "listed";
    case TargetState::Pending:
        return "pending";
    case TargetState::Packing:
        return "packing";
    case TargetState::Packed:
        return "packed";
    case TargetState::Failed:
        return "failed";
    }
    return "?";
}

// A view that keeps its own rows, item by item, as the target list pane does: it can only stay
// right if every change reaches it with the index it needs.
class MirrorView : public qb::engine::TargetListWatcher {
public:
    explicit MirrorView(const qb::engine::TargetList& list) : m_list(list) { }
    std::vector<std::string> rows;
    std::vector<std::string> events;

    void TargetAdded(int index) override
    {
        rows.insert(rows.begin() + index, m_list.Item(index));
        events.push_back("add " + rows[static_cast<std::size_t>(index)]);
    }
    void TargetRemoved(int index) override
    {
        events.push_back("remove " + rows.at(static_cast<std::size_t>(index)));
        rows.erase(rows.begin() + index);
    }
    void TargetsCleared() override
    {
        rows.clear();
        events.push_back("clear");
    }
    void TargetStateChanged(int index) override
    {
        events.push_back(rows.at(static_cast<std::size_t>(index)) + " " +
                         StateName(m_list.State(index)));
    }

private:
    const qb::engine::TargetList& m_list;
};

class TargetListTest : public EngineTest {
protected:
    qb::engine::TargetList list;
    RecordingHost messages;
};

// Notes the state of the folder at hand at each point where a window would draw it.
class StateRecordingHost : public RecordingHost {
public:
    explicit StateRecordingHost(const qb::engine::TargetList& list) : m_list(list) { }
    std::vector<std::string> seen;

    bool BeforeFolder(int index) override
    {
        seen.push_back("before " + std::string(StateName(m_list.State(index))));
        return true;
    }
    void AfterFolder(int index, qb::engine::FolderOutcome outcome) override
    {
        (void)outcome;
        seen.push_back("after " + std::string(StateName(m_list.State(index))));
    }
    void RunEnded(bool aborted) override
    {
        (void)aborted;
        seen.push_back("ended with " + std::to_string(m_list.Count()));
    }

private:
    const qb::engine::TargetList& m_list;
};

}  // namespace

TEST_F(TargetListTest, DuplicatesAreKeptOnceAndCaseMatters)
{
    EXPECT_TRUE(AddTarget(list, "C:\\A", messages));
    EXPECT_TRUE(AddTarget(list, "C:\\A", messages));
    EXPECT_TRUE(AddTarget(list, "C:\\a", messages));
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"C:\\A", "C:\\a"}));
}

TEST_F(TargetListTest, TheThousandthFolderIsTheLast)
{
    for (int i = 0; i < 999; ++i)
        list.Append("C:\\F" + std::to_string(i));
    EXPECT_TRUE(AddTarget(list, "C:\\LAST", messages));
    EXPECT_EQ(list.Count(), 1000);
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_FALSE(AddTarget(list, "C:\\ONE MORE", messages));
    EXPECT_EQ(messages.messages, (std::vector<std::string>{ProgramMessage(kTextTargetListFull)}));
    // A duplicate of an item is still fine and silent when the list is full.
    EXPECT_TRUE(AddTarget(list, "C:\\F5", messages));
    EXPECT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(list.Count(), 1000);
}

TEST_F(TargetListTest, OutsidePathsAreNormalisedAndCheckedFirst)
{
    MakeFolder("C:\\Work\\Abc");
    WriteFile("C:\\Work\\file.txt", "x");
    EXPECT_TRUE(AddOutsidePath(list, "c:\\work\\abc\\", messages));
    EXPECT_TRUE(AddOutsidePath(list, "C:\\WORK\\ABC", messages));  // same folder: one item
    EXPECT_TRUE(AddOutsidePath(list, "C:\\Work\\file.txt", messages));  // a file
    EXPECT_TRUE(AddOutsidePath(list, "C:\\Work\\missing", messages));
    EXPECT_TRUE(AddOutsidePath(list, "Work\\Abc", messages));  // no drive letter
    EXPECT_TRUE(AddOutsidePath(list, "", messages));
    EXPECT_TRUE(AddOutsidePath(list, "c:\\", messages));
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"C:\\Work\\Abc", "C:\\"}));
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(TargetListTest, TheEndOfARunDropsThePackedFoldersAndKeepsTheRestInOrder)
{
    MirrorView view(list);
    list.SetWatcher(&view);
    for (const char* path : {"A", "B", "C", "D", "E"})
        list.Append(path);
    list.BeginRun();
    for (int i = 0; i < list.Count(); ++i)
        EXPECT_EQ(list.State(i), TargetState::Pending);
    list.SetState(0, TargetState::Packed);
    list.SetState(1, TargetState::Failed);
    list.SetState(2, TargetState::Packed);
    list.SetState(3, TargetState::Packing);  // the run stopped here; E was never reached
    list.Append("F");  // came in during the run
    EXPECT_EQ(list.State(5), TargetState::Listed);
    view.events.clear();

    list.EndRun();

    EXPECT_EQ(list.Items(), (std::vector<std::string>{"B", "D", "E", "F"}));
    for (int i = 0; i < list.Count(); ++i)
        EXPECT_EQ(list.State(i), TargetState::Listed) << list.Item(i);
    EXPECT_EQ(view.rows, list.Items());
    EXPECT_EQ(view.events, (std::vector<std::string>{"remove A", "remove C", "B listed", "D listed",
                                                     "E listed"}));
}

TEST_F(TargetListTest, TheViewFollowsRemovalsAndAMissingItemChangesNothing)
{
    MirrorView view(list);
    list.SetWatcher(&view);
    for (const char* path : {"A", "B", "C"})
        list.Append(path);
    list.RemoveAt(1);
    EXPECT_THROW(list.RemoveAt(2), std::out_of_range);
    EXPECT_THROW(list.RemoveAt(-1), std::out_of_range);
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(view.rows, list.Items());
    // A state set again is no change, and tells the view nothing.
    list.SetState(0, TargetState::Listed);
    list.Clear();
    EXPECT_EQ(view.events,
              (std::vector<std::string>{"add A", "add B", "add C", "remove B", "clear"}));
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(TargetListTest, PackedFoldersHoldTheirPlaceUntilTheRunEnds)
{
    for (int i = 0; i < qb::engine::kMaxTargets; ++i)
        list.Append("C:\\F" + std::to_string(i));
    list.BeginRun();
    list.SetState(0, TargetState::Packed);
    // Still on the list while the run goes on: still counted, still a duplicate.
    EXPECT_FALSE(AddTarget(list, "C:\\NEW", messages));
    EXPECT_TRUE(AddTarget(list, "C:\\F0", messages));
    EXPECT_EQ(messages.messages.size(), 1u);
    list.EndRun();
    EXPECT_EQ(list.Count(), qb::engine::kMaxTargets - 1);
    // Its place and its name are free again.
    EXPECT_TRUE(AddTarget(list, "C:\\F0", messages));
    EXPECT_EQ(list.Item(qb::engine::kMaxTargets - 1), "C:\\F0");
    EXPECT_FALSE(AddTarget(list, "C:\\NEW", messages));
    EXPECT_EQ(messages.messages.size(), 2u);
}

TEST_F(TargetListTest, APackingRunMarksEachFolderBeforeTheHostSeesIt)
{
    list.Append(MakeFolder("C:\\SRC\\A"));
    list.Append("C:\\SRC\\GONE");  // does not exist: refused
    list.Append(MakeFolder("C:\\SRC\\C"));
    StateRecordingHost host(list);

    qb::engine::PackRun(list, "D:\\OUT", qb::engine::RunMode::Normal, m_options, host);

    // The folder is marked before the host takes events for it and before it hears the outcome,
    // and the packed folders leave only after the host was told the run ended.
    EXPECT_EQ(host.seen, (std::vector<std::string>{
                             "before packing", "after packed", "before packing", "after failed",
                             "before packing", "after packed", "ended with 3"}));
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"C:\\SRC\\GONE"}));
    EXPECT_EQ(list.State(0), TargetState::Listed);
}
