#include "format/DirectoryRules.h"

#include <algorithm>
#include <vector>

#include "format/DirectoryImage.h"
#include "format/PageFormat.h"

namespace {

class RuleCheck {
public:
    RuleCheck(const DirectoryImage& image, bool checksumsChecked)
        : m_image(image), m_bChecksumsChecked(checksumsChecked), m_owner(DirectoryImage::kTableBlocks, int8_t(-1))
    {
    }

    std::vector<RuleBreak> Run()
    {
        const uint8_t* bytes = m_image.Bytes();
        if (std::all_of(bytes, bytes + DirectoryImage::kSize, [](uint8_t b) { return b == 0xFF; })) {
            Serious("Block 0 is erased: there is no directory on Rio at all.");
            return m_breaks;
        }
        if (!m_bChecksumsChecked)
            CheckChecksums();
        CheckHeader();
        const int songs = std::min<int>(m_image.entryCount(), DirectoryImage::kEntrySlots);
        for (int slot = 0; slot < songs; ++slot)
            CheckSong(slot);
        CheckEmptySlots(songs);
        CheckBlockZero(songs);
        CheckUseFlags(songs);
        return m_breaks;
    }

private:
    void Serious(const std::string& text) { m_breaks.push_back({text, true}); }
    void Minor(const std::string& text) { m_breaks.push_back({text, false}); }
    static std::string N(long value) { return std::to_string(value); }
    static std::string Song(int slot) { return "Song " + N(slot + 1); }

    void CheckChecksums()
    {
        if (m_image.HeaderChecksum() != m_image.headerChecksum())
            Serious("The header checksum does not match.");
        if (m_image.BodyChecksum() != m_image.bodyChecksum())
            Serious("The body checksum does not match.");
    }

    void CheckHeader()
    {
        if (m_image.entryCount() > DirectoryImage::kEntrySlots)
            Serious("It claims " + N(m_image.entryCount()) + " songs; a directory holds at most 60.");
        if (m_image.totalBlocks() > DirectoryImage::kPlayerBlocks)
            Serious("It claims " + N(m_image.totalBlocks()) + " blocks of memory; Rio has " +
                    N(DirectoryImage::kPlayerBlocks) + ".");
        if (m_image.usedBlocks() + m_image.freeBlocks() != m_image.totalBlocks())
            Minor("Used blocks (" + N(m_image.usedBlocks()) + ") and free blocks (" + N(m_image.freeBlocks()) +
                  ") do not add up to the total (" + N(m_image.totalBlocks()) + ").");
    }

    void CheckSong(int slot)
    {
        const DirectoryEntry entry = m_image.Entry(slot);
        const uint8_t* name = entry.Bytes() + DirectoryEntry::kNameOffset;
        if (std::find(name, name + DirectoryEntry::kNameField, 0) == name + DirectoryEntry::kNameField)
            Minor(Song(slot) + ": its name has no end.");
        const uint32_t size = entry.size();
        const uint32_t blocks = size / 32768 + (size % 32768 ? 1 : 0);
        if (entry.blockCount() != blocks || entry.lastBlockBytes() != size % 32768)
            Serious(Song(slot) + ": its size (" + N(long(size)) + " bytes) does not match its " +
                    N(entry.blockCount()) + " blocks.");
        unsigned block = entry.firstBlock();
        for (int i = 0; i < entry.blockCount(); ++i) {
            if (!CheckChainBlock(slot, block))
                return;
            const unsigned next = m_image.blockLink(block);
            const bool last = i + 1 == entry.blockCount();
            if (last && next != 0) {
                Serious(Song(slot) + ": its chain goes on after its last block.");
                return;
            }
            block = next;
        }
    }

    bool CheckChainBlock(int slot, unsigned block)
    {
        if (block == 0) {
            Serious(Song(slot) + ": its chain runs into block 0, the directory's own.");
            return false;
        }
        if (block >= m_image.UsableBlockLimit()) {
            Serious(Song(slot) + ": its chain leaves the memory at block " + N(block) + ".");
            return false;
        }
        if (m_owner[block] >= 0) {
            Serious(Song(slot) + ": its chain meets block " + N(block) + ", which " +
                    (m_owner[block] == slot ? std::string("it already uses") : "song " + N(m_owner[block] + 1) +
                                                                                  " uses") +
                    ".");
            return false;
        }
        m_owner[block] = int8_t(slot);
        if (m_image.blockUse(block) != DirectoryImage::kBlockInUse)
            Serious(Song(slot) + ": its block " + N(block) + " is marked free.");
        return true;
    }

    void CheckEmptySlots(int songs)
    {
        for (int slot = songs; slot < DirectoryImage::kEntrySlots; ++slot) {
            const uint8_t* bytes = m_image.Entry(slot).Bytes();
            if (!AllBytesAre(bytes, DirectoryEntry::kSize, 0)) {
                Minor("Slot " + N(slot + 1) + " lies past the last song but is not empty.");
                return;
            }
        }
    }

    void CheckBlockZero(int songs)
    {
        const bool inUse = m_image.blockUse(0) == DirectoryImage::kBlockInUse;
        if (songs > 0 && !inUse)
            Minor("Block 0, the directory's own, is marked free although songs are stored.");
        if (songs == 0 && inUse)
            Minor("Block 0 is marked in use although no song is stored.");
        if (m_image.blockLink(0) != 0)
            Minor("Block 0 has a chain link.");
    }

    void CheckUseFlags(int songs)
    {
        std::vector<unsigned> strays;
        long used = songs > 0 ? 1 : 0;
        // Chains never reach past the memory the player has (CheckChainBlock):
        // no block there has an owner, and no flag there counts.
        const unsigned limit = m_image.UsableBlockLimit();
        for (unsigned block = 1; block < limit; ++block) {
            if (m_owner[block] >= 0)
                ++used;
            else if (m_image.blockUse(block) == DirectoryImage::kBlockInUse)
                strays.push_back(block);
        }
        if (!strays.empty()) {
            std::string list;
            for (size_t i = 0; i < strays.size() && i < 8; ++i)
                list += (i ? ", " : "") + N(strays[i]);
            if (strays.size() > 8)
                list += " and " + N(long(strays.size() - 8)) + " more";
            Minor("Blocks marked in use belong to no song: " + list + ".");
        }
        if (used != m_image.usedBlocks())
            Minor("The directory counts " + N(m_image.usedBlocks()) + " blocks in use; its songs and itself take " +
                  N(used) + ".");
    }

    const DirectoryImage& m_image;
    bool m_bChecksumsChecked;
    std::vector<int8_t> m_owner; // the slot whose chain holds each block; -1: none
    std::vector<RuleBreak> m_breaks;
};

}

std::vector<RuleBreak> DirectoryRuleBreaks(const DirectoryImage& image, bool checksumsChecked)
{
    return RuleCheck(image, checksumsChecked).Run();
}

bool DirectoryTrustworthy(const DirectoryImage& image)
{
    for (const RuleBreak& rule : DirectoryRuleBreaks(image))
        if (rule.serious)
            return false;
    return true;
}
