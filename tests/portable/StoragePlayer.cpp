#include "StoragePlayer.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "format/PageFormat.h"
#include "simulator/FactoryImage.h"

StoragePlayer::StoragePlayer(int blocks) : TestPlayer(blocks)
{
    MakeFactoryFresh(flash);
    link->AttachUserInterface(&ui);
    link->AttachDirectoryCopies(&copies);
}

void StoragePlayer::PutDirectory(const DirectoryImage& directory)
{
    for (int page = 0; page < 64; ++page) {
        uint8_t raw[kRawPageSize];
        std::memcpy(raw, directory.Bytes() + page * kPageSize, kPageSize);
        const auto spare = SpareBytes(0, 0, PageChecksum(raw));
        std::memcpy(raw + kPageSize, spare.data(), kSpareSize);
        flash.StorePage(uint32_t(page), raw);
    }
}

void StoragePlayer::Restart()
{
    link = std::make_unique<DeviceLink>();
    link->AttachPorts(&player);
    link->AttachUserInterface(&ui);
    link->AttachDirectoryCopies(&copies);
    link->SetPort(0x378);
}

void StoragePlayer::Reload()
{
    link->InitializeDirectory();
    link->LoadDirectory();
}

std::string BrokenInvariant(DirectoryImage& image)
{
    const int songs = image.entryCount();
    if (songs > 60)
        return "entryCount above 60";
    for (int slot = songs; slot < 60; ++slot) {
        const uint8_t* bytes = image.Entry(slot).Bytes();
        if (std::any_of(bytes, bytes + 128, [](uint8_t b) { return b != 0; }))
            return "slot " + std::to_string(slot) + " beyond entryCount is not zero";
    }
    if (image.usedBlocks() + image.freeBlocks() != image.totalBlocks())
        return "usedBlocks + freeBlocks != totalBlocks";
    const bool blockZeroUsed = image.blockUse(0) == DirectoryImage::kBlockInUse;
    if (blockZeroUsed != (songs > 0) || image.blockLink(0) != 0)
        return "block 0 marked wrongly";
    std::set<unsigned> inChains;
    for (int slot = 0; slot < songs; ++slot) {
        DirectoryEntry e = image.Entry(slot);
        const uint32_t size = e.size();
        if (e.blockCount() != size / 32768 + (size % 32768 ? 1 : 0) || e.lastBlockBytes() != size % 32768)
            return "slot " + std::to_string(slot) + " sizes disagree";
        unsigned block = e.firstBlock();
        for (int i = 0; i < e.blockCount(); ++i) {
            if (block == 0 || block >= image.totalBlocks() || !inChains.insert(block).second)
                return "slot " + std::to_string(slot) + " chain is broken";
            if (image.blockUse(block) != DirectoryImage::kBlockInUse)
                return "block " + std::to_string(block) + " of a chain is free";
            const unsigned next = image.blockLink(block);
            if ((i + 1 == e.blockCount()) != (next == 0))
                return "slot " + std::to_string(slot) + " chain ends wrongly";
            block = next;
        }
    }
    const size_t used = inChains.size() + (songs > 0 ? 1 : 0);
    if (used != image.usedBlocks())
        return "usedBlocks does not count the chains";
    for (unsigned block = 1; block < 8192; ++block)
        if ((image.blockUse(block) == DirectoryImage::kBlockInUse) != (inChains.count(block) > 0))
            return "block " + std::to_string(block) + " in-use flag disagrees with the chains";
    return "";
}

namespace {
std::string CheckBlock(StoragePlayer& p, unsigned block, uint16_t previous, uint16_t next)
{
    for (int page = 0; page < 64; ++page) {
        const uint8_t* raw = p.flash.RawPage(block * 64 + page);
        const auto spare = SpareBytes(previous, next, PageChecksum(raw));
        if (std::memcmp(raw + 512, spare.data(), 16) != 0)
            return "block " + std::to_string(block) + " page " + std::to_string(page);
    }
    return "";
}
}

std::string BadSpareBytes(StoragePlayer& p)
{
    DirectoryImage& image = p.Image();
    std::string bad = CheckBlock(p, 0, 0, 0);
    for (int slot = 0; slot < image.entryCount() && bad.empty(); ++slot) {
        DirectoryEntry e = image.Entry(slot);
        unsigned block = e.firstBlock();
        uint16_t previous = 0xFFFF;
        for (int i = 0; i < e.blockCount() && bad.empty(); ++i) {
            const unsigned following = image.blockLink(block);
            const uint16_t next = i + 1 == e.blockCount() ? 0xFFFF : uint16_t(following);
            bad = CheckBlock(p, block, previous, next);
            previous = uint16_t(block);
            block = following;
        }
    }
    return bad;
}

std::vector<uint8_t> StoredSong(StoragePlayer& p, int slot)
{
    DirectoryEntry e = p.Image().Entry(slot);
    std::vector<uint8_t> song;
    unsigned block = e.firstBlock();
    for (int i = 0; i < e.blockCount(); ++i) {
        for (int page = 0; page < 64; ++page) {
            const uint8_t* raw = p.flash.RawPage(block * 64 + page);
            song.insert(song.end(), raw, raw + 512);
        }
        block = p.Image().blockLink(block);
    }
    song.resize(e.size());
    return song;
}
