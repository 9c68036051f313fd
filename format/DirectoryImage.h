#pragma once
// The player's 32 KiB directory, block 0 of its memory: a header page, 60 song
// slots, a one-byte use flag per block and a 16-bit chain link per block.
// Every multi-byte field is little-endian and read byte by byte.

#include <cstdint>
#include <vector>

#include "format/DirectoryEntry.h"

class DirectoryImage {
public:
    static constexpr int kSize = 32768;
    static constexpr int kHeaderSize = 512;
    static constexpr int kEntryAreaOffset = 512;
    static constexpr int kEntrySlots = 60;
    static constexpr int kEntryAreaSize = kEntrySlots * DirectoryEntry::kSize;
    static constexpr int kBlockUseOffset = 0x2000;
    static constexpr int kBlockLinkOffset = 0x4000;
    static constexpr int kTableBlocks = 8192;
    static constexpr int kInitialBlocks = 1024;
    static constexpr int kPlayerBlocks = 1024; // 32 MiB of flash
    static constexpr uint8_t kBlockFree = 0xFF;
    static constexpr uint8_t kBlockInUse = 0x00;
    static constexpr uint16_t kNoBlock = 0xFFFF;

    uint8_t* Bytes() { return m_bytes; }
    const uint8_t* Bytes() const { return m_bytes; }

    uint16_t entryCount() const;
    void SetEntryCount(uint16_t count);
    uint16_t totalBlocks() const;
    void SetTotalBlocks(uint16_t blocks);
    uint16_t usedBlocks() const;
    void SetUsedBlocks(uint16_t blocks);
    uint16_t freeBlocks() const;
    void SetFreeBlocks(uint16_t blocks);
    int32_t saveTime() const;
    void SetSaveTime(int32_t time);
    uint16_t headerChecksum() const;
    void SetHeaderChecksum(uint16_t sum);
    uint16_t bodyChecksum() const;
    void SetBodyChecksum(uint16_t sum);

    // Slot 0 to 59; callers check the range.
    DirectoryEntry Entry(int slot);
    const DirectoryEntry Entry(int slot) const;

    // Block numbers 0 to 8191; callers check the range.
    uint8_t blockUse(unsigned block) const { return m_bytes[kBlockUseOffset + block]; }
    void SetBlockUse(unsigned block, uint8_t flag) { m_bytes[kBlockUseOffset + block] = flag; }
    uint16_t blockLink(unsigned block) const;
    void SetBlockLink(unsigned block, uint16_t next);

    // The blocks of the song in `slot`, in chain order, as far as the chain
    // stays on song blocks and does not come back to one it passed.
    std::vector<uint16_t> ChainOf(int slot) const;

    // The empty state: no songs, `blocks` blocks all free, zero links.
    void SetEmpty(unsigned blocks = kInitialBlocks);

    // The blocks of memory a player has, going by its directory (null: none
    // read): its totalBlocks when its header page is as sealed and the number
    // is one a player can have, else the 1024 of a 32 MiB player.
    static unsigned PlayerBlocksOf(const DirectoryImage* directory);
    // The same without the guess: 0 when the directory cannot say.
    static unsigned BlocksTold(const DirectoryImage* directory);

    uint16_t FindFreeBlock() const;
    // Blocks a song may use lie from 1 up to the memory the player has. A
    // damaged directory may claim more than the 1024 blocks of the player,
    // or mark blocks free at or beyond totalBlocks, where page addresses
    // select a chip the player does not have (or, on some players, wrap
    // round onto other blocks). Block 0 is the directory's own: it never
    // follows another block.
    unsigned UsableBlockLimit() const;
    bool IsSongBlock(unsigned block) const { return block != 0 && block < UsableBlockLimit(); }
    // The lowest free block a song may use, or kNoBlock.
    uint16_t FindUsableFreeBlock() const;
    uint16_t HeaderChecksum() const;
    uint16_t BodyChecksum() const;

    // saveTime, then the body checksum, then the header checksum that covers it.
    void Seal(int32_t now);
    bool ChecksumsValid() const;

    // A 64-bit fingerprint of all 32768 bytes, to tell directories apart.
    uint64_t Digest() const;

private:
    uint8_t m_bytes[kSize] = {};
};
