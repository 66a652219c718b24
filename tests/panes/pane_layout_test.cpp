// The arithmetic of the pane layout and of the cancel button's place.

#include "panes/PaneLayout.h"

#include <gtest/gtest.h>

using namespace qb::panes;

TEST(PaneLayout, ClientOf8000By6000GivesTwoColumnsOfThree)
{
    const auto r = ComputePaneLayout(8000, 6000);
    EXPECT_EQ(r[SlotSourceFolder], QRectF(0, 0, 4000, 2000));
    EXPECT_EQ(r[SlotSubfolders], QRectF(0, 2000, 4000, 2000));
    EXPECT_EQ(r[SlotTargets], QRectF(0, 4000, 4000, 2000));
    EXPECT_EQ(r[SlotOutputFolder], QRectF(4000, 0, 4000, 2000));
    EXPECT_EQ(r[SlotHistory], QRectF(4000, 2000, 4000, 2000));
    EXPECT_EQ(r[SlotArchives], QRectF(4000, 4000, 4000, 2000));
}

TEST(PaneLayout, HalvesRoundToTheEvenNeighbour)
{
    EXPECT_EQ(ComputePaneLayout(4001, 6000)[SlotOutputFolder].width(), 2000);  // 2000.5
    EXPECT_EQ(ComputePaneLayout(4003, 6000)[SlotOutputFolder].width(), 2002);  // 2001.5
    EXPECT_EQ(ComputePaneLayout(4003, 6000)[SlotOutputFolder].left(), 2002);
    EXPECT_EQ(ComputePaneLayout(8000, 4501)[SlotTargets].top(), 3000);  // 1500.33 -> 1500
}

TEST(PaneLayout, CancelButtonKeepsARightMarginOf60)
{
    EXPECT_EQ(CancelButtonLeft(8000, 1335).value(), 8000 - 60 - 1335);
    EXPECT_EQ(CancelButtonLeft(1396, 1335).value(), 1);
    // Too narrow: the button stays where it was.
    EXPECT_FALSE(CancelButtonLeft(1395, 1335).has_value());
    EXPECT_FALSE(CancelButtonLeft(100, 1335).has_value());
}
