// The page-level player serves the link's page operations as the
// register-level one does over the wire: one run of the storage code drives
// both, every answer is compared as it is given, and in the end the two
// flashes hold the same bytes and the two logs the same flash operations.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "MemoryCopyFolder.h"
#include "ScriptedUi.h"
#include "TempPath.h"
#include "TestFiles.h"
#include "link/DeviceLink.h"
#include "link/PageDevice.h"
#include "format/PageFormat.h"
#include "simulator/FactoryImage.h"
#include "simulator/FlashMemory.h"
#include "simulator/PagePlayer.h"
#include "simulator/SimulatedPlayer.h"
#include "commands/SongCommands.h"
#include "storage/safety/DirectoryCopies.h"

namespace {

// The two players behind one page device: the register-level one through a
// link of its own on the wire, the page-level one directly. Each answer is
// the register-level player's, and the page-level one must give the same.
class BothPlayers : public PageDevice, public PortIo {
public:
    BothPlayers()
    {
        MakeFactoryFresh(m_wireFlash);
        MakeFactoryFresh(m_pageFlash);
        PowerBack();
    }

    // New players on the same flashes, as after a power cut; the logs go on.
    void PowerBack()
    {
        if (m_pWirePlayer) {
            Keep(m_pWirePlayer->Operations(), &m_wireOperations);
            Keep(m_pPagePlayer->Operations(), &m_pageOperations);
        }
        m_pWirePlayer = std::make_unique<SimulatedPlayer>(m_wireFlash);
        m_pWirePlayer->UseVirtualClock(true);
        m_pPagePlayer = std::make_unique<PagePlayer>(m_pageFlash);
        m_pWire = std::make_unique<DeviceLink>();
        m_pWire->AttachPorts(m_pWirePlayer.get());
        m_pWire->SetPort(0x378);
    }

    // The same faults for both.
    template <typename Change>
    void Faults(Change change)
    {
        change(m_pWirePlayer->Faults());
        change(m_pPagePlayer->Faults());
    }

    int OpenLink() override { return Same("wake-up", m_pWire->OpenLink(), m_pPagePlayer->OpenLink()); }
    int CloseLink() override { return Same("release", m_pWire->CloseLink(), m_pPagePlayer->CloseLink()); }
    int WaitReady() override { return Same("wait", m_pWire->WaitReady(), m_pPagePlayer->WaitReady()); }

    int ReadPage(uint32_t page, uint8_t* destination, int keep) override
    {
        // A read that fails early leaves the destination as it was.
        uint8_t wire[kRawPageSize], direct[kRawPageSize];
        std::memset(wire, 0xA5, sizeof wire);
        std::memcpy(wire, destination, size_t(keep));
        std::memcpy(direct, wire, sizeof direct);
        const int block = int(page / kPagesPerBlock), index = int(page % kPagesPerBlock);
        const int answer = Same("read of page " + std::to_string(page), m_pWire->ReadRawPage(index, wire, block),
                                m_pPagePlayer->ReadPage(page, direct, kRawPageSize));
        EXPECT_EQ(std::memcmp(wire, direct, kRawPageSize), 0) << "bytes of page " << page;
        std::memcpy(destination, wire, size_t(keep));
        return answer;
    }

    int ProgramPage(uint32_t page, const uint8_t* data, const uint8_t* spare) override
    {
        SpareLinks links{};
        EXPECT_TRUE(ParseSpareBytes(spare, &links));
        EXPECT_EQ(SpareBytes(links.previous, links.next, PageChecksum(data)),
                  (std::array<uint8_t, kSpareSize>{spare[0], spare[1], spare[2], spare[3], spare[4], spare[5],
                                                   spare[6], spare[7], spare[8], spare[9], spare[10], spare[11],
                                                   spare[12], spare[13], spare[14], spare[15]}));
        const int block = int(page / kPagesPerBlock), index = int(page % kPagesPerBlock);
        return Same("program of page " + std::to_string(page),
                    m_pWire->WritePage(data, index, block, links.previous, links.next),
                    m_pPagePlayer->ProgramPage(page, data, spare));
    }

    int EraseUnit(uint32_t page) override
    {
        return Same("erase of page " + std::to_string(page), m_pWire->EraseUnit(page), m_pPagePlayer->EraseUnit(page));
    }

    void Out(uint16_t, uint8_t) override { ADD_FAILURE() << "a register write bypassed the page device"; }
    uint8_t In(uint16_t) override
    {
        ADD_FAILURE() << "a register read bypassed the page device";
        return 0xFF;
    }
    long Clock() override { return ++m_nTicks; }

    void ExpectSameFlashAndLog()
    {
        PowerBack();
        EXPECT_EQ(m_wireOperations, m_pageOperations);
        uint32_t differing = 0;
        for (uint32_t page = 0; page < m_wireFlash.Pages(); ++page)
            differing += std::memcmp(m_wireFlash.RawPage(page), m_pageFlash.RawPage(page), kRawPageSize) != 0;
        EXPECT_EQ(differing, 0u) << "pages that differ";
    }

    SimulatedPlayer& WirePlayer() { return *m_pWirePlayer; }
    PagePlayer& Pages() { return *m_pPagePlayer; }
    const std::vector<FlashOperation>& WireOperations() const { return m_wireOperations; }
    int answers = 0;

private:
    int Same(const std::string& what, int wire, int direct)
    {
        ++answers;
        EXPECT_EQ(wire, direct) << what << " after " << answers << " answers";
        return wire;
    }

    static void Keep(const std::vector<FlashOperation>& from, std::vector<FlashOperation>* into)
    {
        into->insert(into->end(), from.begin(), from.end());
    }

    FlashMemory m_wireFlash{1024};
    FlashMemory m_pageFlash{1024};
    std::unique_ptr<SimulatedPlayer> m_pWirePlayer;
    std::unique_ptr<PagePlayer> m_pPagePlayer;
    std::unique_ptr<DeviceLink> m_pWire;
    std::vector<FlashOperation> m_wireOperations;
    std::vector<FlashOperation> m_pageOperations;
    long m_nTicks = 0;
};

// A link whose page operations go to both players.
struct TwoPaths {
    TwoPaths()
    {
        link.AttachPorts(&both);
        link.AttachPageDevice(&both);
        link.AttachUserInterface(&ui);
        link.AttachDirectoryCopies(&copies);
        link.SetPort(0x378);
    }
    BothPlayers both;
    ScriptedUi ui;
    MemoryCopyFolder pc;
    DirectoryCopies copies{pc};
    DeviceLink link;
    ReloadingList list{link};
    SongCommands commands{link, list};
};

TEST(PagePath, EveryFaultGivesTheAnswersOfTheWire)
{
    TwoPaths t;
    DeviceLink& link = t.link;
    uint8_t block[kBlockSize];
    for (int i = 0; i < kBlockSize; ++i)
        block[i] = uint8_t(i * 7 + i / 512);

    // Released, nothing answers; woken, everything does.
    EXPECT_EQ(link.ReadPage(0, block, 0), 0);
    EXPECT_EQ(link.WritePage(block, 0, 9, 1, 2), 1);
    EXPECT_EQ(link.Probe(), 1);
    EXPECT_EQ(link.CloseLink(), 1);
    EXPECT_EQ(link.ReadPage(0, block, 0), 0);
    EXPECT_EQ(link.WriteBlock(block, 9, 8, 10), 1);
    EXPECT_EQ(link.WritePage(block + 512, 3, 9, 0xFFFF, 0xFFFF), 1); // no erase before it: only clears bits
    EXPECT_EQ(link.ReadBlock(block, 9), 1);
    EXPECT_EQ(link.ReadBlock(block, 1024 + 9), 0); // beyond the memory: no chip answers

    // Hangs last until the next wake-up; a chip that never gets ready fails everything.
    t.both.Faults([](PlayerFaults& f) { f.hangErases = 2; });
    EXPECT_EQ(link.WriteBlockRetry(block, 11, 0xFFFF, 0xFFFF), 1);
    t.both.Faults([](PlayerFaults& f) { f.hangPrograms = 1; });
    EXPECT_EQ(link.WritePage(block, 5, 11, 0xFFFF, 0xFFFF), 0);
    EXPECT_EQ(link.ReadRawPage(5, block, 11), 0);
    EXPECT_EQ(link.ReadBlockRetry(block, 11), 1);
    t.both.Faults([](PlayerFaults& f) { f.readyNeverRises = true; });
    EXPECT_EQ(link.ReadBlock(block, 11), 0);
    EXPECT_EQ(link.EraseBlock(12), 0);
    t.both.Faults([](PlayerFaults& f) { f = PlayerFaults{}; f.readyHighAfterReadAddress = true; });
    EXPECT_EQ(link.Probe(), 0);
    t.both.Faults([](PlayerFaults& f) { f = PlayerFaults{}; f.busyReads = 0; });
    EXPECT_EQ(link.ReadBlock(block, 11), 0);
    t.both.Faults([](PlayerFaults& f) { f = PlayerFaults{}; f.busyReads = 998; });
    EXPECT_EQ(link.WriteBlock(block, 13, 0xFFFF, 0xFFFF), 1);
    EXPECT_EQ(link.ReadBlock(block, 13), 1);
    // Past the time-out, but a read and an erase have one more look at the line first.
    t.both.Faults([](PlayerFaults& f) { f.busyReads = 999; });
    EXPECT_EQ(link.ReadBlock(block, 13), 1);
    EXPECT_EQ(link.EraseBlock(13), 1);
    t.both.Faults([](PlayerFaults& f) { f.busyReads = 1000; });
    EXPECT_EQ(link.EraseBlock(13), 0);

    // Bits flipped on the way in, a worn cell, the cable out, the power gone.
    t.both.Faults([](PlayerFaults& f) { f = PlayerFaults{}; f.flipBitEvery = 301; f.wornProgram = 3; });
    EXPECT_EQ(link.WriteBlock(block, 14, 13, 0xFFFF), 1);
    EXPECT_EQ(link.ReadBlock(block, 14), 1);
    t.both.Faults([&](PlayerFaults& f) { f = PlayerFaults{}; f.unplugAfterReads = t.both.Pages().PageReads() + 10; });
    EXPECT_EQ(link.ReadBlock(block, 14), 0);
    EXPECT_EQ(link.WriteBlock(block, 15, 0xFFFF, 0xFFFF), 0); // nobody there: the erase is not seen taken
    EXPECT_EQ(link.WritePage(block, 0, 15, 0xFFFF, 0xFFFF), 1); // a program looks done
    t.both.PowerBack();
    t.both.Faults([](PlayerFaults& f) { f.powerCutAfter = 2; });
    EXPECT_EQ(link.EraseBlock(14), 0); // two of its four units, then nothing answers
    EXPECT_EQ(link.Probe(), 0);
    EXPECT_TRUE(t.both.Pages().PoweredOff());

    EXPECT_EQ(t.both.WirePlayer().ProtocolErrors().empty(), t.both.Pages().ProtocolErrors().empty());
    t.both.ExpectSameFlashAndLog();
}

// A slow read outlasts the time-out and is dropped; the chip, still busy,
// ignores the next one, and once ready gives the page its register kept; a
// slow erase fails its block, and outlasts a wake-up.
TEST(PagePath, SlowOperationsGiveTheAnswersOfTheWire)
{
    TwoPaths t;
    DeviceLink& link = t.link;
    uint8_t raw[kRawPageSize];
    EXPECT_EQ(link.OpenLink(), 1);
    EXPECT_EQ(link.ReadRawPage(0, raw, 0), 1);
    t.both.Faults([](PlayerFaults& f) { f.slowRead = {1, 5000}; });
    EXPECT_EQ(link.ReadRawPage(1, raw, 0), 0);
    EXPECT_EQ(link.ReadRawPage(2, raw, 0), 0);
    t.both.PowerBack();
    t.both.Faults([](PlayerFaults& f) { f.slowRead = {1, 1500}; });
    EXPECT_EQ(link.OpenLink(), 1);
    EXPECT_EQ(link.ReadRawPage(3, raw, 0), 0);
    EXPECT_EQ(link.ReadRawPage(4, raw, 0), 1); // ignored: what the register held comes instead
    t.both.PowerBack();
    t.both.Faults([](PlayerFaults& f) { f.slowErase = {1, 5000}; });
    EXPECT_EQ(link.EraseBlock(16), 0);
    EXPECT_EQ(link.EraseBlock(17), 0);
    t.both.PowerBack();
    t.both.ExpectSameFlashAndLog();
}

TEST(PagePath, StorageRunsLeaveTheSameFlashAndLog)
{
    TwoPaths t;
    TempPath folder("pagepath");
    std::filesystem::create_directories(folder.Path());
    auto file = [&](const std::string& name, size_t size, unsigned seed) {
        const std::string path = (folder.Path() / name).string();
        WriteFile(path, Numbered(size, seed));
        return path;
    };
    SongCommands& c = t.commands;

    ASSERT_EQ(ReloadDirectory(t.link), 1);
    ASSERT_EQ(c.UploadFiles({file("a.mp3", 40000, 1), file("b.mp3", 5000, 2)}), 2);
    ASSERT_TRUE(c.RenameSong(0, "renamed"));
    // A program that hangs: the block is written again after a wake-up.
    t.both.Faults([](PlayerFaults& f) { f.hangPrograms = 1; });
    ASSERT_EQ(c.UploadFiles({file("c.mp3", 70000, 3)}), 1);
    // A worn cell found by reading the upload back.
    t.link.SetVerifyUploads(true);
    t.both.Faults([](PlayerFaults& f) { f.wornProgram = 20; });
    ASSERT_EQ(c.UploadFiles({file("d.mp3", 33000, 4)}), 1);
    t.both.Faults([](PlayerFaults& f) { f.flipBitEvery = 4001; });
    ReloadDirectory(t.link);
    t.both.Faults([](PlayerFaults& f) { f = PlayerFaults{}; });
    ASSERT_TRUE(c.RemoveSongAt(1, false));
    ASSERT_TRUE(c.UndoLastChange(false));

    // The power goes in the middle of the directory's save; back on, the
    // load finishes it from a copy, and a rescue rebuilds it from the links.
    long writes = 0;
    for (const FlashOperation& op : t.both.Pages().Operations())
        writes += op.kind != FlashOperation::Read;
    t.both.Faults([&](PlayerFaults& f) { f.powerCutAfter = writes + 40; });
    EXPECT_FALSE(c.MoveSong(3, 0));
    EXPECT_TRUE(t.both.Pages().PoweredOff());
    t.both.PowerBack();
    ASSERT_EQ(ReloadDirectory(t.link), 1);
    EXPECT_FALSE(t.link.DirectoryDamaged());
    EXPECT_TRUE(c.RescueSongs(false));
    t.both.Faults([](PlayerFaults& f) { f.unplugAfterReads = 30; });
    EXPECT_EQ(ReloadDirectory(t.link), 0);

    EXPECT_GT(t.both.answers, 3000);
    t.both.ExpectSameFlashAndLog();
    long erases = 0;
    for (const FlashOperation& op : t.both.WireOperations())
        erases += op.kind == FlashOperation::Erase;
    EXPECT_GT(erases, 40);
}

} // namespace
