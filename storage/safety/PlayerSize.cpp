// How much memory a player has when its directory cannot say. Each chip of
// the player answers for its own blocks; a page beyond the last chip's end
// finds no chip, and its read comes back unanswered at once. So the size is
// the first block that does not answer: a search of a dozen page reads.
// Block 1 is read again at the end, so that a player that stopped answering
// (a cable pulled) is not taken for a small one.

#include "link/DeviceLink.h"
#include "format/PageFormat.h"

namespace {

bool BlockAnswers(DeviceLink& link, unsigned block)
{
    uint8_t raw[kRawPageSize];
    return link.ReadPageChecked(0, raw, int(block)) != 0;
}

}

unsigned DeviceLink::PlayerBlocks() const
{
    return m_nFoundBlocks != 0 ? m_nFoundBlocks : DirectoryImage::PlayerBlocksOf(m_pOnPlayer.get());
}

unsigned DeviceLink::FindPlayerBlocks()
{
    if (m_nFoundBlocks != 0)
        return m_nFoundBlocks;
    OpenLink();
    // What the directory says holds when its last block answers and the
    // one after it does not: a damaged directory may say more or less.
    const unsigned told = DirectoryImage::BlocksTold(m_pOnPlayer.get());
    const unsigned end = DirectoryImage::kPlayerBlocks;
    const bool lastAnswers = told != 0 && BlockAnswers(*this, told - 1);
    if (lastAnswers && (told == end || !BlockAnswers(*this, told)))
        return m_nFoundBlocks = told;
    // Between a block that answers and one that does not (or the end of
    // the largest player).
    unsigned answers = lastAnswers ? told : 1;
    unsigned silent = told == 0 ? end : lastAnswers ? end : told - 1;
    while (silent - answers > 1) {
        const unsigned middle = answers + (silent - answers) / 2;
        if (BlockAnswers(*this, middle))
            answers = middle;
        else
            silent = middle;
    }
    if (!BlockAnswers(*this, 1))
        return 0;
    return m_nFoundBlocks = silent;
}
