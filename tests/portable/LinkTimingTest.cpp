// Time-outs and retries: when the link gives up, and how long it waits.

#include <gtest/gtest.h>

#include <vector>

#include "TestPlayer.h"

namespace {

using Op = FlashOperation;

std::vector<uint8_t> Pattern(size_t size, unsigned seed)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = uint8_t((i * 31 + seed * 17 + (i >> 9)) & 0xFF);
    return bytes;
}

TEST(LinkTiming, ReadPageGivesUpAtOnceWhenReadyIsAlreadyHigh)
{
    TestPlayer t;
    t.player.Faults().readyHighAfterReadAddress = true;
    t.link->OpenLink();
    uint8_t page[512];
    const long before = t.player.Clock();
    EXPECT_EQ(t.link->ReadPage(0, page, 0), 0);
    EXPECT_LT(t.player.Clock() - before, 5);
    EXPECT_EQ(t.link->Probe(), 0);
}

TEST(LinkTiming, EveryWaitForReadyEndsAfterAThousandTicks)
{
    TestPlayer t;
    t.player.Faults().readyNeverRises = true;
    uint8_t page[512] = {};

    t.link->OpenLink();
    long before = t.player.Clock();
    EXPECT_EQ(t.link->ReadPage(0, page, 0), 0);
    long waited = t.player.Clock() - before;
    EXPECT_GE(waited, 1000);
    EXPECT_LT(waited, 1010);

    t.link->OpenLink();
    before = t.player.Clock();
    EXPECT_EQ(t.link->WritePage(page, 0, 9, 0xFFFF, 0xFFFF), 0);
    waited = t.player.Clock() - before;
    EXPECT_GE(waited, 1000);
    EXPECT_LT(waited, 1010);

    t.player.ClearLogs();
    EXPECT_EQ(t.link->EraseBlock(9), 0);
    // The first unit was erased; the link stopped there without another command.
    EXPECT_EQ(t.player.Operations(), (std::vector<Op>{{Op::Erase, 9 * 64}}));
    EXPECT_TRUE(t.player.ProtocolErrors().empty());
}

TEST(LinkTiming, ThreeFailedAttemptsPauseAThousandTicksEach)
{
    TestPlayer t;
    t.player.Faults().absent = true;
    std::vector<uint8_t> block(32768);
    const long before = t.player.Clock();
    EXPECT_EQ(t.link->ReadBlockRetry(block.data(), 3), 0);
    const long waited = t.player.Clock() - before;
    EXPECT_GE(waited, 3000);
    EXPECT_LT(waited, 3010);
}

TEST(LinkTiming, SlowBusyWithinTheLimitStillSucceeds)
{
    TestPlayer t;
    t.player.Faults().busyReads = 900;
    const auto data = Pattern(32768, 1);
    std::vector<uint8_t> back(32768);
    EXPECT_EQ(t.link->WriteBlock(data.data(), 2, 0xFFFF, 0xFFFF), 1);
    EXPECT_EQ(t.link->ReadBlock(back.data(), 2), 1);
    EXPECT_EQ(back, data);
    EXPECT_TRUE(t.player.ProtocolErrors().empty());
}

// A block in which one page failed is a failed block, and the retry really
// writes the block again.
TEST(LinkTiming, APageThatTimesOutFailsItsBlockAndTheRetryRepairsIt)
{
    TestPlayer t;
    const auto data = Pattern(32768, 2);
    t.player.Faults().hangPrograms = 1;
    EXPECT_EQ(t.link->WriteBlock(data.data(), 4, 0xFFFF, 0xFFFF), 0);

    t.player.Faults().hangPrograms = 2;
    t.player.ClearLogs();
    EXPECT_EQ(t.link->WriteBlockRetry(data.data(), 4, 0xFFFF, 0xFFFF), 1);
    size_t erases = 0;
    for (const auto& op : t.player.Operations())
        erases += op.kind == Op::Erase;
    EXPECT_EQ(erases, 3u * 4u); // three attempts, four units each

    std::vector<uint8_t> back(32768);
    EXPECT_EQ(t.link->ReadBlockRetry(back.data(), 4), 1);
    EXPECT_EQ(back, data);
    EXPECT_TRUE(t.player.ProtocolErrors().empty());

    t.player.Faults().hangPrograms = -1;
    EXPECT_EQ(t.link->WriteBlockRetry(data.data(), 4, 0xFFFF, 0xFFFF), 0);
}

TEST(LinkTiming, AReadThatFailsMidBlockFailsTheBlock)
{
    TestPlayer t;
    const auto data = Pattern(32768, 3);
    ASSERT_EQ(t.link->WriteBlock(data.data(), 6, 0xFFFF, 0xFFFF), 1);
    t.player.Faults().readyHighAfterReadAddress = true;
    std::vector<uint8_t> back(32768);
    EXPECT_EQ(t.link->ReadBlock(back.data(), 6), 0);
    EXPECT_EQ(t.link->ReadBlockRetry(back.data(), 6), 0);
    t.player.Faults().readyHighAfterReadAddress = false;
    EXPECT_EQ(t.link->ReadBlockRetry(back.data(), 6), 1);
    EXPECT_EQ(back, data);
}

} // namespace
