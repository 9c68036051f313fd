// The simulated player itself: it must catch a link that breaks the protocol,
// keep its flash in the image file, and start as a player from the factory.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "TempPath.h"
#include "TestPlayer.h"
#include "simulator/FactoryImage.h"
#include "simulator/ImageFileLock.h"
#include "format/DirectoryImage.h"

namespace {

bool HasError(const SimulatedPlayer& player, const std::string& fragment)
{
    for (const auto& e : player.ProtocolErrors())
        if (e.find(fragment) != std::string::npos)
            return true;
    return false;
}

TEST(SimulatedPlayer, RecordsTheProtocolErrorsOfABrokenLink)
{
    TestPlayer t;
    DeviceLink& link = *t.link;
    link.DataCycle(0x12);
    EXPECT_TRUE(HasError(t.player, "no register selected"));
    link.OpenLink();

    t.player.ClearLogs();
    link.AddressCycle(DeviceLink::kRegAddress);
    link.DataCycle(0x00);
    EXPECT_TRUE(HasError(t.player, "no read, program or erase command"));

    t.player.ClearLogs();
    link.AddressCycle(DeviceLink::kRegCommand);
    link.DataCycle(DeviceLink::kCmdProgram);
    EXPECT_TRUE(HasError(t.player, "program with no serial input"));

    // A page stream one byte short.
    t.player.ClearLogs();
    link.AddressCycle(DeviceLink::kRegCommand);
    link.DataCycle(DeviceLink::kCmdSerialInput);
    link.AddressCycle(DeviceLink::kRegAddress);
    link.DataCycle(0);
    link.DataCycle(0x40);
    link.DataCycle(0);
    link.AddressCycle(DeviceLink::kRegWritePort);
    for (int i = 0; i < 527; ++i)
        link.StreamByte(0, i);
    link.AddressCycle(DeviceLink::kRegCommand);
    link.DataCycle(DeviceLink::kCmdProgram);
    EXPECT_TRUE(HasError(t.player, "page stream of 527 bytes"));

    // A read command, then another command before the player is ready.
    t.player.ClearLogs();
    t.player.Faults().busyReads = 50;
    link.AddressCycle(DeviceLink::kRegCommand);
    link.DataCycle(DeviceLink::kCmdRead);
    link.AddressCycle(DeviceLink::kRegAddress);
    link.DataCycle(0);
    link.DataCycle(0);
    link.DataCycle(0);
    link.AddressCycle(DeviceLink::kRegCommand);
    EXPECT_TRUE(HasError(t.player, "while busy"));
}

TEST(SimulatedPlayer, IgnoresPortsItIsNotAttachedTo)
{
    FlashMemory flash(8);
    SimulatedPlayer player(flash, 0x278);
    EXPECT_EQ(player.In(0x379), 0xFF);
    EXPECT_EQ(player.In(0x279), 0xFF); // attached, but not woken
    player.Out(0x37A, 0x0C);
    EXPECT_TRUE(player.ProtocolErrors().empty());
}

TEST(SimulatedPlayer, AShortWakePulseDoesNotOpenTheLink)
{
    TestPlayer t;
    DeviceLink& link = *t.link;
    auto shortPulse = [&] {
        link.AddressCycle(DeviceLink::kRegWake);
        t.player.Out(0x37A, 0x00);
        link.SpinReads(100);
        t.player.Out(0x37A, 0x04);
        link.SpinReads(100);
    };
    shortPulse();
    link.AddressCycle(DeviceLink::kRegLinkMode);
    link.DataCycle(0x55);
    link.AddressCycle(DeviceLink::kRegLinkKey);
    link.DataCycle(0xAA);
    shortPulse();
    EXPECT_FALSE(t.player.InLinkMode());
    link.OpenLink();
    EXPECT_TRUE(t.player.InLinkMode());
}

// Reads in a row taken at once leave the player as the same reads one call
// at a time: the same answers, the same accesses, the same protocol.
TEST(SimulatedPlayer, RepeatedReadsAreReadsOneByOne)
{
    class OneByOne : public PortIo {
    public:
        explicit OneByOne(PortIo& inner) : m_inner(inner) {}
        void Out(uint16_t port, uint8_t value) override { m_inner.Out(port, value); }
        uint8_t In(uint16_t port) override { return m_inner.In(port); }
        long Clock() override { return m_inner.Clock(); }

    private:
        PortIo& m_inner;
    };
    auto run = [](bool oneByOne) {
        TestPlayer t(16);
        OneByOne ports(t.player);
        if (oneByOne)
            t.link->AttachPorts(&ports);
        t.player.Faults().busyReads = 25; // longer than a nibble's settling
        t.player.Faults().slowProgram = {1, 3};
        std::vector<uint8_t> page(512), back(512);
        for (size_t i = 0; i < page.size(); ++i)
            page[i] = uint8_t(i * 7);
        EXPECT_EQ(t.link->EraseBlock(2), 1);
        EXPECT_EQ(t.link->WritePage(page.data(), 3, 2, 0xFFFF, 0xFFFF), 1);
        EXPECT_EQ(t.link->ReadPage(3, back.data(), 2), 1);
        EXPECT_EQ(back, page);
        t.link->CloseLink();
        return std::make_pair(t.player.Accesses(), t.player.ProtocolErrors());
    };
    EXPECT_EQ(run(false), run(true));
}

// A chip busy with a slow operation ignores what it is sent (an error of
// the link) and stays busy through a wake-up. A read it was too slow for is
// dropped: the stream then gives the page its register held before.
TEST(SimulatedPlayer, ASlowChipIgnoresCommandsAndDropsATooSlowRead)
{
    TestPlayer t(16);
    std::vector<uint8_t> first(512, 0x11), second(512, 0x22), back(512);
    ASSERT_EQ(t.link->EraseBlock(1), 1);
    t.player.Faults().slowProgram = {2, 1500};
    ASSERT_EQ(t.link->WritePage(first.data(), 0, 1, 0xFFFF, 0xFFFF), 1);
    EXPECT_EQ(t.link->WritePage(second.data(), 1, 1, 0xFFFF, 0xFFFF), 0); // outlasted the time-out
    t.link->OpenLink();
    EXPECT_TRUE(t.player.Busy());
    EXPECT_EQ(t.link->WaitReady(), 1);
    EXPECT_TRUE(t.player.ProtocolErrors().empty());

    ASSERT_EQ(t.link->ReadPage(0, back.data(), 1), 1);
    t.player.Faults().slowRead = {1, 1500};
    EXPECT_EQ(t.link->ReadPage(1, back.data(), 1), 0);
    t.link->AddressCycle(DeviceLink::kRegCommand);
    t.link->DataCycle(DeviceLink::kCmdRead);
    EXPECT_TRUE(HasError(t.player, "data cycle to 0xA1 while busy"));
    EXPECT_EQ(t.link->WaitReady(), 1);
    t.link->AddressCycle(DeviceLink::kRegReadPort);
    for (int i = 0; i < 512; ++i)
        back[size_t(i)] = t.link->ReadStreamByte();
    EXPECT_EQ(back, first);
    ASSERT_EQ(t.link->ReadPage(1, back.data(), 1), 1);
    EXPECT_EQ(back, second); // the slow program did its work
}

// Past the flash's end the bank byte selects a chip that is not there:
// nothing answers and nothing changes, and the log shows the page as sent.
TEST(SimulatedPlayer, AddressesBeyondTheMemoryReachNoChip)
{
    TestPlayer t(16);
    std::vector<uint8_t> data(512, 0x5A), back(512, 0x11);
    std::vector<uint8_t> before(t.flash.RawPage(0), t.flash.RawPage(0) + 528);
    t.player.ClearLogs();
    EXPECT_EQ(t.link->EraseBlock(16), 0); // ready at once: no erase under way
    EXPECT_EQ(t.link->WritePage(data.data(), 0, 16, 0xFFFF, 0xFFFF), 1); // a program cannot tell
    EXPECT_EQ(t.link->ReadPage(0, back.data(), 16), 0); // ready at once: no read under way
    EXPECT_EQ(std::vector<uint8_t>(t.flash.RawPage(0), t.flash.RawPage(0) + 528), before);
    EXPECT_EQ(t.player.Operations().back(), (FlashOperation{FlashOperation::Read, 16 * 64}));
    EXPECT_EQ(t.player.Operations()[0], (FlashOperation{FlashOperation::Erase, 16 * 64}));
    EXPECT_EQ(t.player.Operations()[1], (FlashOperation{FlashOperation::Program, 16 * 64}));
    EXPECT_TRUE(t.player.ProtocolErrors().empty());
}

TEST(PlayerImage, ANewImageIsAFactoryFreshPlayer)
{
    TempPath path("image");
    std::string error;
    auto flash = FlashMemory::OpenImage(path.String(), &error);
    ASSERT_TRUE(flash) << error;
    EXPECT_EQ(std::filesystem::file_size(path.Path()), 65536u * 528u);

    TestPlayer fresh(1024);
    MakeFactoryFresh(fresh.flash);
    std::ifstream file(path.Path(), std::ios::binary);
    std::vector<char> bytes(64 * 528 * 2);
    file.read(bytes.data(), std::streamsize(bytes.size()));
    for (uint32_t page = 0; page < 128; ++page)
        ASSERT_EQ(std::memcmp(bytes.data() + page * 528, fresh.flash.RawPage(page), 528), 0) << page;
    // Block 1 is erased.
    EXPECT_TRUE(std::all_of(bytes.begin() + 64 * 528, bytes.end(), [](char c) { return c == '\xFF'; }));
}

TEST(PlayerImage, ChangesReachTheFileAsTheyHappen)
{
    TempPath path("image");
    std::string error;
    std::vector<uint8_t> data(32768);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = uint8_t(i % 251);
    {
        auto flash = FlashMemory::OpenImage(path.String(), &error, 32);
        ASSERT_TRUE(flash) << error;
        SimulatedPlayer player(*flash);
        player.UseVirtualClock(true);
        DeviceLink link;
        link.AttachPorts(&player);
        link.SetPort(0x378);
        ASSERT_EQ(link.WriteBlock(data.data(), 9, 8, 10), 1);
        // Read the file while the player is still running.
        std::ifstream file(path.Path(), std::ios::binary);
        std::vector<char> page(528);
        file.seekg(9 * 64 * 528 + 63 * 528);
        file.read(page.data(), 528);
        EXPECT_EQ(std::memcmp(page.data(), data.data() + 63 * 512, 512), 0);
    }
    auto reopened = FlashMemory::OpenImage(path.String(), &error, 1024);
    ASSERT_TRUE(reopened) << error;
    EXPECT_EQ(reopened->Blocks(), 32);
    EXPECT_EQ(std::memcmp(reopened->RawPage(9 * 64), data.data(), 512), 0);
}

TEST(PlayerImage, TwoProgramsOnOneImageSeeEachOthersPages)
{
    TempPath path("image");
    std::string error;
    auto window = FlashMemory::OpenImage(path.String(), &error, 16);
    auto tool = FlashMemory::OpenImage(path.String(), &error, 16);
    ASSERT_TRUE(window && tool) << error;
    std::vector<uint8_t> raw(528, 0x3C);
    tool->EraseUnit(5 * 64);
    tool->ProgramPage(5 * 64, raw.data());
    EXPECT_EQ(std::memcmp(window->RawPage(5 * 64), raw.data(), 528), 0);
    // Programming clears bits of what the file holds now, not of an old copy.
    std::vector<uint8_t> more(528, 0x0F);
    window->ProgramPage(5 * 64, more.data());
    EXPECT_EQ(tool->RawPage(5 * 64)[0], 0x0C);
}

// Two programs on one image: while one holds the player the other waits,
// then gives up; once it is let go the other has it. Other ports are free.
TEST(PlayerImage, ItsLockKeepsASecondProgramOffThePlayer)
{
    TempPath path("image");
    std::string error;
    auto window = FlashMemory::OpenImage(path.String(), &error, 16);
    auto tool = FlashMemory::OpenImage(path.String(), &error, 16);
    ASSERT_TRUE(window && tool) << error;
    ImageFileLock windowLock(*window, 0x378), toolLock(*tool, 0x378);
    ASSERT_EQ(windowLock.Acquire(0x378, 0), LockResult::Held);
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(toolLock.Acquire(0x378, 150), LockResult::Busy);
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(150));
    EXPECT_EQ(toolLock.Acquire(0x278, 150), LockResult::Held);
    windowLock.Release();
    EXPECT_EQ(toolLock.Acquire(0x378, 0), LockResult::Held);
    EXPECT_EQ(windowLock.Acquire(0x378, 0), LockResult::Busy);
}

TEST(PlayerImage, AFileOfTheWrongSizeIsRefused)
{
    TempPath path("image");
    {
        std::ofstream file(path.Path(), std::ios::binary);
        file << "not a player";
    }
    std::string error;
    EXPECT_FALSE(FlashMemory::OpenImage(path.String(), &error));
    EXPECT_NE(error.find("not a player image"), std::string::npos);
}

} // namespace
