// The caption's gradient strips and the lightness rule.

#include <gtest/gtest.h>

#include "frame/CaptionGradient.h"

namespace {

void ExpectCovers(const std::vector<CaptionStrip>& strips, int width)
{
    int x = 0;
    for (const CaptionStrip& s : strips) {
        EXPECT_EQ(s.x, x);
        x += s.width;
    }
    EXPECT_EQ(x, width);
}

TEST(CaptionGradient, NarrowCaptionsGetOnePixelStrips)
{
    const CaptionColour blue = {0, 0, 128};
    const auto strips = CaptionGradient(153, blue); // split 127
    ExpectCovers(strips, 153);
    EXPECT_EQ(strips.back().x, 127);
    EXPECT_EQ(strips.back().colour, blue);
    for (size_t i = 0; i + 1 < strips.size(); ++i)
        EXPECT_EQ(strips[i].width, 1) << i;

    const auto wider = CaptionGradient(154, blue); // split 128: two-pixel strips
    ExpectCovers(wider, 154);
    EXPECT_EQ(wider[1].width, 2);
}

TEST(CaptionGradient, LighterTowardsTheLeftEdge)
{
    const CaptionColour c = {10, 36, 106};
    const auto strips = CaptionGradient(600, c); // split 500, step 7
    ExpectCovers(strips, 600);
    EXPECT_LE(strips.size(), 75u);
    for (size_t i = 0; i + 1 < strips.size(); ++i)
        EXPECT_GE(strips[i].colour.blue, strips[i + 1].colour.blue);
    // The strip nearest the split is one step lighter: d = 7.
    const CaptionStrip& nearSplit = strips[strips.size() - 2];
    EXPECT_EQ(nearSplit.colour.blue, 106 + 106 * 49 / 250000);
    // Almost double at the left end.
    EXPECT_GT(strips.front().colour.blue, 200);
}

TEST(CaptionGradient, ComponentsStopAt255)
{
    const auto strips = CaptionGradient(1200, {200, 250, 0});
    EXPECT_EQ(strips.front().colour.red, 255);
    EXPECT_EQ(strips.front().colour.green, 255);
    EXPECT_EQ(strips.front().colour.blue, 0);
    // A very wide caption does not overflow the arithmetic.
    const auto huge = CaptionGradient(60000, {255, 255, 255});
    ExpectCovers(huge, 60000);
    EXPECT_EQ(huge.front().colour.red, 255);
}

TEST(CaptionLightness, FromBlackToWhite)
{
    EXPECT_EQ(CaptionLightness({0, 0, 0}), 0);
    EXPECT_EQ(CaptionLightness({255, 255, 255}), 240);
    EXPECT_EQ(CaptionLightness({255, 0, 0}), 120);
    EXPECT_LT(CaptionLightness({0, 0, 128}), 90);
}

} // namespace
