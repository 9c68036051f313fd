// The exact port accesses of the link: register cycles, wake-up and release,
// page addresses, the page stream with its spare bytes.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "link/DeviceLink.h"
#include "format/PageFormat.h"
#include "link/RecordingPortIo.h"
#include "WireSequence.h"

namespace {

struct RecordedLink {
    RecordedLink()
    {
        link.AttachPorts(&ports);
        link.SetPort(0x378);
    }
    std::vector<PortAccess> Prefix(size_t n) const
    {
        const auto& log = ports.Log();
        return std::vector<PortAccess>(log.begin(), log.begin() + std::min(n, log.size()));
    }
    RecordingPortIo ports;
    DeviceLink link;
};

TEST(LinkSequence, BuildingBlocksMakeExactlyTheirAccesses)
{
    RecordedLink r;
    r.ports.SetDefaultStatus(0x5A);
    r.link.AddressCycle(0xA3);
    r.link.DataCycle(0x42);
    r.link.StreamByte(0x11, 0);
    r.link.StreamByte(0x22, 1);
    r.link.StreamByte(0x33, 2);
    r.link.SpinReads(3);

    WireSequence expected;
    expected.Address(0xA3).Cycle(0x42);
    expected.Data(0x11).Control(0x00).Status(0x5A);
    expected.Data(0x22).Control(0x04).Status(0x5A);
    expected.Data(0x33).Control(0x00).Status(0x5A);
    expected.Statuses(3, 0x5A);
    EXPECT_EQ(r.ports.Log(), expected.Accesses());
}

TEST(LinkSequence, ReadStreamByteSamplesTwiceAndReassembles)
{
    RecordedLink r;
    std::deque<uint8_t> script(20, 0x00);
    script.push_back(0x38);
    script.insert(script.end(), 20, 0x00);
    script.push_back(0xC8);
    r.ports.ScriptStatus(script);

    EXPECT_EQ(r.link.ReadStreamByte(), 0xD2);

    WireSequence expected;
    expected.Control(0x00).Statuses(20, 0x00).Status(0x38);
    expected.Control(0x04).Statuses(20, 0x00).Status(0xC8);
    EXPECT_EQ(r.ports.Log(), expected.Accesses());
}

TEST(LinkSequence, ReadStreamByteInvertsBitSevenOfBothSamples)
{
    // With every line low the inverted lines read as ones: bits 4 and 0.
    RecordedLink r;
    r.ports.SetDefaultStatus(0x00);
    EXPECT_EQ(r.link.ReadStreamByte(), 0x11);
    r.ports.SetDefaultStatus(0xF0);
    EXPECT_EQ(r.link.ReadStreamByte(), 0xEE);
}

TEST(LinkSequence, OpenAndCloseLink)
{
    RecordedLink r;
    r.ports.SetDefaultStatus(0x00);
    EXPECT_EQ(r.link.OpenLink(), 1);
    WireSequence open;
    open.Control(0x04).Address(0xA8).Pulse(0x00);
    open.Address(0xAD).Cycle(0x55).Address(0xAE).Cycle(0xAA);
    open.Address(0xA8).Pulse(0x00);
    EXPECT_EQ(r.ports.Log(), open.Accesses());

    r.ports.Clear();
    EXPECT_EQ(r.link.CloseLink(), 1);
    WireSequence close;
    close.Address(0xAD).Cycle(0xFF).Data(0x00);
    EXPECT_EQ(r.ports.Log(), close.Accesses());
}

TEST(LinkSequence, PageAddressesReachThePlayerAsBankAndRowBytes)
{
    struct Example {
        int block, page;
        uint8_t bank, low, high;
    };
    const Example examples[] = {{5, 3, 0x00, 0x43, 0x01},
                                {300, 0, 0x01, 0x00, 0x0B},
                                {1023, 63, 0x03, 0xFF, 0x3F}};
    for (const auto& e : examples) {
        SCOPED_TRACE(e.block);
        RecordedLink r;
        r.ports.SetDefaultStatus(0x08); // not busy after the address: the read gives up at once
        uint8_t page[512];
        EXPECT_EQ(r.link.ReadPage(e.page, page, e.block), 0);
        WireSequence read;
        read.Address(0xAB).Cycle(e.bank).Address(0xA1).Cycle(0x00);
        read.Address(0xA2).Cycle(0x00).Cycle(e.low).Cycle(e.high).Status(0x08);
        EXPECT_EQ(r.ports.Log(), read.Accesses());
    }
}

// An erase is seen taken: busy at the first look after its confirm.
TEST(LinkSequence, EraseSendsEachUnitWithATwoByteRowAddress)
{
    RecordedLink r;
    std::deque<uint8_t> script(4 * 20000, 0x08); // the wake-up's two pulses
    for (int unit = 0; unit < 4; ++unit) {
        script.push_back(0x00); // busy: the chip took it
        script.insert(script.end(), 201, 0x08);
    }
    r.ports.ScriptStatus(script);
    r.ports.SetDefaultStatus(0x08);
    EXPECT_EQ(r.link.EraseBlock(300), 1);

    WireSequence expected;
    expected.Control(0x04).Address(0xA8).Pulse(0x08);
    expected.Address(0xAD).Cycle(0x55).Address(0xAE).Cycle(0xAA);
    expected.Address(0xA8).Pulse(0x08);
    for (uint8_t low : {0x00, 0x10, 0x20, 0x30}) {
        expected.Address(0xAB).Cycle(0x01).Address(0xA1).Cycle(0x60);
        expected.Address(0xA2).Cycle(low).Cycle(0x0B);
        expected.Address(0xA1).Cycle(0xD0).Status(0x00);
        expected.Clock().Clock().Status(0x08);
        expected.Address(0xA1).Cycle(0x70).Address(0xA0);
        expected.Control(0x00).Statuses(100, 0x08).Control(0x04).Statuses(100, 0x08);
    }
    EXPECT_EQ(r.ports.Log(), expected.Accesses());

    // Ready at once: nothing took the erase, and nothing more is sent.
    RecordedLink gone;
    gone.ports.SetDefaultStatus(0x08);
    EXPECT_EQ(gone.link.EraseBlock(300), 0);
    EXPECT_EQ(gone.ports.Log().back(), (PortAccess{PortAccess::In, 0x379, 0x08}));
}

TEST(LinkSequence, WritePageStreamsDataAndSpareThenPrograms)
{
    RecordedLink r;
    r.ports.SetDefaultStatus(0x08);
    uint8_t page[512];
    for (int i = 0; i < 512; ++i)
        page[i] = uint8_t(i * 7);
    EXPECT_EQ(r.link.WritePage(page, 3, 5, 5, 7), 1);

    const auto spare = SpareBytes(5, 7, PageChecksum(page));
    WireSequence expected;
    expected.Address(0xAB).Cycle(0x00).Address(0xA1).Cycle(0x80);
    expected.Address(0xA2).Cycle(0x00).Cycle(0x43).Cycle(0x01);
    expected.Address(0xA3);
    for (int i = 0; i < 512; ++i)
        expected.Data(page[i]).Control((i & 1) ? 0x04 : 0x00).Status(0x08);
    for (int i = 0; i < 16; ++i)
        expected.Data(spare[i]).Control((i & 1) ? 0x04 : 0x00).Status(0x08);
    expected.Address(0xA1).Cycle(0x10);
    expected.Clock().Clock().Status(0x08);
    expected.Address(0xA1).Cycle(0x70).Address(0xA0);
    expected.Control(0x00).Statuses(100, 0x08).Control(0x04).Statuses(100, 0x08);
    EXPECT_EQ(r.ports.Log(), expected.Accesses());
}

TEST(LinkSequence, ReadPageReadsFortyTwoStatusesPerStreamByte)
{
    RecordedLink r;
    std::deque<uint8_t> script = {0x00, 0x00, 0x08}; // busy, busy, then ready
    r.ports.ScriptStatus(script);
    r.ports.SetDefaultStatus(0x08);
    uint8_t page[512];
    EXPECT_EQ(r.link.ReadPage(0, page, 0), 1);

    const auto& log = r.ports.Log();
    auto selectRead = std::find(log.begin(), log.end(), PortAccess{PortAccess::Out, 0x378, 0xA0});
    ASSERT_NE(selectRead, log.end());
    auto reads = std::count_if(selectRead, log.end(),
                               [](const PortAccess& a) { return a.kind == PortAccess::In; });
    EXPECT_EQ(reads, 528 * 42 + 1); // the stream, then the final ready test
    EXPECT_EQ(page[0], 0x11);       // every line high but bit 3: see the inverted bits
}

TEST(PageFormat, SpareBytesCarryTheChainLinksAndChecksum)
{
    using Spare = std::array<uint8_t, 16>;
    EXPECT_EQ(SpareBytes(5, 7, 0xBEEF),
              (Spare{0x00, 0xC0, 0x01, 0x00, 0x00, 0x00, 0x00, 0x40, 0x01, 0x00, 0x00, 0x00, 0xEF,
                     0xBE, 0x00, 0x05}));
    EXPECT_EQ(SpareBytes(0, 0, 0x1234),
              (Spare{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x34, 0x12, 0, 0}));
    EXPECT_EQ(SpareBytes(0xFFFF, 0xFFFF, 0x1234),
              (Spare{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x34,
                     0x12, 0xFF, 0xFF}));
    // High bytes of large block numbers appear twice; byte 15 keeps the low byte.
    EXPECT_EQ(SpareBytes(0x0312, 0x0204, 0),
              (Spare{0x00, 0x00, 0x81, 0x00, 0x02, 0x02, 0x00, 0x80, 0xC4, 0x00, 0x03, 0x03, 0x00,
                     0x00, 0x00, 0x12}));
}

TEST(PageFormat, PageChecksumNegatesTheWordSum)
{
    uint8_t page[512] = {};
    EXPECT_EQ(PageChecksum(page), 0x0000);
    std::fill(std::begin(page), std::end(page), 0xFF);
    EXPECT_EQ(PageChecksum(page), 0x0100);
    std::fill(std::begin(page), std::end(page), 0x00);
    page[0] = 0x01;
    page[3] = 0x02; // words 0x0001 and 0x0200
    EXPECT_EQ(PageChecksum(page), uint16_t(-0x0201));

    // A directory's worth of the largest bytes, and every length up to past
    // where the sum empties its lanes, as one word at a time sums them.
    std::vector<uint8_t> bytes(16384, 0xFF);
    EXPECT_EQ(SumOfWords(bytes.data(), 8192), uint16_t(8192 * 0xFFFF));
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = uint8_t(i * 131 + (i >> 9));
    uint32_t sum = 0;
    for (int words = 0; words <= 1100; ++words) {
        EXPECT_EQ(SumOfWords(bytes.data() + 1, words), uint16_t(sum)) << words;
        sum += bytes[size_t(2 * words + 1)] + (bytes[size_t(2 * words + 2)] << 8);
    }
}

TEST(PageFormat, AllBytesAreSeesAnyOtherByteAtAnyPlace)
{
    std::vector<uint8_t> bytes(40, 0x5A);
    for (size_t size = 0; size + 1 < bytes.size(); ++size) {
        EXPECT_TRUE(AllBytesAre(bytes.data() + 1, size, 0x5A)) << size;
        for (size_t at = 0; at < size; ++at) {
            bytes[1 + at] = 0x5B;
            EXPECT_FALSE(AllBytesAre(bytes.data() + 1, size, 0x5A)) << size << " " << at;
            bytes[1 + at] = 0x5A;
        }
    }
}

} // namespace
