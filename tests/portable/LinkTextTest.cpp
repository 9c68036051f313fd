// A link's fallback command line and its failure texts.

#include <gtest/gtest.h>

#include "app/LinkText.h"

namespace {

TEST(LinkText, TheRegisteredCommandLosesItsPlaceholderAndGetsTheTarget)
{
    EXPECT_EQ(CommandLineForTarget("\"C:\\Browser\\browse.exe\" -nohome \"%1\" -new", "http://example.org/"),
              "\"C:\\Browser\\browse.exe\" -nohome  http://example.org/");
    EXPECT_EQ(CommandLineForTarget("browse.exe %1 -x", "news:x"), "browse.exe  news:x");
    EXPECT_EQ(CommandLineForTarget("browse.exe", "mailto:a@example.com"), "browse.exe mailto:a@example.com");
}

TEST(LinkText, ACommandThatWouldNotFitIsNone)
{
    EXPECT_FALSE(CommandLineForTarget(std::string(500, 'c'), std::string(30, 't')));
    EXPECT_TRUE(CommandLineForTarget(std::string(488, 'c'), std::string(30, 't'))); // 519 characters
    EXPECT_FALSE(CommandLineForTarget(std::string(489, 'c'), std::string(30, 't')));
}

TEST(LinkText, EachCodeHasItsText)
{
    EXPECT_EQ(LaunchErrorText(27), "Can't open link:\n\nThe filename association is\nincomplete or invalid.");
    EXPECT_EQ(LaunchErrorText(2), "Can't open link:\n\nThe specified file was not found.");
    EXPECT_EQ(LaunchErrorText(26), "Can't open link:\n\nA sharing violation occurred. ");
    EXPECT_EQ(LaunchErrorText(99), "Can't open link:\n\nUnknown Error (99) occurred.");
}

} // namespace
