// The adding rules of the target list: duplicates, the 1000-folder limit and its one message,
// and the normalising of outside paths.
#include "support/EngineFixture.h"

#include "common/ProgramMessages.h"

using namespace qbtest;
using qb::engine::AddOutsidePath;
using qb::engine::AddTarget;

namespace {

class TargetListTest : public EngineTest {
protected:
    qb::engine::VectorTargetList list;
    RecordingHost messages;
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
