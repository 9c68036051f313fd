// The link against the simulated player: what is written is what is stored
// and read back, byte for byte, and the player sees no protocol error.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "TestPlayer.h"
#include "format/PageFormat.h"
#include "simulator/FactoryImage.h"
#include "format/DirectoryImage.h"

namespace {

std::vector<uint8_t> Pattern(size_t size, unsigned seed)
{
    std::vector<uint8_t> bytes(size);
    uint32_t x = seed * 2654435761u + 1;
    for (auto& b : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = uint8_t(x);
    }
    return bytes;
}

TEST(LinkPlayer, APageGoesThereAndBackWithItsSpareBytes)
{
    TestPlayer t;
    const auto data = Pattern(512, 1);
    ASSERT_EQ(t.link->EraseBlock(7), 1);
    ASSERT_EQ(t.link->WritePage(data.data(), 3, 7, 5, 9), 1);

    const uint8_t* stored = t.flash.RawPage(7 * 64 + 3);
    EXPECT_EQ(std::memcmp(stored, data.data(), 512), 0);
    const auto spare = SpareBytes(5, 9, PageChecksum(data.data()));
    EXPECT_EQ(std::memcmp(stored + 512, spare.data(), 16), 0);

    uint8_t back[512] = {};
    ASSERT_EQ(t.link->ReadPage(3, back, 7), 1);
    EXPECT_EQ(std::memcmp(back, data.data(), 512), 0);
    EXPECT_TRUE(t.player.ProtocolErrors().empty());
}

TEST(LinkPlayer, EveryByteValueSurvivesTheNibbleEncoding)
{
    TestPlayer t;
    std::vector<uint8_t> data(512);
    for (int i = 0; i < 512; ++i)
        data[i] = uint8_t(i);
    ASSERT_EQ(t.link->EraseBlock(1), 1);
    ASSERT_EQ(t.link->WritePage(data.data(), 0, 1, 0xFFFF, 0xFFFF), 1);
    std::vector<uint8_t> back(512);
    ASSERT_EQ(t.link->ReadPage(0, back.data(), 1), 1);
    EXPECT_EQ(back, data);
}

TEST(LinkPlayer, AWholeBlockGoesThereAndBack)
{
    TestPlayer t;
    const auto data = Pattern(32768, 2);
    ASSERT_EQ(t.link->WriteBlockRetry(data.data(), 300, 299, 301), 1);
    std::vector<uint8_t> back(32768);
    ASSERT_EQ(t.link->ReadBlockRetry(back.data(), 300), 1);
    EXPECT_EQ(back, data);
    // Every page of the block carries the same links.
    for (int page = 0; page < 64; ++page) {
        const uint8_t* raw = t.flash.RawPage(300 * 64 + page);
        const auto spare = SpareBytes(299, 301, PageChecksum(raw));
        EXPECT_EQ(std::memcmp(raw + 512, spare.data(), 16), 0) << page;
    }
    EXPECT_TRUE(t.player.ProtocolErrors().empty());
}

TEST(LinkPlayer, EraseClearsExactlyItsSixtyFourPages)
{
    TestPlayer t;
    uint8_t zeros[528] = {};
    for (uint32_t page = 4 * 64; page < 7 * 64; ++page)
        t.flash.StorePage(page, zeros);
    ASSERT_EQ(t.link->EraseBlock(5), 1);
    for (uint32_t page = 4 * 64; page < 7 * 64; ++page) {
        const uint8_t* raw = t.flash.RawPage(page);
        const bool erased = std::all_of(raw, raw + 528, [](uint8_t b) { return b == 0xFF; });
        const bool inBlock5 = page >= 5 * 64 && page < 6 * 64;
        EXPECT_EQ(erased, inBlock5) << page;
    }
    EXPECT_TRUE(t.player.ProtocolErrors().empty());
}

TEST(LinkPlayer, ProgrammingWithoutAnEraseOnlyClearsBits)
{
    TestPlayer t;
    std::vector<uint8_t> first(512, 0xF0), second(512, 0x3C), back(512);
    ASSERT_EQ(t.link->EraseBlock(2), 1);
    ASSERT_EQ(t.link->WritePage(first.data(), 0, 2, 0xFFFF, 0xFFFF), 1);
    ASSERT_EQ(t.link->WritePage(second.data(), 0, 2, 0xFFFF, 0xFFFF), 1);
    ASSERT_EQ(t.link->ReadPage(0, back.data(), 2), 1);
    EXPECT_EQ(back, std::vector<uint8_t>(512, 0x30));
}

TEST(LinkPlayer, ProbeFindsAPlayerOnlyOnItsPortAndLeavesItInLinkMode)
{
    TestPlayer t(1024, 0x278);
    t.link->SetPort(0x378);
    EXPECT_EQ(t.link->Probe(), 0);
    EXPECT_FALSE(t.player.InLinkMode());

    t.link->SetPort(0x278);
    EXPECT_EQ(t.link->Probe(), 1);
    EXPECT_TRUE(t.player.InLinkMode());
    t.link->CloseLink();
    EXPECT_FALSE(t.player.InLinkMode());
    EXPECT_TRUE(t.player.ProtocolErrors().empty());

    t.player.Faults().absent = true;
    EXPECT_EQ(t.link->Probe(), 0);
}

TEST(LinkPlayer, ThePlayerAnswersOnlyAfterTheWakeUp)
{
    TestPlayer t;
    uint8_t page[512];
    EXPECT_EQ(t.link->ReadPage(0, page, 0), 0);
    t.link->OpenLink();
    EXPECT_EQ(t.link->ReadPage(0, page, 0), 1);
    t.link->CloseLink();
    EXPECT_EQ(t.link->ReadPage(0, page, 0), 0);
}

TEST(LinkPlayer, AFactoryFreshPlayerHoldsAValidEmptyDirectory)
{
    TestPlayer t;
    MakeFactoryFresh(t.flash);
    auto image = std::make_unique<DirectoryImage>();
    t.link->OpenLink();
    for (int page = 0; page < 64; ++page)
        ASSERT_EQ(t.link->ReadPage(page, image->Bytes() + 512 * page, 0), 1);
    EXPECT_TRUE(image->ChecksumsValid());
    EXPECT_EQ(image->entryCount(), 0);
    EXPECT_EQ(image->freeBlocks(), 1024);
}

TEST(LinkPlayer, BitFlipsOnReadReachTheReader)
{
    TestPlayer t;
    const auto data = Pattern(512, 4);
    ASSERT_EQ(t.link->EraseBlock(1), 1);
    ASSERT_EQ(t.link->WritePage(data.data(), 0, 1, 0xFFFF, 0xFFFF), 1);
    t.player.Faults().flipBitEvery = 100;
    std::vector<uint8_t> back(512);
    ASSERT_EQ(t.link->ReadPage(0, back.data(), 1), 1);
    int differing = 0;
    for (int i = 0; i < 512; ++i)
        differing += back[i] != data[i];
    EXPECT_EQ(differing, 5); // bytes 100, 200, ... 500 of the stream
}

TEST(LinkPlayer, APowerCutKeepsWhatWasProgrammedAndLosesTheRest)
{
    TestPlayer t;
    const auto data = Pattern(32768, 5);
    t.player.Faults().powerCutAfter = 4 + 10; // the erase units, then ten pages
    t.link->WriteBlock(data.data(), 3, 0xFFFF, 0xFFFF);
    EXPECT_TRUE(t.player.PoweredOff());
    for (int page = 0; page < 64; ++page) {
        const uint8_t* raw = t.flash.RawPage(3 * 64 + page);
        if (page < 10)
            EXPECT_EQ(std::memcmp(raw, data.data() + 512 * page, 512), 0) << page;
        else
            EXPECT_TRUE(std::all_of(raw, raw + 528, [](uint8_t b) { return b == 0xFF; })) << page;
    }
    EXPECT_EQ(t.link->Probe(), 0);
}

} // namespace
