// The saved window placement as text.

#include <gtest/gtest.h>

#include "frame/PlacementText.h"

namespace {

TEST(PlacementText, TenNumbersThereAndBack)
{
    PlacementNumbers n;
    n.flags = 2;
    n.showCommand = 3;
    n.minX = n.minY = -1;
    n.maxX = -8;
    n.maxY = -30;
    n.left = 40;
    n.top = 50;
    n.right = 540;
    n.bottom = 350;
    const std::string text = FormatPlacementText(n);
    EXPECT_EQ(text, "2,3,-1,-1,-8,-30,40,50,540,350");
    PlacementNumbers back;
    ASSERT_TRUE(ParsePlacementText(text, &back));
    EXPECT_EQ(FormatPlacementText(back), text);
}

TEST(PlacementText, AnythingButTenNumbersIsRefused)
{
    PlacementNumbers n;
    EXPECT_FALSE(ParsePlacementText("", &n));
    EXPECT_FALSE(ParsePlacementText("1,2,3,4,5,6,7,8,9", &n));
    EXPECT_FALSE(ParsePlacementText("1,2,3,4,5,6,7,8,9,", &n));
    EXPECT_FALSE(ParsePlacementText("1;2,3,4,5,6,7,8,9,10", &n));
    EXPECT_FALSE(ParsePlacementText("-1,2,3,4,5,6,7,8,9,10", &n));          // flags are unsigned
    EXPECT_FALSE(ParsePlacementText("1,2,3,4,5,6,7,8,9,99999999999", &n)); // beyond 32 bits
    EXPECT_TRUE(ParsePlacementText(" 1, 2, 3,4,5,6,7,8,9,10 and more", &n));
    EXPECT_EQ(n.bottom, 10);
}

} // namespace
