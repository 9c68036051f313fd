#pragma once
// A PC and a player for tests that run the program many times over, with
// the power going after so many flash operations: the pages go straight to
// the flash (simulator/PagePlayer.h), so sweeps of thousands of runs stay
// quick.

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "MemoryCopyFolder.h"
#include "ScriptedUi.h"
#include "TestFiles.h"
#include "link/DeviceLink.h"
#include "format/PageFormat.h"
#include "simulator/FactoryImage.h"
#include "simulator/FlashMemory.h"
#include "simulator/PagePlayer.h"
#include "commands/SongCommands.h"
#include "storage/safety/DirectoryCopies.h"

// Song data of one length and encoding: alike in length, links and first
// bytes, different in what follows.
inline std::vector<uint8_t> Tune(size_t size, unsigned seed)
{
    std::vector<uint8_t> bytes = Numbered(size, seed);
    const uint8_t header[] = {0xFF, 0xFB, 0x90, 0x64};
    std::memcpy(bytes.data(), header, sizeof header);
    return bytes;
}

struct Pc {
    explicit Pc(long clockOffset = 0) : clockOffset(clockOffset) {}
    MemoryCopyFolder folder;
    long clockOffset;
};

struct Player {
    explicit Player(int blocks = 1024) : flash(blocks) { MakeFactoryFresh(flash); }
    void CopyFrom(Player& other)
    {
        for (uint32_t page = 0; page < flash.Pages(); ++page)
            flash.StorePage(page, other.flash.RawPage(page));
    }
    FlashMemory flash;
};

// One run of the program: a PC on a player, the power going after `cut`
// flash operations (or never). The pages go straight to the flash: the
// sweeps run thousands of these.
struct Program {
    Program(Pc& pc, Player& on, long cut = -1) : player(on.flash), copies(pc.folder), list(link), commands(link, list)
    {
        player.Faults().powerCutAfter = cut;
        link.AttachPorts(&player);
        link.AttachPageDevice(&player);
        link.AttachUserInterface(&ui);
        link.AttachDirectoryCopies(&copies);
        link.SetPort(0x378);
        link.SetClockOffset(pc.clockOffset);
        ReloadDirectory(link);
    }

    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (int slot = 0; slot < std::min<int>(link.m_image.entryCount(), 60); ++slot)
            names.push_back(link.m_image.Entry(slot).name());
        return names;
    }
    // Each listed song as the flash holds it along its chain.
    std::vector<std::vector<uint8_t>> Songs()
    {
        std::vector<std::vector<uint8_t>> songs;
        const DirectoryImage& image = link.m_image;
        for (int slot = 0; slot < std::min<int>(image.entryCount(), 60); ++slot) {
            std::vector<uint8_t> bytes;
            for (uint16_t block : image.ChainOf(slot))
                for (int page = 0; page < kPagesPerBlock; ++page) {
                    const uint8_t* raw = player.Flash().RawPage(PageNumber(block, page));
                    bytes.insert(bytes.end(), raw, raw + kPageSize);
                }
            bytes.resize(std::min<size_t>(bytes.size(), image.Entry(slot).size()));
            songs.push_back(bytes);
        }
        return songs;
    }
    bool Said(const std::string& part) const
    {
        for (const std::string& message : ui.messages)
            if (message.find(part) != std::string::npos)
                return true;
        return false;
    }
    long Writes() const
    {
        long writes = 0;
        for (const FlashOperation& op : player.Operations())
            writes += op.kind != FlashOperation::Read;
        return writes;
    }

    PagePlayer player;
    ScriptedUi ui;
    DirectoryCopies copies;
    DeviceLink link;
    ReloadingList list;
    SongCommands commands;
};

