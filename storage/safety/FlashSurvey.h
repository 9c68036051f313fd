#pragma once
// What the first page of each block says. Every page of a song's block
// carries the block before it and the block after it in the song's chain,
// and its page checksum; so the first pages of all blocks give every chain
// on the flash and each chain's print. Reading them all costs a page read a
// block (about 25 ms on the PCs players hang on): the repair of a lost
// directory, the rescue and the undo read what they need, once.

#include <cstdint>
#include <vector>

class DeviceLink;

struct BlockStart {
    enum class Kind : uint8_t {
        Unread,
        Erased,  // nothing written since its last erase
        Garbled, // its data and its checksum disagree, read after read
        Linked,  // a page of a song's block: links and checksum
        Shadow,  // a shadow of the directory: it links to itself
        Other,   // whole, but no chain links (block 0's own form, or another program's)
    };
    Kind kind = Kind::Unread;
    uint16_t previous = 0;
    uint16_t next = 0;
    uint16_t checksum = 0;
    uint8_t head[16] = {};
};

class FlashSurvey {
public:
    // A chain found on the flash: from a block that no block comes before,
    // along the links while each next block names the one before it.
    struct Chain {
        std::vector<uint16_t> blocks;
        bool whole = false; // ends where its last block says it does
        uint32_t print = 0; // of a whole chain
    };

    // `blocks`: the player's size; block 0 is the directory's and never read.
    FlashSurvey(DeviceLink& link, unsigned blocks);

    unsigned Blocks() const { return unsigned(m_starts.size()); }
    // Reads the first page of `block` unless it is read already; false when
    // the player did not answer.
    bool Read(unsigned block);
    // Reads the next `count` blocks not yet read, from block 1 up; false when
    // the player did not answer.
    bool ReadOn(int count);
    bool ReadAll() { return ReadOn(int(Blocks())); }
    bool Complete() const { return m_nNext >= Blocks(); }
    unsigned ReadSoFar() const { return m_nNext; }
    const BlockStart& At(unsigned block) const { return m_starts[block]; }
    // The status bar's progress control follows the reading (a load's repair).
    void ShowProgressWhileReading(bool on) { m_bProgress = on; }

    // Every chain on the flash; the blocks must all be read.
    std::vector<Chain> Chains() const;
    // Reads the blocks of `chain` and tells whether each links to the blocks
    // beside it in `chain`, as an upload writes them. *answered is false when
    // the player did not answer, or a page could not be read right.
    bool LinksAs(const std::vector<uint16_t>& chain, bool* answered);
    // The print of the blocks' first pages, once they are read and linked.
    uint32_t PrintOf(const std::vector<uint16_t>& chain) const;
    // Whether the write that each block's first page began reached the end
    // of every erase unit of the block: the last page of each unit is whole
    // and carries the first page's links. An upload erases a unit just
    // before it writes it, so one cut short (even of the very same file,
    // whose first page is the same) leaves a unit's last page erased.
    // Four page reads a block; the blocks must be read.
    bool WrittenWhole(uint16_t block, bool* answered);

private:
    DeviceLink& m_link;
    std::vector<BlockStart> m_starts;
    unsigned m_nNext = 1;
    bool m_bWoken = false;
    bool m_bProgress = false;
    unsigned m_nReads = 0;
};

// Whether a song's first page begins as its directory entry says: with the
// audio header the entry keeps, or with the tag it was found after.
bool BeginsAs(const uint8_t* head, const uint8_t* storedAudioHeader);
